#include "XP_GroupBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

const QColor kGreyText(128, 128, 128);

} // namespace

TXP_GroupBox::TXP_GroupBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(0, 0, 185, 105);
}

void TXP_GroupBox::SetColour(QColor& member, const QColor& value)
{
    if (member == value)
        return;
    member = value;
    update();
}

void TXP_GroupBox::setBorderColor(const QColor& color)
{
    SetColour(m_borderColor, color);
}

void TXP_GroupBox::setCaptionColor(const QColor& color)
{
    SetColour(m_captionColor, color);
}

void TXP_GroupBox::setColor(const QColor& color)
{
    SetColour(m_color, color);
}

void TXP_GroupBox::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
}

QRect TXP_GroupBox::CaptionRect() const
{
    const QFontMetrics metrics(font());
    return QRect(10, 0, metrics.horizontalAdvance(m_caption) + 6, metrics.height());
}

void TXP_GroupBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
    const QRect caption = CaptionRect();
    const int top = caption.height() / 2;
    // The outline of (0, top) - (W, H), its right and bottom ends exclusive, with 8 x 8 corners.
    painter.setPen(m_borderColor);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRect(0, top, width() - 1, height() - top - 1), 4, 4);
    painter.fillRect(caption, m_color);
    painter.setPen(isEnabled() ? m_captionColor : kGreyText);
    painter.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, m_caption);
}

void TXP_GroupBox::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
}

void TXP_GroupBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

void TXP_GroupBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}
