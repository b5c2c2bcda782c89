#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

class TXPCanvas;
class TXPMenu;

// One menu or menu bar item as the painter sees it.
struct TMenuItemInfo
{
    QString caption; // with '&' marking the accelerator
    QString shortcut;
    QImage image; // null without an icon
    bool separator = false;
    bool menuBar = false;
    bool subMenu = false;
    bool rtl = false;
    bool enabled = true;
    bool checked = false;
    bool radio = false;
    bool isDefault = false;
    bool selected = false;
};

// Measures and paints menu items in the flat look, and the flat pop-up frame.
class TMenuItemPainter
{
public:
    explicit TMenuItemPainter(TXPMenu& styler);

    // Only ever enlarges the incoming size, except a separator's height, which is always 4.
    [[nodiscard]] QSize MeasureMenuItem(const TMenuItemInfo& item, const QSize& incoming) const;
    // Paints into the item's rectangle; the palette must be refreshed for the device first.
    void PaintMenuItem(TXPCanvas& canvas, const QRect& rect, const TMenuItemInfo& item) const;
    // A one-pixel border and a two-pixel shadow on the right and bottom of a pop-up of this size.
    void PaintFlatFrame(TXPCanvas& canvas, const QSize& window, bool rtl) const;

private:
    void PaintCheckMark(TXPCanvas& canvas, const TMenuItemInfo& item, const QRect& box) const;

    TXPMenu& m_styler;
};
