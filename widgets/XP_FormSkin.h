#pragma once

#include "XP_FormGeometry.h"

#include <QImage>
#include <QSize>

// The window frame's skin: border and caption bar strips (frame 1 active, 2 inactive) and the
// caption buttons (normal, pressed, hot). What is made of them is kept while skins are cached.
class TXP_FormSkin
{
public:
    // The caption-button images, the maximise button's restore look among them.
    enum TButtonImage
    {
        biClose,
        biMax,
        biRestore,
        biMin,
        biHelp
    };

    // The borders and the caption bar stretched to one frame size.
    struct TBorders
    {
        QImage left, right, caption, bottom;
    };

    // Caption bar height and border thicknesses: one frame of each skin image, which never changes.
    [[nodiscard]] static const TFormMetrics& Metrics();
    // A caption-button frame with its magenta corners cleared.
    [[nodiscard]] static QImage Button(TButtonImage image, int frame);
    // The borders of a frame of that size and activation, kept for the next call alike.
    const TBorders& Borders(QSize size, bool active);

private:
    TBorders m_borders;
    QSize m_size;
    int m_frame = 0; // 1 active, 2 inactive
};
