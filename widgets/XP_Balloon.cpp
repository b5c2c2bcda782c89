#include "XP_Balloon.h"

#include "XP_Unit.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <algorithm>

namespace {

// The region of a rectangle (right and bottom ends exclusive) whose corners are rounded by
// ellipses of size x size pixels.
QRegion RoundRect(const QRect& rect, int size)
{
    const int w = std::min(size, rect.width());
    const int h = std::min(size, rect.height());
    if (w < 2 || h < 2)
        return QRegion(rect);
    QRegion region(rect.adjusted(w / 2, 0, -(w / 2), 0));
    region += QRegion(rect.adjusted(0, h / 2, 0, -(h / 2)));
    const int right = rect.right() - w + 1;
    const int bottom = rect.bottom() - h + 1;
    for (const QPoint corner :
         {rect.topLeft(), QPoint(right, rect.top()), QPoint(rect.left(), bottom), QPoint(right, bottom)})
        region += QRegion(QRect(corner, QSize(w, h)), QRegion::Ellipse);
    return region;
}

} // namespace

TXP_Balloon::TXP_Balloon(QWidget* owner) : QWidget(owner)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    CoverOwner(this);
    ApplyShape();
}

void TXP_Balloon::setColor(const QColor& color)
{
    if (Changed(m_color, color))
        update();
}

void TXP_Balloon::setBorderColor(const QColor& color)
{
    if (Changed(m_borderColor, color))
        update();
}

void TXP_Balloon::setBorderWidth(int width)
{
    if (width < 1 || width > 10)
        width = 1;
    if (Changed(m_borderWidth, width))
        ApplyBorder();
}

void TXP_Balloon::setBeakPos(TBalloonPos pos)
{
    if (Changed(m_beakPos, pos))
        ApplyShape();
}

void TXP_Balloon::setBeakHeight(int height)
{
    if (Changed(m_beakHeight, height))
        ApplyShape();
}

void TXP_Balloon::setBeakWidth(int width)
{
    if (Changed(m_beakWidth, width))
        ApplyShape();
}

void TXP_Balloon::setBeakRight(int distance)
{
    if (Changed(m_beakRight, distance))
        ApplyShape();
}

void TXP_Balloon::setCorners(int size)
{
    if (Changed(m_corners, size))
        ApplyShape();
}

QRect TXP_Balloon::Body() const
{
    const int L = 0;
    const int T = 0;
    const int R = width();
    const int B = height();
    const int BH = m_beakHeight;
    const auto ltrb = [](int l, int t, int r, int b) { return QRect(QPoint(l, t), QSize(r - l, b - t)); };
    switch (m_beakPos) {
    case bpBottom:
        return ltrb(L, T, R + 1, B - BH + 1);
    case bpTop:
        return ltrb(L, T + BH, R + 1, B);
    case bpLeft:
        return ltrb(L + BH, T, R + 1, B);
    case bpRight:
        break;
    }
    return ltrb(L, T, R + 1 - BH, B);
}

QPolygon TXP_Balloon::Beak() const
{
    const int L = 0;
    const int T = 0;
    const int R = width();
    const int B = height();
    const int BH = m_beakHeight;
    const int BW = m_beakWidth;
    const int BR = m_beakRight;
    switch (m_beakPos) {
    case bpBottom:
        return QPolygon({{R - BR, B - BH}, {R - BR - BW, B - BH}, {R - BR, B}});
    case bpTop:
        return QPolygon({{L + BR, T + BH}, {L + BR + BW, T + BH}, {L + BR, T}});
    case bpLeft:
        return QPolygon({{L + BH, B - BR}, {L + BH, B - BR - BW}, {L, B - BR}});
    case bpRight:
        break;
    }
    return QPolygon({{R - BH, B - BR}, {R - BH, B - BR - BW}, {R, B - BR}});
}

QRegion TXP_Balloon::Shape() const
{
    // Clipped to the control: the body reaches one column past it, and a border drawn around
    // that column would leave the right edge without its line.
    return (RoundRect(Body(), m_corners) + QRegion(Beak(), Qt::WindingFill)) & QRegion(rect());
}

void TXP_Balloon::ApplyShape()
{
    // Given whenever the size or the shape changes, never from the paint, so painting cannot
    // set off another paint.
    m_shape = Shape();
    QWidget* owner = parentWidget();
    if (owner && owner->mask() != m_shape)
        owner->setMask(m_shape);
    ApplyBorder();
}

// The border lies inside the shape, BorderWidth pixels thick on every side.
void TXP_Balloon::ApplyBorder()
{
    const int w = m_borderWidth;
    QRegion inner = m_shape;
    for (const QPoint step : {QPoint(w, 0), QPoint(-w, 0), QPoint(0, w), QPoint(0, -w)})
        inner &= m_shape.translated(step);
    m_border = m_shape - inner;
    update();
}

void TXP_Balloon::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
    for (const QRect& part : m_border)
        painter.fillRect(part, m_borderColor);
}

void TXP_Balloon::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ApplyShape();
}

void TXP_Balloon::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // Taken here either way: the form never hears a press on its balloon.
    if (!m_canMoved)
        return;
    QWidget* form = window();
    if (QWindow* handle = form->windowHandle(); handle && handle->startSystemMove())
        return;
    m_dragging = true;
    m_grip = event->globalPosition().toPoint() - form->pos();
}

void TXP_Balloon::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        window()->move(event->globalPosition().toPoint() - m_grip);
}

void TXP_Balloon::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    else
        event->ignore();
}
