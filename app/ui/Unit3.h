#pragma once

#include "DialogBase.h"
#include "XP_Balloon.h"
#include "XP_Button.h"
#include "XP_CheckBox.h"
#include "XP_GroupBox.h"

// The preferences dialog: one switch, whether runs keep a log. Accepted means "确定" closed it.
class TForm3 : public TDialogBase
{
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);

    TXP_Balloon* XP_Balloon1;
    TXP_GroupBox* XP_GroupBox1; // "参数选择"
    TXP_CheckBox* XP_CheckBox2; // "创建日志文件"
    TXP_Button* XP_Button1;     // "确定", the default button
    TXP_Button* XP_Button2;     // "取消", the cancel button

public slots:
    void XP_Button1Click();
    void XP_Button2Click();
};
