#pragma once

#include "XPMenuTypes.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QMenu;
class QStyle;
class QToolBar;
class TXPMenuStyle;

// The colours every paint uses, worked out from the properties and the system colours.
struct TXPPalette
{
    QColor Color;
    QColor IconBackColor;
    QColor SelectColor;
    QColor SelectBorderColor;
    QColor SelectFontColor;
    QColor CheckBack;
    QColor CheckBackSelected;
    QColor CheckedColor;
    QColor MenuBarColor;
    QColor DisabledColor;
    QColor SeparatorColor;
    QColor PopupBorder;
    QColor PopupShadow;
    int depth = 32;
    bool highColour = true;
};

// Gives its owner window's menus, tool bars and some standard controls a flat look without
// replacing any of them: menus and tool bars get the styler's own style, the restyled controls
// an event filter that paints over them. Nothing is hooked while Active is false.
class TXPMenu : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int DimLevel READ DimLevel WRITE setDimLevel)
    Q_PROPERTY(int GrayLevel READ GrayLevel WRITE setGrayLevel)
    Q_PROPERTY(QFont Font READ Font WRITE setFont)
    Q_PROPERTY(quint32 FontColor READ FontColor WRITE setFontColor)
    Q_PROPERTY(quint32 Color READ Color WRITE setColor)
    Q_PROPERTY(quint32 IconBackColor READ IconBackColor WRITE setIconBackColor)
    Q_PROPERTY(quint32 MenuBarColor READ MenuBarColor WRITE setMenuBarColor)
    Q_PROPERTY(quint32 SelectColor READ SelectColor WRITE setSelectColor)
    Q_PROPERTY(quint32 SelectBorderColor READ SelectBorderColor WRITE setSelectBorderColor)
    Q_PROPERTY(quint32 SelectFontColor READ SelectFontColor WRITE setSelectFontColor)
    Q_PROPERTY(quint32 DisabledColor READ DisabledColor WRITE setDisabledColor)
    Q_PROPERTY(quint32 SeparatorColor READ SeparatorColor WRITE setSeparatorColor)
    Q_PROPERTY(quint32 CheckedColor READ CheckedColor WRITE setCheckedColor)
    Q_PROPERTY(int IconWidth READ IconWidth WRITE setIconWidth)
    Q_PROPERTY(bool DrawSelect READ DrawSelect WRITE setDrawSelect)
    Q_PROPERTY(bool UseSystemColors READ UseSystemColors WRITE setUseSystemColors)
    Q_PROPERTY(bool OverrideOwnerDraw READ OverrideOwnerDraw WRITE setOverrideOwnerDraw)
    Q_PROPERTY(bool Gradient READ Gradient WRITE setGradient)
    Q_PROPERTY(bool FlatMenu READ FlatMenu WRITE setFlatMenu)
    Q_PROPERTY(bool AutoDetect READ AutoDetect WRITE setAutoDetect)
    Q_PROPERTY(quint16 XPContainers READ XPContainers WRITE setXPContainers)
    Q_PROPERTY(quint16 XPControls READ XPControls WRITE setXPControls)
    Q_PROPERTY(bool Active READ Active WRITE setActive)

