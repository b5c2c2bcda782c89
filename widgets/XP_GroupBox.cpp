#include "XP_GroupBox.h"

#include "XP_Unit.h"

#include <QMouseEvent>
#include <QPainter>

TXP_GroupBox::TXP_GroupBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(0, 0, 185, 105);
}

void TXP_GroupBox::setBorderColor(const QColor& color)
{
    if (Changed(m_borderColor, color))
        update();
}

void TXP_GroupBox::setCaptionColor(const QColor& color)
{
    if (Changed(m_captionColor, color))
        update();
}

void TXP_GroupBox::setColor(const QColor& color)
{
    if (Changed(m_color, color))
        update();
}

void TXP_GroupBox::setCaption(const QString& caption)
{
    if (Changed(m_caption, caption))
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
