#pragma once

#include <QPoint>
#include <QRect>
#include <QTimer>
#include <functional>

class QEvent;
class QWidget;
class QWindow;

// Moves a framed window by its caption and resizes it by its edges: through the desktop's own move
// and resize loops where it offers them, by following the mouse where nothing does (no window
// manager). A move ends with the window pulled to the screen edges within Magnet pixels.
class TXP_FormDrag
{
public:
    // gripAt: the resize grip under a point of the owner window, none where it offers none.
    TXP_FormDrag(QWidget* owner, std::function<Qt::Edges(QPoint)> gripAt);

    [[nodiscard]] int Magnet() const { return m_magnet; }
    void setMagnet(int distance) { m_magnet = distance; }
    [[nodiscard]] bool Dragging() const { return m_drag != Drag::None; }

    // A left-button press on the caption: the move starts with the first motion.
    void PressCaption(QPoint globalPos);
    // A motion over the frame; true when it carried a move on.
    bool MoveTo(QWindow* window, QPoint globalPos);
    // A left-button release over the frame; true when it ended a drag.
    bool Release();
    // The window moved: a snap that waits for the desktop's move to settle waits on.
    void WindowMoved();
    // Pulls the window to the screen edges that lie within Magnet pixels.
    void Snap();
    // The native window's own events, before any child sees them: the resize grips. True when the
    // event was taken.
    bool WindowEvent(QWindow& window, QEvent* event);

private:
    void SetGripCursor(QWindow& window, Qt::Edges edges, QPoint at);

    enum class Drag
    {
        None,
        PendingMove,
        Move,
        Resize,
        SystemMove
    };

    QWidget* m_owner;
    std::function<Qt::Edges(QPoint)> m_gripAt;
    int m_magnet = 0;
    Drag m_drag = Drag::None;
    Qt::Edges m_dragEdges;
    QPoint m_dragStart;   // global position of the press
    QRect m_dragGeometry; // the owner's geometry at the press
    QTimer m_snapTimer;   // snaps after a move the desktop carried out
    bool m_gripCursor = false;
};
