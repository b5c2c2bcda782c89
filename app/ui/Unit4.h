#pragma once

#include "DialogBase.h"

class QAbstractButton;
class QPlainTextEdit;

// The log viewer: shows log.txt each time it opens and can delete it.
class TForm4 : public TDialogBase
{
    Q_OBJECT

public:
    explicit TForm4(const QString& logPath, QWidget* parent = nullptr);

    QPlainTextEdit* Memo1;
    QAbstractButton* XP_Button2; // "全部清除"
    QAbstractButton* XP_Button1; // "关闭"

public slots:
    void FormShow();
    void XP_Button1Click();
    void XP_Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString m_logPath;
};
