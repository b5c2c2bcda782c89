#include "MenuItemPainter.h"

#include "XPCanvas.h"
#include "XPColors.h"
#include "XPMenu.h"
#include "XPPaint.h"

#include <QFontMetrics>
#include <cmath>

TMenuItemPainter::TMenuItemPainter(TXPMenu& styler) : m_styler(styler) {}

QSize TMenuItemPainter::MeasureMenuItem(const TMenuItemInfo& item, const QSize& incoming) const
{
    const QSize imageSize = item.image.size();
    QString text = item.separator ? QString() : item.caption;
    // Three capital W's in the menu font keep the shortcut clear of the caption.
    if (!item.shortcut.trimmed().isEmpty())
        text += item.shortcut + QStringLiteral("WWW");
    const QFontMetrics metrics(m_styler.Font());
    int width = metrics.horizontalAdvance(text);
    if (text.contains(QLatin1Char('&')))
        width -= metrics.horizontalAdvance(QLatin1Char('&'));
    QSize image = imageSize;
    if (!item.menuBar)
        image.setWidth(std::max(image.width(), m_styler.IconWidth()));
    width += image.width() + 10;

    QSize size(std::max(incoming.width(), width), incoming.height());
    if (item.separator) {
        size.setHeight(4);
    } else {
        const int th = metrics.height();
        const int height = std::max(th + int(std::lrint(th * 0.75)), image.height() + 6);
        size.setHeight(std::max(incoming.height(), height));
    }
    return size;
}

void TMenuItemPainter::PaintMenuItem(TXPCanvas& canvas, const QRect& rect, const TMenuItemInfo& item) const
{
    const TXPPalette& p = m_styler.Palette();
    const TXPPaint paint(m_styler);
    const int iconWidth = m_styler.IconWidth();
    const bool listImage = !item.image.isNull();
    QRect R = rect.adjusted(0, 0, 0, 1);
    const int left = R.left();
    const int right = R.left() + R.width();
    const QRect icon = item.rtl ? TXPCanvas::Rect(right - iconWidth, R.top(), right, R.top() + R.height())
                                : QRect(left, R.top(), iconWidth, R.height());
    const QRect box = listImage ? icon.adjusted(1, 2, -3, -2)
                                : QRect(icon.left() + (icon.width() - 10) / 2,
                                        icon.top() + (icon.height() - 10) / 2, 10, 10);
    QRect text = item.rtl ? R.adjusted(0, 0, -iconWidth, 0) : R.adjusted(iconWidth, 0, 0, 0);
    if (item.menuBar) {
        if (listImage) {
            text.adjust(item.rtl ? 0 : -5, 0, item.rtl ? 5 : 0, 0);
        } else {
            R.adjust(item.rtl ? -5 : 0, 0, item.rtl ? 0 : 8, 0);
            text = R;
        }
    }

    QColor back = p.Color;
    if (item.menuBar) {
        back = p.MenuBarColor;
        canvas.FillRect(R, back);
    } else if (p.highColour && m_styler.Gradient()) {
        paint.PaintGradient(canvas, R.adjusted(0, 0, 2, 0), item.rtl);
    } else if (item.enabled || !item.selected) {
        canvas.FillRect(R, p.Color);
        canvas.FillRect(icon, p.IconBackColor);
    }

    if (item.selected && m_styler.DrawSelect()) {
        if (item.menuBar) {
            back = p.SelectColor;
            paint.PaintSelectedBarItem(canvas, true, item.rtl, TXPColors::ColorToRGB(m_styler.MenuBarColor()),
                                       R);
        } else if (item.enabled) {
            back = p.SelectColor;
            canvas.Rectangle(R.adjusted(0, 1, m_styler.FlatMenu() ? -1 : 0, -1), p.SelectBorderColor,
                             p.SelectColor);
        }
    }
    PaintCheckMark(canvas, item, box);

    TIconLook look;
    look.menuItem = true;
    look.rtl = item.rtl;
    look.menuBar = item.menuBar;
    look.checked = item.checked;
    look.enabled = item.enabled;
    look.hot = item.selected;
    paint.PaintItemIcon(canvas, look, icon, item.image);

    if (item.separator) {
        const int y = text.top() + int(std::lrint(text.height() / 2.0));
        const int textRight = text.left() + text.width();
        if (item.rtl)
            canvas.Line(text.left(), y, textRight - 7, y, p.SeparatorColor);
        else
            canvas.Line(text.left() + 7, y, textRight, y, p.SeparatorColor);
        return;
    }
    TTextLook caption =
        TXPPaint::Caption(QLatin1Char(' ') + item.caption, item.rtl ? tfRight | tfRtlReading : tfLeft,
                          m_styler.Font(), TXPColors::ColorToRGB(m_styler.FontColor()));
    caption.rtl = item.rtl;
    caption.menuBar = item.menuBar;
    caption.isDefault = item.isDefault;
    caption.enabled = item.enabled;
    caption.selected = item.selected;
    caption.shortcut = item.shortcut;
    caption.back = back;
    paint.PaintItemText(canvas, caption, text.adjusted(item.rtl ? 0 : 5, 0, item.rtl ? -5 : 0, 0));

    if (item.subMenu && !item.menuBar) {
        // The platform's small arrow towards the sub-menu.
        const QColor arrow = !item.enabled   ? p.DisabledColor
                             : item.selected ? p.SelectFontColor
                                             : caption.colour;
        const int mid = R.top() + R.height() / 2;
        for (int i = 0; i < 4; ++i) {
            const int x = item.rtl ? left + 11 - i : right - 12 + i;
            canvas.Line(x, mid - 3 + i, x, mid + 4 - i, arrow);
        }
    }
}

