#include "XP_FormPainter.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

const QColor kInactiveText(212, 208, 200);

} // namespace

void TXP_FormPainter::Paint(QPainter& canvas, const TXP_FormLook& look)
{
    const int W = look.size.width();
    const int H = look.size.height();
    canvas.fillRect(QRect(0, 0, W, H), look.color);
    if (!look.bordered)
        return;
    const TXP_FormSkin::TBorders& borders = m_skin.Borders(look.size, look.active);
    canvas.drawImage(W - look.metrics.right, 0, borders.right);
    canvas.drawImage(0, 0, borders.left);
    canvas.drawImage(look.metrics.left, 0, borders.caption);
    canvas.drawImage(look.metrics.left, H - look.metrics.bottom, borders.bottom);
    PaintButtons(canvas, look);
    PaintCaption(canvas, look);
}

void TXP_FormPainter::PaintButtons(QPainter& canvas, const TXP_FormLook& look)
{
    const struct
    {
        const QRect& rect;
        TXP_FormSkin::TButtonImage image;
        int code;
    } buttons[] = {{look.layout.close, TXP_FormSkin::biClose, cbClose},
                   {look.layout.max, look.maximized ? TXP_FormSkin::biRestore : TXP_FormSkin::biMax, cbMax},
                   {look.layout.min, TXP_FormSkin::biMin, cbMin},
                   {look.layout.help, TXP_FormSkin::biHelp, cbHelp}};
    for (const auto& button : buttons) {
        if (button.rect.isNull())
            continue;
        const int frame = look.buttonState == button.code ? 3 : look.buttonState == button.code * 10 ? 2 : 1;
        canvas.drawImage(button.rect.topLeft(), TXP_FormSkin::Button(button.image, frame));
    }
}

void TXP_FormPainter::PaintCaption(QPainter& canvas, const TXP_FormLook& look)
{
    if (!look.layout.icon.isNull())
        canvas.drawPixmap(look.layout.icon.topLeft(), look.picture);
    canvas.setFont(look.font);
    const QFontMetrics metrics(look.font);
    const int left = look.layout.titleLeft;
    const int top = (look.metrics.caption - metrics.height()) / 2;
    if (look.captionShadow) {
        canvas.setPen(Qt::black);
        canvas.drawText(left + 1, top + 2 + metrics.ascent(), look.title);
    }
    canvas.setPen(look.active ? QColor(Qt::white) : kInactiveText);
    canvas.drawText(left, top + 1 + metrics.ascent(), look.title);
}
