#include "XP_FormGeometry.h"

#include "XP_Unit.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kGrip = 5;         // resize grips reach past the 3-pixel border
constexpr int kButtonsRight = 8; // gap between the last caption button and the right edge
constexpr int kButtonWidth = 15;
constexpr int kButtonHeight = 16;
constexpr int kPictureLeft = 8;
constexpr int kCornerDiameter = 13;

} // namespace

TFormLayout TFormLayout::Of(QSize size, const TFormMetrics& metrics, TCaptionButtons shown, QSize picture,
                            int iconOffSet, int captionOffSet)
{
    TFormLayout layout;
    layout.caption = QRect(0, 0, size.width(), metrics.caption);
    const int top = (metrics.caption - kButtonHeight) / 2 + 1;
    int right = size.width() - kButtonsRight;
    for (auto [rect, on] : {std::pair{&layout.close, shown.close}, std::pair{&layout.max, shown.max},
                            std::pair{&layout.min, shown.min}, std::pair{&layout.help, shown.help}}) {
        if (!on)
            continue;
        right -= kButtonWidth;
        *rect = QRect(right, top, kButtonWidth, kButtonHeight);
    }
    layout.titleLeft = kPictureLeft;
    if (picture.width() >= 1 && picture.height() >= 1) {
        layout.icon =
            QRect(QPoint(kPictureLeft, (metrics.caption - picture.height()) / 2 + iconOffSet), picture);
        layout.titleLeft = kPictureLeft + picture.width() + 2 + captionOffSet;
    }
    return layout;
}

TCaptionButton TFormLayout::ButtonAt(QPoint at) const
{
    if (Hits(close, at))
        return cbClose;
    if (Hits(max, at))
        return cbMax;
    if (Hits(min, at))
        return cbMin;
    if (Hits(help, at))
        return cbHelp;
    return cbNone;
}

bool Hits(const QRect& rect, QPoint at)
{
    return !rect.isNull() && PointInside(rect, at.x(), at.y());
}

QRect ClientArea(QSize size, const TFormMetrics& metrics)
{
    return {metrics.left, metrics.caption, size.width() - metrics.left - metrics.right,
            size.height() - metrics.caption - metrics.bottom};
}

Qt::Edges GripEdges(QSize size, QPoint at)
{
    const bool left = at.x() < kGrip;
    const bool top = at.y() < kGrip;
    const bool right = at.x() > size.width() - kGrip;
    const bool bottom = at.y() > size.height() - kGrip;
    // First match wins, corners before sides.
    if (left && top)
        return Qt::TopEdge | Qt::LeftEdge;
    if (right && top)
        return Qt::TopEdge | Qt::RightEdge;
    if (right && bottom)
        return Qt::BottomEdge | Qt::RightEdge;
    if (left && bottom)
        return Qt::BottomEdge | Qt::LeftEdge;
    if (left)
        return Qt::LeftEdge;
    if (top)
        return Qt::TopEdge;
    if (right)
        return Qt::RightEdge;
    if (bottom)
        return Qt::BottomEdge;
    return {};
}

QRect Resized(const QRect& start, Qt::Edges edges, QPoint delta, QSize least, QSize most)
{
    QRect g = start;
    if (edges & Qt::LeftEdge)
        g.setLeft(g.right() + 1 - std::clamp(g.width() - delta.x(), least.width(), most.width()));
    else if (edges & Qt::RightEdge)
        g.setWidth(std::clamp(g.width() + delta.x(), least.width(), most.width()));
    if (edges & Qt::TopEdge)
        g.setTop(g.bottom() + 1 - std::clamp(g.height() - delta.y(), least.height(), most.height()));
    else if (edges & Qt::BottomEdge)
        g.setHeight(std::clamp(g.height() + delta.y(), least.height(), most.height()));
    return g;
}

QRegion RoundedTopRegion(QSize size)
{
    QRegion region(0, 0, size.width(), size.height());
    // Cut the top corners along a 13 x 13 ellipse: a pixel stays when its centre lies inside.
    const double r = kCornerDiameter / 2.0;
    for (int y = 0; y < kCornerDiameter / 2; ++y) {
        const double dy = r - (y + 0.5);
        const int cut = int(std::ceil(r - std::sqrt(r * r - dy * dy) - 0.5));
        if (cut <= 0)
            break;
        region -= QRegion(0, y, cut, 1);
        region -= QRegion(size.width() - cut, y, cut, 1);
    }
    return region;
}

QPoint SnappedToDesk(const QRect& window, const QRect& desk, int reserve, int magnet)
{
    if (magnet <= 0)
        return window.topLeft();
    int top = window.top() - desk.top();
    int left = window.left() - desk.left();
    // Each test sees the result of the ones before it; a window partly off the screen comes back.
    if (top <= magnet)
        top = 0;
    if (left <= magnet)
        left = 0;
    if (desk.height() - top - window.height() - reserve <= magnet)
        top = desk.height() - window.height() - reserve;
    if (desk.width() - left - window.width() <= magnet)
        left = desk.width() - window.width();
    return desk.topLeft() + QPoint(left, top);
}
