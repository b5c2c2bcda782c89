#pragma once

#include "DialogBase.h"
#include "XP_Button.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class TPrompts;
class TShell;
class TXP_Form;
struct TProductInfo;

// The about box: the product strings beside the about picture, two links, and credit lines
// that a mouse gesture reveals.
class TAbout : public TDialogBase
{
    Q_OBJECT

public:
    TAbout(TShell& shell, TPrompts& prompts, QWidget* parent = nullptr);

    // What the main window's FormShow puts in.
    void Fill(const TProductInfo& product);

    // The gesture: click the company label, press inside the picture's top-left corner with
    // Ctrl+Shift, release inside its bottom-right corner with Ctrl+Shift.
    static QRect PressRect() { return {0, 0, 32, 32}; }
    static QRect ReleaseRect() { return {176 - 32, 301 - 32, 32, 32}; }
    static Qt::KeyboardModifiers GestureModifiers() { return Qt::ControlModifier | Qt::ShiftModifier; }

    TXP_Form* XP_Form1;
    QFrame* Bevel1;
    QLabel* Image1;
    QLabel* Company;
    QLabel* ProductName1;
    QLabel* ProductName3;
    QLabel* ProductName2;
    QLabel* VersionSM;
    QLabel* Version;
    QLabel* DateLabel;
    QLabel* CompanyLineLabel;
    QLabel* URL;
    QLabel* EMAIL;
    QPlainTextEdit* Memo1;
    TXP_Button* XP_Button1;

public slots:
    void URLClick();
    void EMAILClick();
    void CompanyTopClick();
    void XP_Button1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Image1MouseDown(const QPoint& at, Qt::KeyboardModifiers modifiers);
    void Image1MouseUp(const QPoint& at, Qt::KeyboardModifiers modifiers);
    QLabel* MakeLabel(const QRect& formPlace, const QFont& font, const QColor& colour);

    TShell& m_shell;
    TPrompts& m_prompts;
    QString m_supportMail;
    int m_gesture = 0; // 0 idle, 1 company clicked, 2 pressed in the first corner
};
