#pragma once

#include "XPMenuTypes.h"

#include <QColor>

// The styler's colour arithmetic. Every result is the nearest colour a device of the given depth
// can show, so on a palette device (under 16 bits per pixel) it snaps to the system palette.
class TXPColors
{
public:
    // A stored colour in RGB; system colour references come from the application palette.
    [[nodiscard]] static QColor ColorToRGB(TColor colour);
    [[nodiscard]] static QColor Nearest(const QColor& colour, int depth);

    // Each channel moves p percent (capped at 100) of the way to 255, rounding ties to even.
    [[nodiscard]] static QColor Lighten(const QColor& colour, int p, int depth);
    // Red and blue lose n, green n - 2, each clamped; a negative n lightens.
    [[nodiscard]] static QColor Darken(const QColor& colour, int n, int depth);
    // The grey of the channels' mean plus n, at most 240.
    [[nodiscard]] static QColor GreyLevelColor(const QColor& colour, int n, int depth);
};