public:
    static constexpr TXPContainers kDefaultContainers = XPSet(xcToolbar, xcCoolbar, xcControlbar, xcPanel);
    static constexpr TXPControls kDefaultControls = quint16(XPSet(9) - 1) & ~XPSet(xcEdit);

    explicit TXPMenu(QWidget* owner = nullptr);
    ~TXPMenu() override;

    [[nodiscard]] int DimLevel() const { return m_dimLevel; }
    void setDimLevel(int value);
    [[nodiscard]] int GrayLevel() const { return m_grayLevel; }
    void setGrayLevel(int value);
    [[nodiscard]] QFont Font() const { return m_font; }
    void setFont(const QFont& font);
    [[nodiscard]] TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor colour) { m_fontColor = colour; }
    [[nodiscard]] TColor Color() const { return m_color; }
    void setColor(TColor colour) { SetColour(m_color, colour); }
    [[nodiscard]] TColor IconBackColor() const { return m_iconBackColor; }
    void setIconBackColor(TColor colour) { SetColour(m_iconBackColor, colour); }
    [[nodiscard]] TColor MenuBarColor() const { return m_menuBarColor; }
    void setMenuBarColor(TColor colour);
    [[nodiscard]] TColor SelectColor() const { return m_selectColor; }
    void setSelectColor(TColor colour) { SetColour(m_selectColor, colour); }
    [[nodiscard]] TColor SelectBorderColor() const { return m_selectBorderColor; }
    void setSelectBorderColor(TColor colour) { SetColour(m_selectBorderColor, colour); }
    [[nodiscard]] TColor SelectFontColor() const { return m_selectFontColor; }
    void setSelectFontColor(TColor colour) { SetColour(m_selectFontColor, colour); }
    [[nodiscard]] TColor DisabledColor() const { return m_disabledColor; }
    void setDisabledColor(TColor colour) { SetColour(m_disabledColor, colour); }
    [[nodiscard]] TColor SeparatorColor() const { return m_separatorColor; }
    void setSeparatorColor(TColor colour) { SetColour(m_separatorColor, colour); }
    [[nodiscard]] TColor CheckedColor() const { return m_checkedColor; }
    void setCheckedColor(TColor colour) { SetColour(m_checkedColor, colour); }
    [[nodiscard]] int IconWidth() const { return m_iconWidth; }
    void setIconWidth(int width) { m_iconWidth = width; }
    [[nodiscard]] bool DrawSelect() const { return m_drawSelect; }
    void setDrawSelect(bool on) { m_drawSelect = on; }
    // The palette from the system colours; switching on also takes the system's menu font and
    // text colour, which setFont and setFontColor may replace afterwards.
    [[nodiscard]] bool UseSystemColors() const { return m_useSystemColors; }
    void setUseSystemColors(bool on);
    [[nodiscard]] bool OverrideOwnerDraw() const { return m_overrideOwnerDraw; }
    void setOverrideOwnerDraw(bool on);
    [[nodiscard]] bool Gradient() const { return m_gradient; }
    void setGradient(bool on) { m_gradient = on; }
    [[nodiscard]] bool FlatMenu() const { return m_flatMenu; }
    void setFlatMenu(bool on) { m_flatMenu = on; }
    [[nodiscard]] bool AutoDetect() const { return m_autoDetect; }
    void setAutoDetect(bool on);
    [[nodiscard]] TXPContainers XPContainers() const { return m_containers; }
    void setXPContainers(TXPContainers containers);
    [[nodiscard]] TXPControls XPControls() const { return m_controls; }
    void setXPControls(TXPControls controls);
    [[nodiscard]] bool Active() const { return m_active; }
    void setActive(bool on);

    // The style set on every hooked menu, menu bar and tool bar.
    [[nodiscard]] QStyle* Style() const;
    [[nodiscard]] bool IsStyledByMe(const QWidget* widget) const;

    // Works out the palette for a device of this many bits per pixel; run before every paint, it
    // does the work only after a colour property, the system palette or the depth has changed.
    void RefreshPalette(int depth);
    [[nodiscard]] const TXPPalette& Palette() const { return m_palette; }
    // The colour arithmetic at the depth of the last refresh.
    [[nodiscard]] QColor Lighten(const QColor& colour, int p) const;
    [[nodiscard]] QColor Darken(const QColor& colour, int n) const;
    [[nodiscard]] QColor GreyLevelColor(const QColor& colour, int n) const;
    // The system's menu font; its colour is clMenuText.
    [[nodiscard]] static QFont LoadMenuFont();

    // A menu that drops down from a menu bar or a tool bar's menu button, or below one.
    [[nodiscard]] static bool IsMainMenu(const QMenu* menu);
    // A tool bar that shows a handle band: movable, in a main window's tool bar area.
    [[nodiscard]] static bool IsBand(const QToolBar* bar);
    // Hooks a menu painted for the first time and the menus below it, unless already hooked.
    void HookSiblings(QMenu* menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Hooks or unhooks what the sets admit; an enabling pass also lets go of controls they no
    // longer admit.
    void ApplyStyling(QWidget* container, bool enable, bool repaint, bool controls = true);
    void HookMenu(QWidget* menu, bool enable);
    void HookToolBar(QToolBar* bar, bool enable, bool repaint);
    void HookControl(QWidget* control, bool enable, bool repaint);
    [[nodiscard]] bool MayHook(const QWidget* widget) const;
    void SetOwnStyle(QWidget* widget, bool on);
    void ReplaceSets(TXPContainers containers, TXPControls controls);
    void RedrawMenuBar();
    void WatchInsertions();
    void RemoveSubClasses();
    void SetColour(TColor& property, TColor colour)
    {
        property = colour;
        m_paletteDirty = true;
    }

    QPointer<QWidget> m_owner;
    TXPMenuStyle* m_style;
    bool m_active = false;
    QFont m_font;
    TColor m_fontColor = clMenuText;
    TColor m_color = clBtnFace;
    TColor m_iconBackColor = clBtnFace;
    TColor m_menuBarColor = clBtnFace;
    TColor m_checkedColor = clHighlight;
    TColor m_separatorColor = clBtnFace;
    TColor m_selectBorderColor = clHighlight;
    TColor m_selectColor = clHighlight;
    TColor m_disabledColor = clInactiveCaption;
    TColor m_selectFontColor = clMenuText;
    int m_iconWidth = 24;
    bool m_drawSelect = true;
    bool m_useSystemColors = true;
    TXPPalette m_palette;
    bool m_paletteDirty = true;
    qint64 m_systemPaletteKey = 0;
    bool m_overrideOwnerDraw = false;
    bool m_gradient = false;
    bool m_flatMenu = false;
    bool m_autoDetect = false;
    TXPContainers m_containers = kDefaultContainers;
    TXPControls m_controls = kDefaultControls;
    int m_grayLevel = 10;
    int m_dimLevel = 30;
    bool m_walkPending = false;
};
