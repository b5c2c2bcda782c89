#include "PreferencesDialog.h"

#include "widgets/XP_Balloon.h"
#include "widgets/XP_Button.h"
#include "widgets/XP_CheckBox.h"
#include "widgets/XP_GroupBox.h"

PreferencesDialog::PreferencesDialog(QWidget* parent) : TDialogBase(parent)
{
    setWindowTitle(QStringLiteral("参数选择"));
    setFixedSize(326, 183);
    new TXP_Balloon(this);
    auto* group = new TXP_GroupBox(this);
    group->setCaption(QStringLiteral("参数选择"));
    group->setGeometry(24, 16, 281, 97);
    m_logSwitch = new TXP_CheckBox(group);
    m_logSwitch->setObjectName(QStringLiteral("logSwitch"));
    m_logSwitch->setCaption(QStringLiteral("创建日志文件"));
    m_logSwitch->setGeometry(24, 32, 105, 17);
    TXP_Button* okButton = addButton(QStringLiteral("确定"), {136, 128, 81, 25}, QStringLiteral("okButton"));
    okButton->setDefault(true);
    TXP_Button* cancelButton =
        addButton(QStringLiteral("取消"), {224, 128, 81, 25}, QStringLiteral("cancelButton"));
    cancelButton->setCancel(true);
    connect(okButton, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QAbstractButton::clicked, this, &QDialog::reject);
}

bool PreferencesDialog::logging() const
{
    return m_logSwitch->isChecked();
}

void PreferencesDialog::setLogging(bool on)
{
    m_logSwitch->setChecked(on);
}
