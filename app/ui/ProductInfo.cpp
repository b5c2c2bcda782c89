#include "ProductInfo.h"

TProductInfo TProductInfo::Corvane()
{
    TProductInfo info;
    info.aboutCaption = QStringLiteral("关于");
    info.company = QStringLiteral("Mirel");
    info.title = QStringLiteral("Corvane XP");
    info.version = QStringLiteral("Version:") + QStringLiteral("1.1");
    info.edition = QStringLiteral("Standard");
    info.companyLine = QStringLiteral("Mirel Software,Inc.");
    info.releaseDate = QStringLiteral("Released: December 2026");
    info.homePage = QStringLiteral("www.corvane.example");
    info.supportMail = QStringLiteral("support@corvane.example");
    return info;
}
