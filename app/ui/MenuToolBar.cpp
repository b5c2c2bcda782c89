#include "MenuToolBar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QThread>
#include <QToolBar>
#include <QToolButton>

TMenuToolBar::TMenuToolBar(QToolBar* bar) : QObject(bar), m_bar(bar)
{
    for (QAction* action : m_bar->actions()) {
        auto* button = qobject_cast<QToolButton*>(m_bar->widgetForAction(action));
        QMenu* menu = button ? button->menu() : nullptr;
        if (!menu)
            continue;
        m_buttons << button;
        m_buttonOf.insert(menu, button);
        connect(menu, &QMenu::aboutToShow, this, [this] {
            // The menu's own event loop runs one level deeper than this.
            m_openLevel = QThread::currentThread()->loopLevel();
        });
        connect(menu, &QMenu::aboutToHide, this, &TMenuToolBar::MenuClosed);
    }
    // Menus, the bar and the keys typed anywhere in its window all pass here.
    qApp->installEventFilter(this);
}

QList<QToolButton*> TMenuToolBar::Buttons() const
{
    QList<QToolButton*> buttons;
    for (QToolButton* button : m_buttons) {
        if (button)
            buttons << button;
    }
    return buttons;
}

QToolButton* TMenuToolBar::ButtonOf(const QMenu* menu) const
{
    QToolButton* button = m_buttonOf.value(menu);
    return button && button->menu() == menu ? button : nullptr;
}

QToolButton* TMenuToolBar::Neighbour(QToolButton* from, int step) const
{
    const QList<QToolButton*> buttons = Buttons();
    const int count = int(buttons.size());
    const int start = int(buttons.indexOf(from));
    for (int i = 1; i <= count; ++i) {
        QToolButton* next = buttons[((start + step * i) % count + count) % count];
        if (next->isEnabled() && next->isVisible())
            return next;
    }
    return from;
}

bool TMenuToolBar::eventFilter(QObject* watched, QEvent* event)
{
    if (auto* menu = qobject_cast<QMenu*>(watched); menu && ButtonOf(menu))
        return MenuEvent(menu, event);
    if (watched == m_bar && m_selected) {
        if (event->type() == QEvent::KeyPress)
            return BarKey(static_cast<QKeyEvent*>(event)->key());
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            Leave(false);
    }
    WindowEvent(watched, event);
    return QObject::eventFilter(watched, event);
}

bool TMenuToolBar::MenuEvent(QMenu* menu, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (m_keyboardOpen) {
            // Opened from the keyboard: the first item is selected, as on a menu bar.
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator() && action->isEnabled()) {
                    menu->setActiveAction(action);
                    break;
                }
            }
        }
        break;
    case QEvent::MouseMove: {
        // The open menu has the mouse; pointing at another button of the bar opens its menu.
        const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if (menu->rect().contains(menu->mapFromGlobal(global)))
            break;
        auto* button = qobject_cast<QToolButton*>(m_bar->childAt(m_bar->mapFromGlobal(global)));
        if (button && button->menu() && button->menu() != menu && button->isEnabled() &&
            ButtonOf(button->menu()) == button)
            SwitchTo(menu, button, false);
        break;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Left && key != Qt::Key_Right)
            break;
        // Right on an item with a sub-menu opens the sub-menu instead.
        if (key == Qt::Key_Right && menu->activeAction() && menu->activeAction()->menu())
            break;
        SwitchTo(menu, Neighbour(ButtonOf(menu), key == Qt::Key_Right ? 1 : -1), true);
        return true;
    }
    default:
        break;
    }
    return false;
}

