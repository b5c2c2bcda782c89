#include "XPPaint.h"

#include "ImageEffects.h"
#include "XPCanvas.h"
#include "XPColors.h"
#include "XPMenu.h"

#include <QFontMetrics>

namespace {

struct TGradientKey
{
    int strips;
    int height;
    QRgb base;
    int iconWidth;
    bool rtl;
    int depth;
    bool operator==(const TGradientKey&) const = default;
};

size_t qHash(const TGradientKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.strips, key.height, key.base, key.iconWidth, key.rtl, key.depth);
}

// Enough for the items and frames of a good number of menus.
constexpr int kGradientCacheKilobytes = 1024;

} // namespace

TXPPaint::TXPPaint(const TXPMenu& styler) : m_styler(styler) {}

TTextLook TXPPaint::Caption(const QString& text, int format, const QFont& font, const QColor& colour)
{
    TTextLook look;
    look.text = text;
    look.format = format;
    look.font = font;
    look.colour = colour;
    return look;
}

void TXPPaint::PaintSelectedBarItem(TXPCanvas& canvas, bool menuItem, bool plain, const QColor& back,
                                    const QRect& rect) const
{
    const TXPPalette& p = m_styler.Palette();
    const int L = rect.left();
    const int T = rect.top();
    const int R = rect.left() + rect.width();
    const int B = rect.top() + rect.height();
    canvas.FillRect(rect, p.SelectColor);
    if (!plain && p.highColour && menuItem) {
        canvas.Polyline({{L, B - 1}, {L, T}, {R - 8, T}, {R - 8, B}}, p.SelectBorderColor);
        const QColor bar = p.MenuBarColor;
        canvas.FillRect(TXPCanvas::Rect(R - 7, T, R, B), m_styler.Darken(bar, 10));
        canvas.FillRect(TXPCanvas::Rect(R - 7, T + 3, R - 2, B), m_styler.Darken(bar, 30));
        canvas.FillRect(TXPCanvas::Rect(R - 7, T + 5, R - 3, B), m_styler.Darken(bar, 60));
        canvas.FillRect(TXPCanvas::Rect(R - 7, T + 6, R - 5, B), m_styler.Darken(bar, 100));
        canvas.Polyline({{R - 5, T + 1}, {R - 1, T + 1}, {R - 1, T + 6}}, bar);
        canvas.Polyline({{R - 3, T + 2}, {R - 2, T + 2}, {R - 2, T + 3}, {R - 3, T + 3}}, bar);
        canvas.Polyline({{R - 6, T + 3}, {R - 3, T + 3}, {R - 3, T + 6}, {R - 4, T + 6}, {R - 4, T + 3}},
                        m_styler.Darken(bar, 10));
        canvas.Polyline({{R - 5, T + 5}, {R - 4, T + 5}, {R - 4, T + 9}}, m_styler.Darken(bar, 30));
        canvas.Line(R - 6, T + 5, R - 6, T + 7, m_styler.Darken(bar, 40));
        return;
    }
    canvas.Polyline({{L, B - 1}, {L, T}, {R - 3, T}, {R - 3, B}}, p.SelectBorderColor);
    canvas.FillRect(TXPCanvas::Rect(R - 2, T + 2, R, B), m_styler.Darken(back, 70));
    canvas.FillRect(TXPCanvas::Rect(R - 2, T, R, T + 2), back);
}

void TXPPaint::PaintItemIcon(TXPCanvas& canvas, const TIconLook& look, const QRect& rect, QImage image) const
{
    if (image.isNull())
        return;
    const TXPPalette& p = m_styler.Palette();
    const int w = image.width();
    int x = rect.left();
    int y = rect.top() + 2;
    if (look.menuItem) {
        y = rect.top() + 4;
        if (w <= m_styler.IconWidth())
            x = rect.left() + (m_styler.IconWidth() - w) / 2 - 1;
        else
            x = look.rtl ? rect.left() + rect.width() - w - 2 : rect.left() + 2;
    }
    const bool lifted = look.hot && look.enabled && !look.checked;
    if (lifted && !look.menuBar && !look.pressed) {
        --x;
        --y;
    }
    if (!look.hot && look.enabled && !look.checked && p.highColour)
        TImageEffects::FadeImage(m_styler, image, m_styler.DimLevel());
    if (!look.enabled) {
        TImageEffects::DesaturateImage(m_styler, image, m_styler.GrayLevel());
        TImageEffects::FadeImage(m_styler, image, 40);
    }
    if (lifted)
        canvas.Painter().drawImage(
            x + 2, y + 2, TImageEffects::SilhouetteShadow(image, m_styler.Darken(p.SelectColor, 50)));
    canvas.Painter().drawImage(x, y, image);
}