void TMenuItemPainter::PaintCheckMark(TXPCanvas& canvas, const TMenuItemInfo& item, const QRect& box) const
{
    if (!item.checked)
        return;
    const TXPPalette& p = m_styler.Palette();
    const QColor back = item.selected ? p.CheckBackSelected : p.CheckBack;
    const bool listImage = !item.image.isNull();
    if (item.radio) {
        if (listImage)
            canvas.RoundRect(box, 6, p.SelectBorderColor, back);
        else
            canvas.Ellipse(box, p.SelectBorderColor, back);
        return;
    }
    if (listImage) {
        // Frames the icon drawn next.
        canvas.Rectangle(box, p.SelectBorderColor, back);
        return;
    }
    canvas.Rectangle(box, p.CheckedColor, back);
    const int L = box.left();
    const int T = box.top();
    const int R = box.left() + box.width();
    const int B = box.top() + box.height();
    const QColor tick(0, 0, 0);
    canvas.Line(L + 1, T + 5, L + 4, B - 2, tick);
    canvas.Line(L + 2, T + 5, L + 4, B - 3, tick);
    canvas.Line(L + 2, T + 4, L + 5, B - 3, tick);
    canvas.Line(L + 4, B - 3, R + 2, T - 1, tick);
    canvas.Line(L + 4, B - 2, R - 2, T + 3, tick);
}

void TMenuItemPainter::PaintFlatFrame(TXPCanvas& canvas, const QSize& window, bool rtl) const
{
    const TXPPalette& p = m_styler.Palette();
    const int iconWidth = m_styler.IconWidth();
    const QRect G(QPoint(0, 0), window);
    const int gr = window.width();
    const int gb = window.height();
    const int L = 0;
    const int T = 0;
    const int R = gr - 2;
    const int B = gb - 2;
    canvas.Rectangle(TXPCanvas::Rect(L, T, R, B), p.PopupBorder);
    if (rtl) {
        canvas.Rectangle(TXPCanvas::Rect(L + 1, T + 1, R - 2, T + 3), p.Color);
        canvas.Line(L + 2, T + 2, L + 2, B - 2, p.Color);
        canvas.Line(R - 2, T + 2, R - 2, B - 2, p.IconBackColor);
        canvas.Line(R - 2, T + 2, R - 1 - iconWidth, T + 2, p.IconBackColor);
    } else {
        if (m_styler.Gradient() && p.highColour) {
            TXPPaint(m_styler).PaintGradient(canvas, TXPCanvas::Rect(L + 1, T + 1, R - 3, T + 3), false);
        } else {
            canvas.Rectangle(TXPCanvas::Rect(L + 1, T + 1, R - 1, T + 3), p.Color);
            canvas.Line(L + 1, T + 2, L + 3 + iconWidth, T + 2, p.IconBackColor);
        }
        canvas.Rectangle(TXPCanvas::Rect(L + 1, T + 2, L + 3, B - 1), p.IconBackColor);
    }
    canvas.Rectangle(TXPCanvas::Rect(G.left() + 2, gb - 2, gr, gb), p.PopupShadow);
    canvas.Rectangle(TXPCanvas::Rect(gr - 2, G.top() + 2, gr, gb), p.PopupShadow);
    const QColor face = TXPColors::ColorToRGB(clBtnFace);
    canvas.Rectangle(TXPCanvas::Rect(G.left(), gb - 2, G.left() + 2, gb), face);
    canvas.Rectangle(TXPCanvas::Rect(gr - 2, G.top(), gr, G.top() + 2), face);
}
