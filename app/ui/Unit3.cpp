#include "Unit3.h"

#include "Controls.h"

#include <QAbstractButton>

TForm3::TForm3(QWidget* parent) : TDialogBase(parent)
{
    setWindowTitle(QStringLiteral("参数选择"));
    TControls::Frame(this, false);
    TControls::BalloonBackground(this);
    setFixedSize(326, 183);
    QWidget* group = TControls::GroupBox(this, QStringLiteral("参数选择"), {24, 16, 281, 97});
    XP_CheckBox2 = TControls::CheckBox(group, QStringLiteral("创建日志文件"), {24, 32, 105, 17});
    XP_Button1 = TControls::Button(this, QStringLiteral("确定"), {136, 128, 81, 25});
    XP_Button2 = TControls::Button(this, QStringLiteral("取消"), {224, 128, 81, 25});
    SetDefaultButton(XP_Button1);
    SetCancelButton(XP_Button2);
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