void TXPPaint::DrawText(TXPCanvas& canvas, const QString& text, const QRect& rect, int format)
{
    QPainter& painter = canvas.Painter();
    int flags = Qt::AlignTop | Qt::AlignAbsolute | Qt::TextShowMnemonic;
    flags |= (format & tfCenter) ? Qt::AlignHCenter : (format & tfRight) ? Qt::AlignRight : Qt::AlignLeft;
    painter.setLayoutDirection((format & tfRtlReading) ? Qt::RightToLeft : Qt::LeftToRight);
    painter.drawText(rect, flags, text);
}

void TXPPaint::PaintItemText(TXPCanvas& canvas, const TTextLook& look, const QRect& rect) const
{
    const TXPPalette& p = m_styler.Palette();
    QPainter& painter = canvas.Painter();
    painter.setFont(look.font);
    QColor c = look.selected ? p.SelectFontColor : look.colour;
    if (!look.enabled) {
        c = p.DisabledColor;
        if (look.toolButton) {
            // A disabled tool button's caption comes on a box of the current brush.
            canvas.FillRect(rect, look.back);
            painter.setPen(c);
            DrawText(canvas, look.text, rect, look.format);
            return;
        }
    }
    if (look.menuBar && look.selected && m_styler.UseSystemColors())
        c = ContrastTextColor(p.IconBackColor);
    const int L = rect.left();
    const int R = rect.left() + rect.width();
    const int B = rect.top() + rect.height();
    const int T = rect.top() + (rect.height() - QFontMetrics(look.font).height()) / 2;
    if (look.isDefault && look.enabled) {
        struct TPass
        {
            QRect rect;
            int darken;
        };
        const TPass passes[] = {{TXPCanvas::Rect(L + 1, T, R, B), 30},
                                {TXPCanvas::Rect(L + 1, T + 2, R + 1, B), 30},
                                {TXPCanvas::Rect(L, T + 1, R, B), 40},
                                {TXPCanvas::Rect(L + 1, T + 1, R + 1, B), 60}};
        for (const TPass& pass : passes) {
            const QColor under = canvas.Pixel(pass.rect.left(), pass.rect.top(), look.back);
            painter.setPen(m_styler.Darken(under, pass.darken));
            DrawText(canvas, look.text, pass.rect, look.format);
        }
    }
    painter.setPen(c);
    DrawText(canvas, look.text, TXPCanvas::Rect(L, T, R, B), look.format);
    if (look.shortcut.isEmpty())
        return;
    painter.setPen(p.highColour ? m_styler.Darken(c, -40) : c);
    const QRect place = look.rtl ? TXPCanvas::Rect(L + 10, T, R, B) : TXPCanvas::Rect(L, T, R - 10, B);
    DrawText(canvas, look.shortcut + QLatin1Char(' '), place, look.rtl ? tfLeft : tfRight);
}

void TXPPaint::PaintGradient(TXPCanvas& canvas, const QRect& rect, bool rtl) const
{
    // One strip more than the width: from the left edge on, or right to left from the right edge.
    const int strips = rect.width() + 1;
    if (strips <= 0 || rect.height() <= 0)
        return;
    const int iconWidth = m_styler.IconWidth();
    const QColor base = m_styler.Palette().IconBackColor;
    // Items repaint often and share their sizes: the strips are worked out once.
    static QCache<TGradientKey, QImage> cache(kGradientCacheKilobytes);
    const TGradientKey key{strips, rect.height(), base.rgb(), iconWidth, rtl, m_styler.Palette().depth};
    const QImage image = KeptImage(cache, key, [&] {
        QImage made(strips, rect.height(), QImage::Format_RGB32);
        auto* row = reinterpret_cast<QRgb*>(made.scanLine(0));
        int shade = 0;
        for (int i = 0; i < strips; ++i) {
            // Steeper across the icon column.
            const bool steep = rtl ? i < iconWidth - 6 : 0 < i && i < iconWidth + 5;
            shade = std::min(shade + (steep ? 3 : 1), 96);
            row[rtl ? strips - 1 - i : i] = m_styler.Lighten(base, shade).rgb();
        }
        for (int y = 1; y < made.height(); ++y)
            std::copy_n(row, strips, reinterpret_cast<QRgb*>(made.scanLine(y)));
        return made;
    });
    QPainter& painter = canvas.Painter();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rtl ? rect.left() - 1 : rect.left(), rect.top(), image);
    painter.restore();
}

QColor TXPPaint::ContrastTextColor(const QColor& back) const
{
    if ((back.red() + back.blue()) / 2 > 150 || back.green() > 200)
        return TXPColors::ColorToRGB(m_styler.FontColor());
    return m_styler.Lighten(back, 90);
}
