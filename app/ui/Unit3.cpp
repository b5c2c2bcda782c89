#include "Unit3.h"

TForm3::TForm3(QWidget* parent) : TDialogBase(parent)
{
    setWindowTitle(QStringLiteral("参数选择"));
    setFixedSize(326, 183);
    XP_Balloon1 = new TXP_Balloon(this);
    XP_GroupBox1 = new TXP_GroupBox(this);
    XP_GroupBox1->setCaption(QStringLiteral("参数选择"));
    XP_GroupBox1->setGeometry(24, 16, 281, 97);
    XP_CheckBox2 = new TXP_CheckBox(XP_GroupBox1);
    XP_CheckBox2->setCaption(QStringLiteral("创建日志文件"));
    XP_CheckBox2->setGeometry(24, 32, 105, 17);
    XP_Button1 = new TXP_Button(this);
    XP_Button1->setCaption(QStringLiteral("确定"));
    XP_Button1->setGeometry(136, 128, 81, 25);
    XP_Button1->setDefault(true);
    XP_Button2 = new TXP_Button(this);
    XP_Button2->setCaption(QStringLiteral("取消"));
    XP_Button2->setGeometry(224, 128, 81, 25);
    XP_Button2->setCancel(true);
    connect(XP_Button1, &QAbstractButton::clicked, this, &TForm3::XP_Button1Click);
    connect(XP_Button2, &QAbstractButton::clicked, this, &TForm3::XP_Button2Click);
}

void TForm3::XP_Button1Click()
{
    accept();
}

void TForm3::XP_Button2Click()
{
    reject();
}
