#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QToolButton>

class QMenu;
class QToolBar;
class QWidget;

// Makes a tool bar of menu buttons behave as a menu bar: while one of its menus is open,
// pointing at another button opens that one's menu and Left and Right move between the menus;
// F10 or Alt alone selects the bar for the keyboard; Esc leaves it; a button keeps no hover
// frame once its menu has closed with the mouse elsewhere.
class TMenuToolBar : public QObject
{
    Q_OBJECT

public:
    // Serves the menu buttons the bar holds now; owned by the bar.
    explicit TMenuToolBar(QToolBar* bar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The menu buttons found at the start that are still there, in the bar's order.
    [[nodiscard]] QList<QToolButton*> Buttons() const;
    [[nodiscard]] QToolButton* ButtonOf(const QMenu* menu) const;
    [[nodiscard]] QToolButton* Neighbour(QToolButton* from, int step) const;
    bool MenuEvent(QMenu* menu, QEvent* event);
    bool BarKey(int key);
    void WindowEvent(QObject* watched, QEvent* event);
    // Closes this menu and opens the one of another button once it is gone.
    void SwitchTo(QMenu* open, QToolButton* next, bool keyboard);
    void Open(QToolButton* button, bool keyboard);
    void MenuClosed();
    void Select(QToolButton* button);
    void Leave(bool restoreFocus);
    void RefreshHover();

    QToolBar* m_bar;
    // Found once: the filter sees every event of the application.
    QList<QPointer<QToolButton>> m_buttons;
    QHash<const QMenu*, QPointer<QToolButton>> m_buttonOf;
    QPointer<QToolButton> m_selected;
    QPointer<QToolButton> m_pending;
    QPointer<QWidget> m_lastFocus;
    bool m_pendingKeyboard = false;
    bool m_keyboardOpen = false;
    bool m_altPressed = false;
    int m_openLevel = 0;
};
