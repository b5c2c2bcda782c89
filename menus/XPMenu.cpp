#include "XPMenu.h"

#include "ControlSubClass.h"
#include "XPColors.h"
#include "XPMenuStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QChildEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

namespace {

// Deep enough for any real menu tree, and a stop for menus that contain each other.
constexpr int kMaxMenuDepth = 16;

// Where a hooked tool button keeps the auto-raise it had before.
constexpr char kSavedAutoRaise[] = "_xpmenu_savedAutoRaise";

// What the owner window holds, parents before children, without entering other windows
// (dialogs parented to it are forms of their own); menus are entered, being part of it.
void Collect(QWidget* container, QList<QWidget*>& into)
{
    for (QObject* child : container->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        if (widget->isWindow() && !qobject_cast<QMenu*>(widget))
            continue;
        into << widget;
        Collect(widget, into);
    }
}

// Part of the owner window as Collect sees it: its menus count, other windows do not.
bool Within(const QWidget* owner, const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget()) {
        if (widget == owner)
            return true;
        if (widget->isWindow() && !qobject_cast<const QMenu*>(widget))
            return false;
    }
    return false;
}

bool IsBarPart(const QWidget* widget)
{
    return qobject_cast<const QToolButton*>(widget) || widget->inherits("QToolBarSeparator");
}

int ControlKind(const QWidget* widget)
{
    if (qobject_cast<const QComboBox*>(widget))
        return xcCombo;
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
        qobject_cast<const QPlainTextEdit*>(widget))
        return xcEdit;
    if (qobject_cast<const QCheckBox*>(widget))
        return xcCheckBox;
    if (qobject_cast<const QRadioButton*>(widget))
        return xcRadioButton;
    if (qobject_cast<const QPushButton*>(widget))
        return xcButton;
    return -1;
}

int ContainerKind(const QWidget* parent)
{
    if (!parent)
        return -1;
    if (parent->isWindow())
        return xcForm;
    if (qobject_cast<const QToolBar*>(parent))
        return xcToolbar;
    if (qobject_cast<const QGroupBox*>(parent))
        return xcGroupBox;
    const QWidget* up = parent->parentWidget();
    if (qobject_cast<const QStackedWidget*>(up) && qobject_cast<const QTabWidget*>(up->parentWidget()))
        return xcTabSheet;
    if (up) {
        const auto* area = qobject_cast<const QScrollArea*>(up->parentWidget());
        if (area && area->widget() == parent)
            return xcScrollBox;
    }
    const QMetaObject* meta = parent->metaObject();
    if (meta == &QWidget::staticMetaObject || meta == &QFrame::staticMetaObject)
        return xcPanel;
    return -1;
}

int Tag(const QWidget* widget)
{
    return widget ? widget->property("Tag").toInt() : 0;
}

} // namespace

TXPMenu::TXPMenu(QWidget* owner) : QObject(owner), m_owner(owner), m_style(new TXPMenuStyle(*this))
{
    m_style->setParent(this);
    m_font = LoadMenuFont();
    m_selectFontColor = m_fontColor;
}

TXPMenu::~TXPMenu()
{
    // Going down with the owner: what was hooked goes too, and the subclasses left until then
    // watch the styler through a guarded pointer.
    if (!m_owner || m_owner->children().contains(nullptr))
        return;
    ApplyStyling(m_owner, false, false);
    // Restyled controls would otherwise meet a styler that is gone at their next event.
    RemoveSubClasses();
}

QStyle* TXPMenu::Style() const
{
    return m_style;
}

bool TXPMenu::IsStyledByMe(const QWidget* widget) const
{
    return widget && widget->testAttribute(Qt::WA_SetStyle) && widget->style() == m_style;
}

void TXPMenu::setDimLevel(int value)
{
    m_dimLevel = std::clamp(value, 0, 255);
}

void TXPMenu::setGrayLevel(int value)
{
    m_grayLevel = std::clamp(value, 0, 255);
}

void TXPMenu::setFont(const QFont& font)
{
    m_font = font;
    RedrawMenuBar();
}

