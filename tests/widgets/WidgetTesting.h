#pragma once

#include "widgets/XP_Unit.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

// What a widget shows, and what a skin frame looks like, for pixel comparisons.
inline QImage Shown(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QImage SkinFrame(const char* skin, int count, int index)
{
    return ExtractFrame(LoadSkin(skin), count, index, true).convertToFormat(QImage::Format_RGB32);
}

// The left button pressed, moved with, or released at a screen position.
inline void MouseAt(QWidget* widget, QEvent::Type type, QPoint global)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, widget->mapFromGlobal(global), global, button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

inline void Mouse(QWidget* widget, QEvent::Type type, QPoint at)
{
    MouseAt(widget, type, widget->mapToGlobal(at));
}

// The mouse coming over the widget or going.
inline void Hover(QWidget* widget, bool enters)
{
    QEnterEvent enter(QPointF(5, 8), QPointF(5, 8), QPointF(5, 8));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, enters ? static_cast<QEvent*>(&enter) : &leave);
}

inline void Focus(QWidget* widget)
{
    QFocusEvent focus(QEvent::FocusIn, Qt::OtherFocusReason);
    QApplication::sendEvent(widget, &focus);
}
