#include "DialogBase.h"

#include "widgets/XP_Button.h"

#include <QKeyEvent>

TDialogBase::TDialogBase(QWidget* parent) : QDialog(parent) {}

void TDialogBase::setVisible(bool visible)
{
    // Placed by the program, not left to the window manager: some put a frameless, shaped dialog
    // in a free corner of the screen instead of over its main window.
    if (visible && !isVisible() && parentWidget())
        move(parentWidget()->window()->geometry().center() - rect().center());
    QDialog::setVisible(visible);
}

void TDialogBase::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        // No button took the key: it does nothing here.
        event->ignore();
        break;
    default:
        QDialog::keyPressEvent(event);
    }
}

TXP_Button* TDialogBase::addButton(const QString& caption, const QRect& place, const QString& name)
{
    auto* button = new TXP_Button(this);
    button->setObjectName(name);
    button->setCaption(caption);
    button->setGeometry(place);
    return button;
}
