#include "ToolButtonPainter.h"

#include "XPCanvas.h"
#include "XPColors.h"
#include "XPMenu.h"
#include "XPPaint.h"

#include <QFontMetrics>
#include <cmath>

TToolButtonPainter::TToolButtonPainter(const TXPMenu& styler) : m_styler(styler) {}

QColor TToolButtonPainter::Face(const QColor& barColor) const
{
    return m_styler.Palette().highColour ? m_styler.Lighten(barColor, 16) : barColor;
}

void TToolButtonPainter::PaintToolButton(TXPCanvas& canvas, const TToolBarInfo& bar,
                                         const TToolButtonInfo& button) const
{
    const TXPPalette& p = m_styler.Palette();
    const QRect BR = button.bounds;
    const int brRight = BR.left() + BR.width();
    const int brBottom = BR.top() + BR.height();
    QRect W = BR;
    QColor brush = Face(bar.color);
    if (!bar.transparent)
        canvas.FillRect(W, brush);

    bool fill = false;
    bool framed = false;
    if (button.hot) {
        brush = (button.checked || button.selected || button.down) ? p.CheckBackSelected : p.SelectColor;
        fill = framed = true;
    } else if (button.checked) {
        brush = p.CheckBack;
        fill = framed = true;
    }
    // A menu button under the mouse keeps the bar's colour; only the frame shows.
    if (button.menuItem && button.hot && !button.selected && !button.checked)
        brush = bar.color;
    W.setTop(W.top() + 1);
    if (fill)
        canvas.FillRect(W, brush);
    if (framed) {
        const QRect F = TXPCanvas::Rect(BR.left(), BR.top() + 1, brRight - 1, brBottom - 1);
        const int fr = F.left() + F.width();
        const int fb = F.top() + F.height();
        if (button.dropDown) {
            canvas.FrameRect(TXPCanvas::Rect(F.left(), F.top(), fr - 13 + 1, fb + 1), p.SelectBorderColor);
            canvas.FrameRect(TXPCanvas::Rect(fr - 13, F.top(), fr + 1, fb + 1), p.SelectBorderColor);
        } else {
            canvas.FrameRect(TXPCanvas::Rect(F.left(), F.top(), fr + 1, fb + 1), p.SelectBorderColor);
        }
    }
    if ((button.menuItem || button.dropdownMenu) && button.selected) {
        TXPPaint(m_styler).PaintSelectedBarItem(canvas, false, false, bar.color, W);
        brush = bar.color;
    }

    W = BR;
    if (button.dropDown)
        PaintDropArrow(canvas, brRight - 10, BR.top() + (BR.height() - 3) / 2 + 1, QColor(0, 0, 0));

    const int iw = button.image.isNull() ? 0 : button.image.width();
    if (!button.image.isNull()) {
        int left = W.left();
        int right = brRight - (button.dropDown ? 12 : 0);
        if (bar.list) {
            if (button.rtl) {
                right -= 3;
                left = right - iw;
            } else {
                left += 3;
            }
        } else {
            // Centred in the bar's coordinates, so whether half a pixel rounds up or down depends
            // on where the button stands in the bar, as on the bars this look copies.
            left = int(std::lrint((right - left - iw) / 2.0 + left + button.barLeft)) - button.barLeft;
        }
        const int top = W.top() + 2;
        TIconLook look;
        look.checked = button.checked;
        look.enabled = button.enabled;
        look.pressed = button.selected;
        look.hot = button.hot;
        TXPPaint(m_styler).PaintItemIcon(canvas, look, QRect(left, top, iw, button.image.height() + 6),
                                         button.image);
    }

    if (bar.showCaptions && !button.caption.isEmpty()) {
        int left = W.left();
        int top = W.top();
        int right = brRight - (button.dropDown ? 12 : 0);
        int format = tfCenter;
        if (!bar.list) {
            top = brBottom - QFontMetrics(m_styler.Font()).height() - 3;
        } else if (button.rtl) {
            right -= iw + 7;
            format = tfRight;
        } else {
            left += iw + 6;
            format = tfLeft;
        }
        if (button.menuItem)
            format = tfCenter;
        if (button.rtl)
            format |= tfRtlReading;
        TTextLook look = TXPPaint::Caption(button.caption, format, m_styler.Font(),
                                           TXPColors::ColorToRGB(m_styler.FontColor()));
        look.rtl = button.rtl;
        look.menuBar = button.menuItem;
        look.enabled = button.enabled;
        look.selected = button.selected;
        look.toolButton = true;
        look.back = brush;
        TXPPaint(m_styler).PaintItemText(canvas, look, TXPCanvas::Rect(left, top, right, brBottom));
    }
}

void TToolButtonPainter::PaintSeparator(TXPCanvas& canvas, const TToolBarInfo& bar, const QRect& rect,
                                        int tag) const
{
    if (!bar.transparent)
        canvas.FillRect(rect, Face(bar.color));
    if (tag > 0) {
        const int x = rect.left() + rect.width() / 2;
        canvas.Line(x, rect.top() + 2, x, rect.top() + rect.height() - 1, m_styler.Darken(bar.color, 30));
    }
}

void TToolButtonPainter::PaintControlBarBand(TXPCanvas& canvas, const QColor& barColor,
                                             const QRect& rect) const
{
    canvas.FillRect(rect, BandColor(barColor));
    int shade = 30;
    const int bottom = rect.top() + rect.height();
    for (int y = rect.top() + 5; y <= bottom - 5; ++y) {
        if (y % 2 != 0)
            continue;
        canvas.Line(rect.left() + 3, y, rect.left() + 6, y, m_styler.Darken(barColor, shade));
        shade += 7;
    }
}

QColor TToolButtonPainter::BandColor(const QColor& barColor) const
{
    return m_styler.Palette().highColour ? m_styler.Lighten(barColor, 6) : barColor;
}

void TToolButtonPainter::PaintDropArrow(TXPCanvas& canvas, int x, int y, const QColor& colour)
{
    // Each stroke stays on its own row, so the three make a downward arrow.
    canvas.Line(x, y, x + 4, y, colour);
    canvas.Line(x + 1, y + 1, x + 4, y + 1, colour);
    canvas.Line(x + 2, y + 2, x + 3, y + 2, colour);
}
