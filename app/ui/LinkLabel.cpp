#include "LinkLabel.h"

#include <QMouseEvent>

namespace {

const QColor kIdle(128, 128, 128);
const QColor kHover(255, 0, 0);

} // namespace

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent)
{
    // Moves without a button pressed must arrive, or the hover colour would wait for a press.
    setMouseTracking(true);
    setTextColour(kIdle);
}

void TLinkLabel::setTextColour(const QColor& colour)
{
    QPalette shades = palette();
    shades.setColor(QPalette::WindowText, colour);
    setPalette(shades);
}

void TLinkLabel::mouseMoveEvent(QMouseEvent* event)
{
    setTextColour(kHover);
    QLabel::mouseMoveEvent(event);
}

void TLinkLabel::leaveEvent(QEvent* event)
{
    setTextColour(kIdle);
    QLabel::leaveEvent(event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}