bool TMenuToolBar::BarKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        Select(Neighbour(m_selected, key == Qt::Key_Right ? 1 : -1));
        return true;
    case Qt::Key_Down:
    case Qt::Key_Up:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Open(m_selected, true);
        return true;
    case Qt::Key_Escape:
        Leave(true);
        return true;
    default:
        break;
    }
    // A menu's accelerator letter opens it, without Alt while the bar is selected.
    for (QToolButton* button : Buttons()) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(button->text());
        if (!mnemonic.isEmpty() && mnemonic[0].key() == key && button->isEnabled()) {
            Select(button);
            Open(button, true);
            return true;
        }
    }
    return false;
}

void TMenuToolBar::WindowEvent(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride &&
        type != QEvent::MouseButtonPress)
        return;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_bar->window() || QApplication::activePopupWidget())
        return;
    if (type == QEvent::MouseButtonPress) {
        m_altPressed = false;
        if (m_selected && !m_bar->isAncestorOf(widget))
            Leave(false);
        return;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress && key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier) {
        m_selected ? Leave(true) : Select(Neighbour(nullptr, 1));
        return;
    }
    if (key->key() != Qt::Key_Alt) {
        m_altPressed = false; // Alt with another key is an accelerator, not the bar
        return;
    }
    if (type == QEvent::KeyPress && !key->isAutoRepeat())
        m_altPressed = key->modifiers() == Qt::AltModifier;
    else if (type == QEvent::KeyRelease && m_altPressed) {
        m_altPressed = false;
        m_selected ? Leave(true) : Select(Neighbour(nullptr, 1));
    }
}

void TMenuToolBar::SwitchTo(QMenu* open, QToolButton* next, bool keyboard)
{
    if (!next || next->menu() == open)
        return;
    m_pending = next;
    m_pendingKeyboard = keyboard;
    open->hide();
}

void TMenuToolBar::Open(QToolButton* button, bool keyboard)
{
    if (!button)
        return;
    // The button still inside the closed menu's event loop tidies up first.
    if (m_openLevel > 0 && QThread::currentThread()->loopLevel() > m_openLevel) {
        QMetaObject::invokeMethod(
            this, [this, button = QPointer(button), keyboard] { Open(button, keyboard); },
            Qt::QueuedConnection);
        return;
    }
    m_keyboardOpen = keyboard;
    if (keyboard)
        Select(button);
    QMetaObject::invokeMethod(button, &QToolButton::showMenu, Qt::QueuedConnection);
}

void TMenuToolBar::MenuClosed()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            QPointer<QToolButton> next = m_pending;
            m_pending = nullptr;
            if (next) {
                RefreshHover();
                Open(next, m_pendingKeyboard);
                return;
            }
            // Closed by a choice, Esc or a click elsewhere: the bar is left.
            if (!QApplication::activePopupWidget()) {
                m_keyboardOpen = false;
                Leave(m_selected != nullptr);
            }
        },
        Qt::QueuedConnection);
}

void TMenuToolBar::Select(QToolButton* button)
{
    if (!m_selected && button) {
        m_lastFocus = QApplication::focusWidget();
        m_bar->setFocus(Qt::MenuBarFocusReason);
    }
    m_selected = button;
    for (QToolButton* each : Buttons()) {
        each->setAttribute(Qt::WA_UnderMouse, each == button);
        each->update();
    }
}

void TMenuToolBar::Leave(bool restoreFocus)
{
    const bool wasSelected = m_selected != nullptr;
    m_selected = nullptr;
    if (wasSelected && restoreFocus && m_lastFocus && m_bar->hasFocus())
        m_lastFocus->setFocus(Qt::MenuBarFocusReason);
    m_lastFocus = nullptr;
    RefreshHover();
}

void TMenuToolBar::RefreshHover()
{
    // While a menu is open the buttons hear of no leaving mouse; look where it is now.
    for (QToolButton* button : Buttons()) {
        const bool under =
            button == m_selected ||
            (button->isVisible() && button->rect().contains(button->mapFromGlobal(QCursor::pos())));
        if (button->testAttribute(Qt::WA_UnderMouse) != under) {
            button->setAttribute(Qt::WA_UnderMouse, under);
            button->update();
        }
    }
}
