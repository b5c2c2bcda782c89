#include "XPCanvas.h"

#include <QImage>
#include <cstdlib>

TXPCanvas::TXPCanvas(QPainter& painter) : m_painter(painter)
{
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
}

TXPCanvas::~TXPCanvas()
{
    m_painter.restore();
}

void TXPCanvas::FillRect(const QRect& rect, const QColor& colour)
{
    if (rect.width() > 0 && rect.height() > 0)
        m_painter.fillRect(rect, colour);
}

void TXPCanvas::FrameRect(const QRect& rect, const QColor& colour)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    FillRect(QRect(rect.left(), rect.top(), rect.width(), 1), colour);
    FillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), colour);
    FillRect(QRect(rect.left(), rect.top(), 1, rect.height()), colour);
    FillRect(QRect(rect.right(), rect.top(), 1, rect.height()), colour);
}

void TXPCanvas::Rectangle(const QRect& rect, const QColor& pen, const QColor& brush)
{
    if (brush.isValid())
        FillRect(rect.adjusted(1, 1, -1, -1), brush);
    FrameRect(rect, pen);
}

void TXPCanvas::RoundRect(const QRect& rect, int corner, const QColor& pen, const QColor& brush)
{
    m_painter.setPen(pen);
    m_painter.setBrush(brush.isValid() ? QBrush(brush) : QBrush());
    m_painter.drawRoundedRect(rect.adjusted(0, 0, -1, -1), corner / 2.0, corner / 2.0);
}

void TXPCanvas::Ellipse(const QRect& rect, const QColor& pen, const QColor& brush)
{
    m_painter.setPen(pen);
    m_painter.setBrush(brush.isValid() ? QBrush(brush) : QBrush());
    m_painter.drawEllipse(rect.adjusted(0, 0, -1, -1));
}

void TXPCanvas::Line(int x1, int y1, int x2, int y2, const QColor& colour)
{
    if (y1 == y2) {
        FillRect(x1 < x2 ? Rect(x1, y1, x2, y1 + 1) : Rect(x2 + 1, y1, x1 + 1, y1 + 1), colour);
        return;
    }
    if (x1 == x2) {
        FillRect(y1 < y2 ? Rect(x1, y1, x1 + 1, y2) : Rect(x1, y2 + 1, x1 + 1, y1 + 1), colour);
        return;
    }
    // Bresenham from the first point, stopping before the last.
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    m_painter.setPen(colour);
    int error = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        m_painter.drawPoint(x, y);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

void TXPCanvas::Polyline(const QPolygon& points, const QColor& colour)
{
    for (int i = 1; i < points.size(); ++i)
        Line(points[i - 1].x(), points[i - 1].y(), points[i].x(), points[i].y(), colour);
}

QColor TXPCanvas::Pixel(int x, int y, const QColor& fallback) const
{
    const auto* image = dynamic_cast<const QImage*>(m_painter.device());
    if (!image)
        return fallback;
    const QPoint at = m_painter.transform().map(QPoint(x, y));
    return image->valid(at) ? QColor(image->pixel(at)) : fallback;
}
