#include "DialogBase.h"

#include <QAbstractButton>
#include <QKeyEvent>

TDialogBase::TDialogBase(QWidget* parent) : QDialog(parent) {}

void TDialogBase::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_default)
            m_default->click();
        break;
    case Qt::Key_Escape:
        if (m_cancel)
            m_cancel->click();
        break;
    default:
        QDialog::keyPressEvent(event);
    }
}
