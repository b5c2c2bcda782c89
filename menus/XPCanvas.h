#pragma once

#include <QColor>
#include <QPainter>
#include <QPolygon>
#include <QRect>

// Pixel-exact drawing on a painter: rectangles are (left, top, right, bottom) with the right and
// bottom edges outside, lines and polylines leave out their last point, and nothing is smoothed.
class TXPCanvas
{
public:
    explicit TXPCanvas(QPainter& painter);
    ~TXPCanvas();

    [[nodiscard]] static QRect Rect(int left, int top, int right, int bottom)
    {
        return QRect(left, top, right - left, bottom - top);
    }

    [[nodiscard]] QPainter& Painter() { return m_painter; }
    void FillRect(const QRect& rect, const QColor& colour);
    // A one-pixel outline along the rectangle's inner edge.
    void FrameRect(const QRect& rect, const QColor& colour);
    // Outline in pen, inside filled with brush; an invalid brush leaves the inside alone.
    void Rectangle(const QRect& rect, const QColor& pen, const QColor& brush = QColor());
    void RoundRect(const QRect& rect, int corner, const QColor& pen, const QColor& brush);
    void Ellipse(const QRect& rect, const QColor& pen, const QColor& brush);
    void Line(int x1, int y1, int x2, int y2, const QColor& colour);
    void Polyline(const QPolygon& points, const QColor& colour);
    // The colour already at a point; painting on anything but an image gives the fallback.
    [[nodiscard]] QColor Pixel(int x, int y, const QColor& fallback) const;

private:
    QPainter& m_painter;
};
