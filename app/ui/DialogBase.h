#pragma once

#include <QDialog>

class QAbstractButton;

// A dialog whose Enter and Esc keys click its default and cancel buttons, whatever kind of
// button those are. Without a cancel button Esc does nothing.
class TDialogBase : public QDialog
{
    Q_OBJECT

public:
    explicit TDialogBase(QWidget* parent = nullptr);

protected:
    void SetDefaultButton(QAbstractButton* button) { m_default = button; }
    void SetCancelButton(QAbstractButton* button) { m_cancel = button; }
    void keyPressEvent(QKeyEvent* event) override;

private:
    QAbstractButton* m_default = nullptr;
    QAbstractButton* m_cancel = nullptr;
};
