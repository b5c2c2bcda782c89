#include "XP_FormWindow.h"

#include "XP_Unit.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

constexpr int kMaximizeCheckMs = 150;

} // namespace

TXP_FormWindow::TXP_FormWindow(QWidget* frame, QWidget* owner) : m_frame(frame), m_owner(owner) {}

TXP_FormWindow::~TXP_FormWindow()
{
    m_owner->removeEventFilter(m_frame);
    if (m_window)
        m_window->removeEventFilter(m_frame);
}

QWindow* TXP_FormWindow::Window() const
{
    return m_window;
}

void TXP_FormWindow::setTopMost(bool on)
{
    if (Changed(m_topMost, on))
        ApplyTopMost();
}

void TXP_FormWindow::Watch()
{
    m_owner->installEventFilter(m_frame);
    FollowWindow();
}

void TXP_FormWindow::FollowWindow()
{
    if (m_owner->windowHandle() == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(m_frame);
    m_window = m_owner->windowHandle();
    if (m_window)
        m_window->installEventFilter(m_frame);
    ApplyTopMost();
}

void TXP_FormWindow::ApplyTopMost()
{
    if (!m_window) {
        if (m_owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != m_topMost)
            m_owner->setWindowFlag(Qt::WindowStaysOnTopHint, m_topMost);
        return;
    }
    // On the native window, so that a visible owner is not hidden and created anew.
    if (m_window->flags().testFlag(Qt::WindowStaysOnTopHint) != m_topMost) {
        m_window->setFlag(Qt::WindowStaysOnTopHint, m_topMost);
        m_owner->overrideWindowFlags(m_window->flags());
    }
    if (m_topMost && m_window->isVisible())
        m_window->raise();
}

void TXP_FormWindow::StopAboveTaskbar()
{
    if (const QScreen* screen = m_owner->screen()) {
        const int limit = screen->geometry().height() - TaskbarReserve(screen);
        if (limit < m_owner->maximumHeight())
            m_owner->setMaximumHeight(limit);
    }
}

bool TXP_FormWindow::Maximized() const
{
    return m_selfMaximized || (m_owner->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
}

bool TXP_FormWindow::Minimized() const
{
    return m_owner->windowState() & Qt::WindowMinimized;
}

void TXP_FormWindow::ToggleMaximized()
{
    if (Maximized()) {
        if (m_selfMaximized) {
            m_selfMaximized = false;
            m_owner->setGeometry(m_normalGeometry);
            m_frame->update();
        } else {
            m_owner->setWindowState(m_owner->windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
        }
        return;
    }
    const QRect before = m_owner->geometry();
    m_owner->setWindowState((m_owner->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    // Without a window manager nothing on the desktop maximises the window: the frame does it.
    QTimer::singleShot(kMaximizeCheckMs, m_frame, [this, before] {
        if (!m_owner->isVisible() || !(m_owner->windowState() & Qt::WindowMaximized) ||
            m_owner->geometry() != before)
            return;
        const QScreen* screen = m_owner->screen();
        if (!screen)
            return;
        QRect target = screen->availableGeometry();
        target.setSize(target.size().boundedTo(m_owner->maximumSize()));
        m_normalGeometry = before;
        m_selfMaximized = true;
        m_owner->setGeometry(target);
        m_frame->update();
    });
}

void TXP_FormWindow::MinimizeApplication()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && (window->windowType() == Qt::Window || window->windowType() == Qt::Dialog))
            window->showMinimized();
}

int TXP_FormWindow::TaskbarReserve(const QScreen* screen)
{
    if (!screen)
        return 0;
    return std::max(0, screen->geometry().bottom() - screen->availableGeometry().bottom());
}
