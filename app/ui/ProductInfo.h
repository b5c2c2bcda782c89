#pragma once

#include <QString>

// The product strings the main window sets first thing and hands to the about box.
struct TProductInfo
{
    QString aboutCaption;
    QString company;      // the company word
    QString title;        // the product title
    QString version;
    QString edition;
    QString companyLine;
    QString releaseDate;
    QString homePage;     // host name, without scheme
    QString supportMail;

    [[nodiscard]] static TProductInfo Corvane();
};