void TXPMenu::setMenuBarColor(TColor colour)
{
    SetColour(m_menuBarColor, colour);
    RedrawMenuBar();
}

void TXPMenu::setUseSystemColors(bool on)
{
    // Taken once, when switched on: a font set later is the user's and stays.
    if (on && !m_useSystemColors) {
        m_font = LoadMenuFont();
        m_fontColor = clMenuText;
    }
    m_useSystemColors = on;
    m_paletteDirty = true;
    RedrawMenuBar();
}

void TXPMenu::setOverrideOwnerDraw(bool on)
{
    m_overrideOwnerDraw = on;
    if (m_active && m_owner) {
        ApplyStyling(m_owner, true, true);
        RedrawMenuBar();
    }
}

void TXPMenu::setAutoDetect(bool on)
{
    m_autoDetect = on;
    WatchInsertions();
}

void TXPMenu::setXPContainers(TXPContainers containers)
{
    ReplaceSets(containers, m_controls);
}

void TXPMenu::setXPControls(TXPControls controls)
{
    ReplaceSets(m_containers, controls);
}

void TXPMenu::ReplaceSets(TXPContainers containers, TXPControls controls)
{
    if (containers == m_containers && controls == m_controls)
        return;
    if (!m_active || !m_owner) {
        m_containers = containers;
        m_controls = controls;
        return;
    }
    // Menus and bars: off with the old sets, on with the new. Controls are settled by the second
    // pass alone, so one the new sets still admit keeps its subclass.
    ApplyStyling(m_owner, false, true, false);
    m_containers = containers;
    m_controls = controls;
    ApplyStyling(m_owner, true, true);
}

void TXPMenu::setActive(bool on)
{
    if (on == m_active)
        return;
    m_active = on;
    if (m_owner)
        ApplyStyling(m_owner, on, true);
    RedrawMenuBar();
    WatchInsertions();
}

void TXPMenu::ApplyStyling(QWidget* container, bool enable, bool repaint, bool controls)
{
    QList<QWidget*> widgets;
    Collect(container, widgets);
    for (QWidget* widget : widgets) {
        auto* menu = qobject_cast<QMenu*>(widget);
        auto* menuBar = qobject_cast<QMenuBar*>(widget);
        if (menuBar || menu) {
            const bool main = menuBar || IsMainMenu(menu);
            if (XPIn(m_controls, main ? xcMainMenu : xcPopupMenu))
                HookMenu(widget, enable);
        } else if (auto* bar = qobject_cast<QToolBar*>(widget)) {
            HookToolBar(bar, enable, repaint);
        } else if (controls) {
            HookControl(widget, enable, repaint);
        }
    }
}

bool TXPMenu::MayHook(const QWidget* widget) const
{
    // A style someone else set is theirs, unless told to take over.
    return m_overrideOwnerDraw || !widget->testAttribute(Qt::WA_SetStyle) || widget->style() == m_style;
}

void TXPMenu::SetOwnStyle(QWidget* widget, bool on)
{
    if (on && MayHook(widget) && !IsStyledByMe(widget))
        widget->setStyle(m_style);
    else if (!on && IsStyledByMe(widget))
        widget->setStyle(nullptr);
}

void TXPMenu::HookMenu(QWidget* menu, bool enable)
{
    // A menu without items is left as it is.
    if (menu->actions().isEmpty())
        return;
    SetOwnStyle(menu, enable);
    // Drop-downs are walked on their own too; this catches those parented elsewhere.
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu(); sub && sub != menu && !sub->isAncestorOf(menu))
            SetOwnStyle(sub, enable);
    }
}

void TXPMenu::HookSiblings(QMenu* menu)
{
    QList<QMenu*> pending{menu};
    for (int depth = 0; depth < kMaxMenuDepth && !pending.isEmpty(); ++depth) {
        QList<QMenu*> next;
        for (QMenu* current : std::as_const(pending)) {
            if (!current || IsStyledByMe(current))
                continue;
            SetOwnStyle(current, true);
            for (QAction* action : current->actions())
                next << action->menu();
        }
        pending = next;
    }
}

