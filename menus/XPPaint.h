#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

class TXPCanvas;
class TXPMenu;

// Text placement flags, as the text routine of the classic platform took them.
enum TTextFormat : int
{
    tfLeft = 0,
    tfCenter = 1,
    tfRight = 2,
    tfRtlReading = 0x20000,
};

// How an icon is shown.
struct TIconLook
{
    bool menuItem = false; // placed in a menu's icon column
    bool rtl = false;
    bool menuBar = false;
    bool checked = false;
    bool enabled = true;
    bool pressed = false;
    bool hot = false;
};

// A caption and how it is shown.
struct TTextLook
{
    QString text;
    int format = tfLeft;
    QFont font;
    QColor colour;
    bool rtl = false;
    bool menuBar = false;
    bool isDefault = false;
    bool enabled = true;
    bool selected = false;
    bool toolButton = false;
    QString shortcut;
    QColor back; // what lies under the text: the brush of a disabled tool button's caption box
};

// The drawing shared by menu items, tool buttons and restyled buttons.
class TXPPaint
{
public:
    explicit TXPPaint(const TXPMenu& styler);

    [[nodiscard]] static TTextLook Caption(const QString& text, int format, const QFont& font,
                                           const QColor& colour);

    // The selected look: fill, an outline open at the bottom, and a shadow on the right (soft for
    // menu items on a high-colour device unless plain, a two-pixel strip otherwise).
    void PaintSelectedBarItem(TXPCanvas& canvas, bool menuItem, bool plain, const QColor& back,
                              const QRect& rect) const;
    // An icon dimmed, greyed or lifted over its shadow as its item's state asks.
    void PaintItemIcon(TXPCanvas& canvas, const TIconLook& look, const QRect& rect, QImage image) const;
    // Caption (with the default item's halo) and shortcut.
    void PaintItemText(TXPCanvas& canvas, const TTextLook& look, const QRect& rect) const;
    // Vertical strips from the icon background towards white.
    void PaintGradient(TXPCanvas& canvas, const QRect& rect, bool rtl) const;
    [[nodiscard]] QColor ContrastTextColor(const QColor& back) const;
    // Text as the classic text routine placed it: from the top, ampersands marking accelerators.
    static void DrawText(TXPCanvas& canvas, const QString& text, const QRect& rect, int format);

private:
    const TXPMenu& m_styler;
};
