#pragma once

#include <QProxyStyle>

class TXPMenu;
struct TMenuItemInfo;

// The style the styler sets on what it hooks: flat menu items, menu bar items, pop-up frames,
// tool buttons, separators and handle bands. Everything else comes from the application style.
class TXPMenuStyle : public QProxyStyle
{
    Q_OBJECT

public:
    explicit TXPMenuStyle(TXPMenu& styler);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;

private:
    [[nodiscard]] TMenuItemInfo MenuItem(const QStyleOption* option, bool menuBar) const;
    [[nodiscard]] QSize SmallIconSize() const;
    [[nodiscard]] bool DrawsToolButtons(const QWidget* widget) const;
    [[nodiscard]] bool DrawsBand(const QWidget* widget) const;
    void Refresh(QPainter* painter) const;

    TXPMenu& m_styler;
};