bool TXPMenu::IsMainMenu(const QMenu* menu)
{
    for (int depth = 0; menu && depth < kMaxMenuDepth; ++depth) {
        const QMenu* parentMenu = nullptr;
        for (QObject* object : menu->menuAction()->associatedObjects()) {
            if (qobject_cast<QMenuBar*>(object))
                return true;
            const auto* button = qobject_cast<QToolButton*>(object);
            if (button && button->menu() == menu && button->popupMode() == QToolButton::InstantPopup)
                return true;
            if (auto* above = qobject_cast<QMenu*>(object); above && above != menu)
                parentMenu = above;
        }
        menu = parentMenu;
    }
    return false;
}

void TXPMenu::HookToolBar(QToolBar* bar, bool enable, bool repaint)
{
    const bool buttons = XPIn(m_controls, xcCToolbar);
    const bool band = XPIn(m_controls, xcCControlbar) && IsBand(bar);
    if (!buttons && !band)
        return;
    const QList<QToolButton*> children = bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly);
    if (buttons) {
        for (QToolButton* button : children) {
            // Flat buttons while hooked; unhooked, each gets its own setting back.
            const QVariant saved = button->property(kSavedAutoRaise);
            if (enable) {
                if (!saved.isValid())
                    button->setProperty(kSavedAutoRaise, button->autoRaise());
                button->setAutoRaise(true);
            } else if (saved.isValid()) {
                button->setAutoRaise(saved.toBool());
                button->setProperty(kSavedAutoRaise, QVariant());
            }
        }
    }
    // A bar without buttons gets no button painting; its band still may.
    if (!enable || band || !bar->actions().isEmpty()) {
        SetOwnStyle(bar, enable);
        const bool mine = IsStyledByMe(bar);
        for (QObject* child : bar->children()) {
            if (auto* part = qobject_cast<QWidget*>(child); part && IsBarPart(part))
                SetOwnStyle(part, mine);
        }
        bar->removeEventFilter(this);
        if (mine)
            bar->installEventFilter(this);
    }
    if (repaint) {
        bar->update();
        for (QToolButton* button : children)
            button->update();
    }
}

bool TXPMenu::IsBand(const QToolBar* bar)
{
    return bar && bar->isMovable() && qobject_cast<const QMainWindow*>(bar->parentWidget());
}

void TXPMenu::HookControl(QWidget* control, bool enable, bool repaint)
{
    const int kind = ControlKind(control);
    if (kind < 0)
        return;
    const int container = ContainerKind(control->parentWidget());
    const bool inSets = XPIn(m_controls, kind) && container >= 0 && XPIn(m_containers, container);
    const bool admitted =
        inSets && Tag(control) != kXPExcludeTag && Tag(control->parentWidget()) != kXPExcludeTag;
    // Let go here: a subclass left to notice by itself would find the styler active again.
    TControlSubClass* subClass = TControlSubClass::Of(control, this);
    if (enable && admitted && !subClass)
        new TControlSubClass(control, this);
    else if ((!enable || !admitted) && subClass)
        subClass->Remove();
    if (repaint && inSets)
        control->update();
}

void TXPMenu::RemoveSubClasses()
{
    if (!m_owner)
        return;
    for (TControlSubClass* subClass : m_owner->findChildren<TControlSubClass*>()) {
        if (subClass->Styler() == this)
            subClass->Remove();
    }
}

void TXPMenu::RedrawMenuBar()
{
    if (!m_owner)
        return;
    for (QMenuBar* bar : m_owner->findChildren<QMenuBar*>())
        bar->update();
}

void TXPMenu::WatchInsertions()
{
    qApp->removeEventFilter(this);
    if (m_active && m_autoDetect)
        qApp->installEventFilter(this);
}

