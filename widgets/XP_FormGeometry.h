#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

// Where the skinned window frame puts its caption buttons, picture, title, client area, resize
// grips and outline, and where it snaps a window, worked out from sizes alone: no window, no skin.

// Border thicknesses and caption bar height.
struct TFormMetrics
{
    int left = 0;
    int right = 0;
    int caption = 0;
    int bottom = 0;
};

// The caption buttons by the codes the frame reports a hover with; a press is the code times 10.
enum TCaptionButton : int
{
    cbNone = 0,
    cbClose = 1,
    cbMax = 2,
    cbMin = 3,
    cbHelp = 4
};

// Which caption buttons the frame shows.
struct TCaptionButtons
{
    bool close = false;
    bool max = false;
    bool min = false;
    bool help = false;
};

// The caption bar, its buttons and its picture in a bordered frame; all null without a border.
struct TFormLayout
{
    QRect caption;
    QRect close;
    QRect max;
    QRect min;
    QRect help;
    QRect icon;        // null without a picture
    int titleLeft = 0; // where the title starts

    // The buttons stand right to left from 8 pixels before the right edge, in the order close,
    // maximise, minimise, help. The picture starts 8 pixels from the left, centred in the caption
    // bar and then moved down by iconOffSet; the title follows it 2 + captionOffSet pixels after.
    [[nodiscard]] static TFormLayout Of(QSize size, const TFormMetrics& metrics, TCaptionButtons shown,
                                        QSize picture, int iconOffSet, int captionOffSet);
    // The caption button under a point, cbNone where there is none.
    [[nodiscard]] TCaptionButton ButtonAt(QPoint at) const;
};

// Whether a rectangle is set and holds the point, its edge one past the last pixel included.
[[nodiscard]] bool Hits(const QRect& rect, QPoint at);

// The area inside the borders and below the caption bar.
[[nodiscard]] QRect ClientArea(QSize size, const TFormMetrics& metrics);

// The resize grip under a point of a frame of that size: 5 pixels along each edge, corners first.
[[nodiscard]] Qt::Edges GripEdges(QSize size, QPoint at);

// The geometry `start` takes when its `edges` follow the mouse by `delta`, within the least and most
// sizes; the opposite edges stay where they are.
[[nodiscard]] QRect Resized(const QRect& start, Qt::Edges edges, QPoint delta, QSize least, QSize most);

// The window's outline: rounded top corners (13 x 13), square bottom corners.
[[nodiscard]] QRegion RoundedTopRegion(QSize size);

// Where a window at `window` ends on a screen `desk` with `reserve` pixels kept free at the bottom,
// pulled to every edge that lies within `magnet` pixels.
[[nodiscard]] QPoint SnappedToDesk(const QRect& window, const QRect& desk, int reserve, int magnet);
