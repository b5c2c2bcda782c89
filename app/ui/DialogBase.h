#pragma once

#include <QDialog>

class TXP_Button;

// A dialog centred on its main window whenever it is shown, whose Enter and Escape keys belong to
// its push buttons (their Default and Cancel settings): the dialog itself neither closes on Escape
// nor looks for a default button of its own.
class TDialogBase : public QDialog
{
    Q_OBJECT

public:
    explicit TDialogBase(QWidget* parent = nullptr);

    void setVisible(bool visible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // One of the dialog's skinned push buttons, by the object name the tests find it by.
    TXP_Button* addButton(const QString& caption, const QRect& place, const QString& name);
};