bool TXPMenu::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::ChildPolished) {
        // A button added to a hooked tool bar takes the bar's look.
        auto* bar = qobject_cast<QToolBar*>(watched);
        auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
        if (bar && child && IsStyledByMe(bar) && IsBarPart(child) && !IsStyledByMe(child))
            SetOwnStyle(child, true);
    }
    if (m_autoDetect && m_active && !m_walkPending &&
        (type == QEvent::ChildAdded || type == QEvent::ActionAdded)) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && m_owner && Within(m_owner, widget)) {
            // The new object is not fully built yet: walk once the event loop is back.
            m_walkPending = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_walkPending = false;
                    if (m_active && m_autoDetect && m_owner) {
                        ApplyStyling(m_owner, true, true);
                        RedrawMenuBar();
                    }
                },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

QFont TXPMenu::LoadMenuFont()
{
    QFont font = QApplication::font("QMenu");
    if (font.family() == QLatin1String("MS Sans Serif"))
        font.setFamily(QStringLiteral("Tahoma"));
    return font;
}

void TXPMenu::RefreshPalette(int depth)
{
    // System colour references resolve against the application palette, so a new one counts too.
    const qint64 systemKey = QGuiApplication::palette().cacheKey();
    if (!m_paletteDirty && depth == m_palette.depth && systemKey == m_systemPaletteKey)
        return;
    m_paletteDirty = false;
    m_systemPaletteKey = systemKey;
    TXPPalette& p = m_palette;
    p.depth = depth;
    p.highColour = depth >= 16;
    const auto rgb = [](TColor colour) { return TXPColors::ColorToRGB(colour); };
    const QColor face = rgb(clBtnFace);
    p.Color = rgb(m_color);
    p.IconBackColor = rgb(m_iconBackColor);
    if (p.highColour) {
        p.SelectColor = Lighten(rgb(m_selectColor), 68);
        p.CheckBack = Lighten(rgb(m_selectColor), 80);
        p.CheckBackSelected = Lighten(rgb(m_selectColor), 50);
        p.PopupBorder = Darken(face, 90);
        p.PopupShadow = Darken(face, 76);
    } else {
        p.SelectColor = rgb(m_selectColor);
        p.CheckBack = rgb(clWhite);
        p.CheckBackSelected = rgb(clSilver);
        p.PopupBorder = rgb(clBtnShadow);
        p.PopupShadow = p.PopupBorder;
    }
    p.SelectBorderColor = rgb(m_selectBorderColor);
    p.SelectFontColor = rgb(m_selectFontColor);
    p.MenuBarColor = rgb(m_menuBarColor);
    p.DisabledColor = rgb(m_disabledColor);
    p.CheckedColor = rgb(m_checkedColor);
    p.SeparatorColor = rgb(m_separatorColor);
    if (!m_useSystemColors)
        return;
    p.SelectFontColor = rgb(clMenuText);
    const QColor highlight = rgb(clHighlight);
    const QColor shadow = rgb(clBtnShadow);
    const QColor white = rgb(clWhite);
    p.Color = p.highColour ? Lighten(face, 86) : white;
    p.IconBackColor = p.highColour ? Lighten(face, 16) : face;
    p.SelectColor = p.highColour ? Lighten(highlight, 68) : white;
    p.SelectBorderColor = highlight;
    p.MenuBarColor = face;
    p.DisabledColor = p.highColour ? Lighten(shadow, 10) : shadow;
    p.SeparatorColor = p.highColour ? Lighten(shadow, 25) : shadow;
    p.CheckedColor = highlight;
    p.CheckBack = p.highColour ? Lighten(highlight, 80) : white;
    p.CheckBackSelected = p.highColour ? Lighten(highlight, 50) : white;
}

QColor TXPMenu::Lighten(const QColor& colour, int p) const
{
    return TXPColors::Lighten(colour, p, m_palette.depth);
}

QColor TXPMenu::Darken(const QColor& colour, int n) const
{
    return TXPColors::Darken(colour, n, m_palette.depth);
}

QColor TXPMenu::GreyLevelColor(const QColor& colour, int n) const
{
    return TXPColors::GreyLevelColor(colour, n, m_palette.depth);
}
