#include "DialogBase.h"

#include <QKeyEvent>

TDialogBase::TDialogBase(QWidget* parent) : QDialog(parent) {}

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
