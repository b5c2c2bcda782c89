#pragma once

#include "XP_Unit.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

// What a widget shows, and what a skin frame looks like, for pixel comparisons.
inline QImage Shown(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QImage SkinFrame(const char* skin, int count, int index)
{
    QImage frame;
    ExtractFrame(LoadSkin(skin), frame, count, index, true);
    return frame.convertToFormat(QImage::Format_RGB32);
}
