#pragma once

#include "DialogBase.h"

class QAbstractButton;

// The preferences dialog: one switch, whether runs keep a log. Accepted means "确定" closed it.
class TForm3 : public TDialogBase
{
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);

    QAbstractButton* XP_CheckBox2; // "创建日志文件"
    QAbstractButton* XP_Button1;   // "确定"
    QAbstractButton* XP_Button2;   // "取消"

public slots:
    void XP_Button1Click();
    void XP_Button2Click();
};
