#include "XP_ButtonBase.h"

#include <QKeyEvent>

TXP_ButtonBase::TXP_ButtonBase(QWidget* parent) : QAbstractButton(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void TXP_ButtonBase::setCaption(const QString& caption)
{
    if (caption == text())
        return;
    m_look = 1;
    setText(caption);
}

void TXP_ButtonBase::setTabStop(bool on)
{
    setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

bool TXP_ButtonBase::IsEnter(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

bool TXP_ButtonBase::ChordHeld(const QKeyEvent& key)
{
    return (key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) != Qt::NoModifier;
}

void TXP_ButtonBase::DrawLook(int look)
{
    m_look = look;
    update();
}

bool TXP_ButtonBase::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut) { // the accelerator
        if (isEnabled()) {
            setFocus(Qt::ShortcutFocusReason);
            click();
        }
        return true;
    }
    return QAbstractButton::event(event);
}

void TXP_ButtonBase::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    DrawLook(1);
}

void TXP_ButtonBase::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space) {
        click(); // on every key-down, so a held Space repeats
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void TXP_ButtonBase::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Space)
        QAbstractButton::keyReleaseEvent(event);
}

void TXP_ButtonBase::focusInEvent(QFocusEvent* event)
{
    QAbstractButton::focusInEvent(event);
    Focused = true;
    DrawLook(1);
}

void TXP_ButtonBase::focusOutEvent(QFocusEvent* event)
{
    QAbstractButton::focusOutEvent(event);
    Focused = false;
    DrawLook(1);
}

void TXP_ButtonBase::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        DrawLook(1);
}
