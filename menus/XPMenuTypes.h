#pragma once

#include <QtGlobal>

// A colour as the form descriptions store it: an RGB triple packed 0x00BBGGRR, or, with the top
// bit set, a reference to a system colour (0x80000000 plus its index) resolved when drawing.
using TColor = quint32;

constexpr TColor clInactiveCaption = 0x80000003;
constexpr TColor clWindow = 0x80000005;
constexpr TColor clMenuText = 0x80000007;
constexpr TColor clHighlight = 0x8000000D;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clBtnShadow = 0x80000010;
constexpr TColor clBlack = 0x000000;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clWhite = 0xFFFFFF;

// Containers whose direct children the control restyling admits. Bit n of a set is ordinal n.
enum TXPContainer
{
    xcForm,       // a top-level window
    xcToolbar,    // QToolBar
    xcCoolbar,    // no Qt container stands in; stored only
    xcControlbar, // no Qt container stands in; stored only
    xcPanel,      // a plain QWidget or QFrame used as a container
    xcScrollBox,  // the content widget of a QScrollArea
    xcFrame,      // stored only
    xcGroupBox,   // QGroupBox
    xcTabSheet,   // a page of a QTabWidget
};

// Kinds of widget the styler styles.
enum TXPControl
{
    xcMainMenu,    // QMenuBar, and the drop-downs of a menu bar or of a tool bar's menu buttons
    xcPopupMenu,   // every other QMenu
    xcCToolbar,    // tool bar buttons
    xcCControlbar, // the handle band of a movable tool bar
    xcCombo,       // QComboBox
    xcEdit,        // QLineEdit, QTextEdit, QPlainTextEdit
    xcCheckBox,    // QCheckBox
    xcRadioButton, // QRadioButton
    xcButton,      // QPushButton
};

using TXPContainers = quint16;
using TXPControls = quint16;

constexpr quint16 XPSet(int ordinal)
{
    return quint16(1u << ordinal);
}

template <typename... Members> constexpr quint16 XPSet(int first, Members... rest)
{
    return quint16(XPSet(first) | XPSet(rest...));
}

constexpr bool XPIn(quint16 set, int ordinal)
{
    return (set & XPSet(ordinal)) != 0;
}

// A widget or its parent carrying this "Tag" property is left alone by the control restyling.
constexpr int kXPExcludeTag = 999;
