#include "RunInputGuard.h"

#include "widgets/XP_Form.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

TRunInputGuard::TRunInputGuard(QWidget* form, TXP_Form* frame, QWidget* client, std::function<void()> onStop)
    : m_form(form), m_frame(frame), m_client(client), m_onStop(std::move(onStop))
{
    // On the application: shortcuts and key presses reach the focus widget before any filter
    // on the window would see them.
    QCoreApplication::instance()->installEventFilter(this);
}

TRunInputGuard::~TRunInputGuard()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool TRunInputGuard::InForm(QObject* watched) const
{
    const auto* widget = qobject_cast<QWidget*>(watched);
    return widget && widget->window() == m_form;
}

bool TRunInputGuard::InClient(QObject* watched) const
{
    const auto* widget = qobject_cast<QWidget*>(watched);
    return widget && (widget == m_client || m_client->isAncestorOf(widget));
}

bool TRunInputGuard::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        if (!InForm(watched))
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !(key->modifiers() & ~Qt::KeypadModifier) && m_onStop)
            m_onStop();
        return true;
    }
    case QEvent::ShortcutOverride:
        // Taken as an ordinary key, so no menu accelerator fires; the key press is dropped then.
        if (!InForm(watched))
            return false;
        event->accept();
        return true;
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
        return InForm(watched);
    case QEvent::MouseButtonPress: {
        // The close comes only with the release; a batch or two of pages would be done by then.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched == m_frame && mouse->button() == Qt::LeftButton &&
            m_frame->ButtonAt(mouse->position().toPoint()) == cbClose && m_onStop)
            m_onStop();
        return InClient(watched);
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        return InClient(watched);
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return InForm(watched);
    default:
        return false;
    }
}
