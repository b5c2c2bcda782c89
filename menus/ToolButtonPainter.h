#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

class TXPCanvas;
class TXPMenu;

// The tool bar a button sits on.
struct TToolBarInfo
{
    QColor color;             // the bar's own colour
    bool transparent = false; // no background of its own
    bool list = false;        // captions beside the images, not below
    bool showCaptions = false;
};

// One tool button and its state.
struct TToolButtonInfo
{
    QRect bounds;
    int barLeft = 0; // where the button's left edge is in its tool bar
    QImage image;    // null without one
    QString caption;
    bool menuItem = false;     // drops down a menu the way a menu bar item does
    bool dropdownMenu = false; // has a menu of its own
    bool dropDown = false;     // split: the menu behind an arrow part
    bool down = false;
    bool enabled = true;
    bool rtl = false;
    bool hot = false;
    bool selected = false; // pressed, or its menu is open
    bool checked = false;
};

// Draws tool buttons, tool bar separators and the handle band of movable tool bars.
class TToolButtonPainter
{
public:
    explicit TToolButtonPainter(const TXPMenu& styler);

    // The whole button; the palette must be refreshed for the device first.
    void PaintToolButton(TXPCanvas& canvas, const TToolBarInfo& bar, const TToolButtonInfo& button) const;
    // The gap between buttons, with a line only when the separator's Tag is above 0.
    void PaintSeparator(TXPCanvas& canvas, const TToolBarInfo& bar, const QRect& rect, int tag) const;
    // The band's background and a grabber of 3-pixel dashes, darker row by row.
    void PaintControlBarBand(TXPCanvas& canvas, const QColor& barColor, const QRect& rect) const;
    static void PaintDropArrow(TXPCanvas& canvas, int x, int y, const QColor& colour);
    // The background of a bar with a handle band, lighter than the bar on a high-colour device.
    [[nodiscard]] QColor BandColor(const QColor& barColor) const;

private:
    [[nodiscard]] QColor Face(const QColor& barColor) const;

    const TXPMenu& m_styler;
};
