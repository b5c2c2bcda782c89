#pragma once

#include "DialogBase.h"

class QLabel;
class QPlainTextEdit;
class TPrompts;
class TShell;
struct TProductInfo;

// The about box: the product strings beside the about picture, two links, and credit lines
// that a mouse gesture reveals.
class AboutBox : public TDialogBase
{
    Q_OBJECT

public:
    AboutBox(TShell& shell, TPrompts& prompts, QWidget* parent = nullptr);

    // What the main window puts in when it shows.
    void fill(const TProductInfo& product);

    // The gesture: click the company label, press inside the picture's top-left corner with
    // Ctrl+Shift, release inside its bottom-right corner with Ctrl+Shift.
    static QRect pressRect() { return {0, 0, 32, 32}; }
    static QRect releaseRect() { return {176 - 32, 301 - 32, 32, 32}; }
    static Qt::KeyboardModifiers gestureModifiers() { return Qt::ControlModifier | Qt::ShiftModifier; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Gesture
    {
        Idle,
        CompanyClicked,
        CornerPressed,
    };

    QLabel* makeLabel(const QPoint& place, const QFont& font, const QColor& colour, const QString& name);
    void openHomePage();
    void writeMail();
    void onPicturePressed(const QPoint& at, Qt::KeyboardModifiers modifiers);
    void onPictureReleased(const QPoint& at, Qt::KeyboardModifiers modifiers);

    TShell& m_shell;
    TPrompts& m_prompts;
    QString m_supportMail;
    Gesture m_gesture = Gesture::Idle;

    QLabel* m_picture;
    QLabel* m_company;
    // The title three times, as a raised caption.
    QLabel* m_titleHighlight;
    QLabel* m_titleShade;
    QLabel* m_title;
    QLabel* m_edition;
    QLabel* m_version;
    QLabel* m_releaseDate;
    QLabel* m_companyLine;
    QLabel* m_homePageLink;
    QLabel* m_mailLink;
    QPlainTextEdit* m_credits;
};
