#pragma once

#include "XP_FormGeometry.h"
#include "XP_FormSkin.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

class QPainter;

// What the window frame shows at one paint.
struct TXP_FormLook
{
    QSize size;
    TFormMetrics metrics;
    TFormLayout layout;
    bool bordered = true; // without a border, only the colour shows
    QColor color;
    bool active = true;
    bool maximized = false;   // the maximise button shows its restore look
    int buttonState = cbNone; // a hover code, or a press code (times 10)
    QPixmap picture;          // the caption picture as drawn
    int captionOffSet = 0;    // between the picture and the title
    QFont font;
    QString title;
    bool captionShadow = true;
};

// Composes the frame: its colour, the stretched borders and caption bar, the caption buttons, and
// the picture and title on the caption bar.
class TXP_FormPainter
{
public:
    void Paint(QPainter& canvas, const TXP_FormLook& look);

private:
    static void PaintButtons(QPainter& canvas, const TXP_FormLook& look);
    static void PaintCaption(QPainter& canvas, const TXP_FormLook& look);

    TXP_FormSkin m_skin;
};
