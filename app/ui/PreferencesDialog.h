#pragma once

#include "DialogBase.h"

class TXP_CheckBox;

// The preferences dialog: one switch, whether runs keep a log. Accepted means "确定" closed it.
class PreferencesDialog : public TDialogBase
{
    Q_OBJECT

public:
    explicit PreferencesDialog(QWidget* parent = nullptr);

    // The switch "创建日志文件" as shown.
    [[nodiscard]] bool logging() const;
    void setLogging(bool on);

private:
    TXP_CheckBox* m_logSwitch;
};
