#include "XP_FormDrag.h"

#include "XP_FormGeometry.h"
#include "XP_FormWindow.h"

#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

constexpr int kSnapDelayMs = 150; // lets the desktop's last move arrive before snapping

Qt::CursorShape GripCursor(Qt::Edges edges)
{
    if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge))
        return Qt::SizeFDiagCursor;
    if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge))
        return Qt::SizeBDiagCursor;
    return edges & (Qt::LeftEdge | Qt::RightEdge) ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

} // namespace

TXP_FormDrag::TXP_FormDrag(QWidget* owner, std::function<Qt::Edges(QPoint)> gripAt)
    : m_owner(owner), m_gripAt(std::move(gripAt))
{
    m_snapTimer.setSingleShot(true);
    m_snapTimer.setInterval(kSnapDelayMs);
    m_snapTimer.callOnTimeout([this] { Snap(); });
}

void TXP_FormDrag::PressCaption(QPoint globalPos)
{
    // The move starts with the first motion: a desktop's move loop started on the press would
    // take the mouse and swallow the second click of a double-click.
    m_drag = Drag::PendingMove;
    m_dragStart = globalPos;
    m_dragGeometry = m_owner->geometry();
}

bool TXP_FormDrag::MoveTo(QWindow* window, QPoint globalPos)
{
    if (m_drag != Drag::PendingMove && m_drag != Drag::Move)
        return false;
    // Where the desktop moves windows, its move loop carries on from here (the first motion, a
    // pixel or two, is lost); where nothing does, the window follows the mouse.
    if (m_drag == Drag::PendingMove && window && window->startSystemMove()) {
        m_drag = Drag::SystemMove;
        return true;
    }
    m_drag = Drag::Move;
    m_owner->move(m_dragGeometry.topLeft() + globalPos - m_dragStart);
    return true;
}

bool TXP_FormDrag::Release()
{
    if (m_drag == Drag::None)
        return false;
    // The desktop reports its move's last position a little later: snap once it has settled.
    if (m_drag != Drag::SystemMove)
        Snap();
    else if (m_magnet > 0)
        m_snapTimer.start();
    m_drag = Drag::None;
    return true;
}

void TXP_FormDrag::WindowMoved()
{
    if (m_snapTimer.isActive())
        m_snapTimer.start();
}

void TXP_FormDrag::Snap()
{
    m_snapTimer.stop();
    const QScreen* screen = m_owner->screen();
    if (m_magnet <= 0 || !screen)
        return;
    const QRect window = m_owner->frameGeometry();
    const QPoint snapped =
        SnappedToDesk(window, screen->geometry(), TXP_FormWindow::TaskbarReserve(screen), m_magnet);
    if (snapped != window.topLeft())
        m_owner->move(snapped);
}

bool TXP_FormDrag::WindowEvent(QWindow& window, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_drag == Drag::Resize) {
            m_owner->setGeometry(Resized(m_dragGeometry, m_dragEdges,
                                         mouse->globalPosition().toPoint() - m_dragStart,
                                         m_owner->minimumSize(), m_owner->maximumSize()));
            return true;
        }
        if (mouse->buttons() != Qt::NoButton)
            return false;
        const Qt::Edges edges = m_gripAt(mouse->position().toPoint());
        SetGripCursor(window, edges, mouse->position().toPoint());
        return edges != Qt::Edges();
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const Qt::Edges edges = m_gripAt(mouse->position().toPoint());
        if (mouse->button() != Qt::LeftButton || m_drag != Drag::None || !edges)
            return false;
        if (!window.startSystemResize(edges)) {
            m_drag = Drag::Resize;
            m_dragEdges = edges;
            m_dragStart = mouse->globalPosition().toPoint();
            m_dragGeometry = m_owner->geometry();
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (m_drag != Drag::Resize || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        m_drag = Drag::None;
        return true;
    case QEvent::Leave:
        if (m_gripCursor) {
            m_gripCursor = false;
            window.unsetCursor();
        }
        return false;
    default:
        return false;
    }
}

void TXP_FormDrag::SetGripCursor(QWindow& window, Qt::Edges edges, QPoint at)
{
    if (edges) {
        window.setCursor(GripCursor(edges));
        m_gripCursor = true;
    } else if (m_gripCursor) {
        // Back to the cursor of whatever lies under the mouse.
        m_gripCursor = false;
        const QWidget* under = m_owner->childAt(at);
        window.setCursor((under ? under : m_owner)->cursor());
    }
}
