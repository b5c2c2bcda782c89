#pragma once

#include "DialogBase.h"
#include "XP_Balloon.h"
#include "XP_Button.h"

class QPlainTextEdit;

// The log viewer: shows log.txt each time it opens and can delete it.
class TForm4 : public TDialogBase
{
    Q_OBJECT

public:
    explicit TForm4(const QString& logPath, QWidget* parent = nullptr);

    TXP_Balloon* XP_Balloon1;
    QPlainTextEdit* Memo1;
    TXP_Button* XP_Button2; // "全部清除"
    TXP_Button* XP_Button1; // "关闭"

public slots:
    void FormShow();
    void XP_Button1Click();
    void XP_Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString m_logPath;
};
