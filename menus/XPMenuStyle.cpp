#include "XPMenuStyle.h"

#include "ImageEffects.h"
#include "MenuItemPainter.h"
#include "ToolButtonPainter.h"
#include "XPCanvas.h"
#include "XPColors.h"
#include "XPMenu.h"

#include <QPainter>
#include <QStyleOption>
#include <QToolBar>
#include <QToolButton>

namespace {

// Icons are drawn at the size they were made in, as image lists held them.
QSize IconSize(const QIcon& icon, const QSize& fallback)
{
    if (icon.isNull())
        return {0, 0};
    const QList<QSize> sizes = icon.availableSizes();
    return sizes.isEmpty() ? fallback : sizes.first();
}

QImage IconImage(const QIcon& icon, const QSize& fallback)
{
    return icon.isNull() ? QImage() : TImageEffects::PreparedIcon(icon, IconSize(icon, fallback), true);
}

const QToolBar* BarOf(const QWidget* widget)
{
    return widget ? qobject_cast<const QToolBar*>(widget->parentWidget()) : nullptr;
}

TToolBarInfo BarInfo(const QToolBar* bar, const QWidget* widget)
{
    TToolBarInfo info;
    const QWidget* source = bar ? static_cast<const QWidget*>(bar) : widget;
    info.color = source ? source->palette().color(QPalette::Window) : QColor();
    info.transparent = bar && bar->property("Transparent").toBool();
    return info;
}

// Drop-down items get the room of a check mark beyond what they ask for, as the classic
// platform gave every owner-drawn item.
constexpr int kCheckMarkWidth = 13;

// Qt's menus add the widest shortcut to every item themselves.
int ShortcutWidth(const QStyleOptionMenuItem& option)
{
    const qsizetype tab = option.text.indexOf(QLatin1Char('\t'));
    return tab < 0 ? 0 : option.fontMetrics.horizontalAdvance(option.text.mid(tab + 1));
}

} // namespace

TXPMenuStyle::TXPMenuStyle(TXPMenu& styler) : m_styler(styler) {}

void TXPMenuStyle::Refresh(QPainter* painter) const
{
    m_styler.RefreshPalette(painter->device() ? painter->device()->depth() : 32);
}

bool TXPMenuStyle::DrawsToolButtons(const QWidget* widget) const
{
    return m_styler.Active() && XPIn(m_styler.XPControls(), xcCToolbar) &&
           (!widget || qobject_cast<const QToolBar*>(widget) || BarOf(widget) ||
            qobject_cast<const QToolButton*>(widget));
}

bool TXPMenuStyle::DrawsBand(const QWidget* widget) const
{
    return m_styler.Active() && XPIn(m_styler.XPControls(), xcCControlbar) &&
           TXPMenu::IsBand(qobject_cast<const QToolBar*>(widget));
}

QSize TXPMenuStyle::SmallIconSize() const
{
    const int small = baseStyle()->pixelMetric(PM_SmallIconSize);
    return {small, small};
}

TMenuItemInfo TXPMenuStyle::MenuItem(const QStyleOption* option, bool menuBar) const
{
    TMenuItemInfo item;
    const auto* menuItem = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (!menuItem)
        return item;
    const qsizetype tab = menuItem->text.indexOf(QLatin1Char('\t'));
    item.caption = tab < 0 ? menuItem->text : menuItem->text.left(tab);
    item.shortcut = tab < 0 ? QString() : menuItem->text.mid(tab + 1);
    item.separator = menuItem->menuItemType == QStyleOptionMenuItem::Separator;
    item.subMenu = menuItem->menuItemType == QStyleOptionMenuItem::SubMenu;
    item.isDefault = menuItem->menuItemType == QStyleOptionMenuItem::DefaultItem;
    item.menuBar = menuBar;
    item.rtl = option->direction == Qt::RightToLeft;
    item.enabled = option->state & State_Enabled;
    item.selected = option->state & (State_Selected | State_Sunken);
    item.checked = menuItem->checkType != QStyleOptionMenuItem::NotCheckable && menuItem->checked;
    item.radio = menuItem->checkType == QStyleOptionMenuItem::Exclusive;
    item.image = IconImage(menuItem->icon, SmallIconSize());
    return item;
}

void TXPMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    const bool menuItem = element == CE_MenuItem;
    if (m_styler.Active() && (menuItem || element == CE_MenuBarItem)) {
        Refresh(painter);
        TXPCanvas canvas(*painter);
        TMenuItemPainter(m_styler).PaintMenuItem(canvas, option->rect, MenuItem(option, !menuItem));
        return;
    }
    if (m_styler.Active() && element == CE_MenuBarEmptyArea) {
        Refresh(painter);
        TXPCanvas(*painter).FillRect(option->rect, m_styler.Palette().MenuBarColor);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void TXPMenuStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                      QPainter* painter, const QWidget* widget) const
{
    const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(option);
    if (control != CC_ToolButton || !tool || !DrawsToolButtons(widget)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    Refresh(painter);
    const auto* button = qobject_cast<const QToolButton*>(widget);
    const QToolBar* bar = BarOf(widget);
    TToolBarInfo barInfo = BarInfo(bar, widget);
    barInfo.list = tool->toolButtonStyle == Qt::ToolButtonTextBesideIcon;
    barInfo.showCaptions = tool->toolButtonStyle != Qt::ToolButtonIconOnly;
    TToolButtonInfo info;
    info.bounds = option->rect;
    info.barLeft = bar ? widget->x() : 0;
    if (tool->toolButtonStyle != Qt::ToolButtonTextOnly)
        info.image = IconImage(tool->icon, tool->iconSize);
    info.caption = tool->text;
    info.menuItem = button && button->menu() && button->popupMode() == QToolButton::InstantPopup;
    info.dropdownMenu = tool->features & QStyleOptionToolButton::HasMenu;
    info.dropDown = tool->features & QStyleOptionToolButton::MenuButtonPopup;
    info.down = button && button->isDown();
    info.enabled = option->state & State_Enabled;
    info.rtl = option->direction == Qt::RightToLeft;
    info.hot = info.enabled && (option->state & State_MouseOver);
    info.selected = option->state & State_Sunken;
    info.checked = option->state & State_On;
    TXPCanvas canvas(*painter);
    TToolButtonPainter(m_styler).PaintToolButton(canvas, barInfo, info);
    if (info.menuItem && XPIn(m_styler.XPControls(), xcMainMenu))
        m_styler.HookSiblings(button->menu());
}

void TXPMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    switch (element) {
    case PE_FrameMenu:
        if (m_styler.Active()) {
            Refresh(painter);
            TXPCanvas canvas(*painter);
            if (m_styler.FlatMenu())
                TMenuItemPainter(m_styler).PaintFlatFrame(canvas, option->rect.size(),
                                                          option->direction == Qt::RightToLeft);
            else // the plain frame of a classic pop-up
                canvas.FrameRect(option->rect, TXPColors::ColorToRGB(clBtnShadow));
            return;
        }
        break;
    case PE_PanelMenu:
        // The platform's own frame stays unless the flat one replaces it.
        if (m_styler.Active() && m_styler.FlatMenu()) {
            Refresh(painter);
            TXPCanvas(*painter).FillRect(option->rect, m_styler.Palette().Color);
            return;
        }
        break;
    case PE_PanelToolBar:
        if (DrawsBand(widget) || DrawsToolButtons(widget)) {
            Refresh(painter);
            const TToolBarInfo bar = BarInfo(qobject_cast<const QToolBar*>(widget), widget);
            const QColor fill =
                DrawsBand(widget) ? TToolButtonPainter(m_styler).BandColor(bar.color) : bar.color;
            if (!bar.transparent)
                TXPCanvas(*painter).FillRect(option->rect, fill);
            return;
        }
        break;
    case PE_IndicatorToolBarHandle:
        if (DrawsBand(widget)) {
            Refresh(painter);
            TXPCanvas canvas(*painter);
            TToolButtonPainter(m_styler).PaintControlBarBand(
                canvas, BarInfo(qobject_cast<const QToolBar*>(widget), widget).color, option->rect);
            return;
        }
        break;
    case PE_IndicatorToolBarSeparator:
        if (DrawsToolButtons(widget)) {
            Refresh(painter);
            // Qt hands over the bar; the separator itself is what is being painted on.
            const auto* bar = qobject_cast<const QToolBar*>(widget);
            const auto* separator = dynamic_cast<const QWidget*>(painter->device());
            const QAction* action = bar && separator && separator->parentWidget() == bar
                                        ? bar->actionAt(separator->geometry().center())
                                        : nullptr;
            TXPCanvas canvas(*painter);
            TToolButtonPainter(m_styler).PaintSeparator(canvas, BarInfo(bar, widget), option->rect,
                                                        action ? action->property("Tag").toInt() : 0);
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

QSize TXPMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                     const QWidget* widget) const
{
    if (m_styler.Active() && (type == CT_MenuItem || type == CT_MenuBarItem)) {
        // The icon's image is kept, so measuring makes only what the first paint would.
        const TMenuItemInfo item = MenuItem(option, type == CT_MenuBarItem);
        const auto* menuItem = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        QSize measured = TMenuItemPainter(m_styler).MeasureMenuItem(item, size);
        if (menuItem && type == CT_MenuItem)
            measured.setWidth(std::max(size.width(), measured.width() - ShortcutWidth(*menuItem)) +
                              kCheckMarkWidth);
        return measured;
    }
    const auto* button = qobject_cast<const QToolButton*>(widget);
    if (type == CT_ToolButton && DrawsToolButtons(widget) && button && button->menu() &&
        button->popupMode() == QToolButton::InstantPopup &&
        (button->toolButtonStyle() == Qt::ToolButtonTextOnly || button->icon().isNull())) {
        // A menu button is its caption with a little room, as on a menu bar.
        return QSize(size.width() + 12, 22);
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int TXPMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (m_styler.Active()) {
        switch (metric) {
        case PM_MenuPanelWidth:
            return m_styler.FlatMenu() ? 3 : 1;
        case PM_MenuHMargin:
        case PM_MenuVMargin:
            return 0;
        case PM_MenuButtonIndicator:
            if (const auto* button = qobject_cast<const QToolButton*>(widget);
                button && button->popupMode() == QToolButton::InstantPopup)
                return 0;
            break;
        case PM_ToolBarItemSpacing:
        case PM_ToolBarItemMargin:
        case PM_ToolBarFrameWidth:
            if (DrawsToolButtons(widget))
                return 0;
            break;
        default:
            break;
        }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}
