#include "XP_CheckBox.h"

#include "XP_Button.h"
#include "XP_Unit.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int kCaptionLeft = 13 + 4;

} // namespace

TXP_CheckBox::TXP_CheckBox(QWidget* parent) : TXP_ButtonBase(parent)
{
    setCheckable(true);
    setGeometry(0, 0, 121, 17);
    // A new state shows at rest, not with the hot look it was clicked in.
    connect(this, &QAbstractButton::toggled, this, [this] { DrawLook(fUnchecked); });
}

void TXP_CheckBox::setColor(const QColor& color)
{
    if (Changed(m_color, color))
        DrawLook(fUnchecked);
}

QRect TXP_CheckBox::FocusRect() const
{
    const QFontMetrics metrics(font());
    const QString shown = QString(text()).remove(QLatin1Char('&'));
    const int top = (height() - metrics.height()) / 2 - 1;
    return QRect(13 + 3, top, metrics.horizontalAdvance(shown) + 1, metrics.height() + 1);
}

void TXP_CheckBox::paintEvent(QPaintEvent*)
{
    int frame = Look();
    if (!isEnabled())
        frame = isChecked() ? fCheckedDisabled : fUncheckedDisabled;
    else if (isChecked() && frame != fCheckedHot)
        frame = fChecked;

    QPainter painter(this);
    painter.fillRect(rect(), m_color);
    const QImage box = ExtractFrame(LoadSkin(QStringLiteral("XPCHECKBOX")), 6, frame, true);
    painter.drawImage(0, (height() - box.height()) / 2, box);
    painter.setPen(isEnabled() ? palette().color(QPalette::WindowText) : kGreyText);
    painter.drawText(QRect(kCaptionLeft, 0, width() - kCaptionLeft, height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text());
    if (Focused && isEnabled()) {
        // A dotted line that inverts the face it lies on, like the system's focus rectangle.
        const QRect dots = FocusRect();
        painter.setPen(QColor(~m_color.rgb() & RGB_MASK));
        for (int x = dots.left(); x <= dots.right(); ++x)
            for (int y : {dots.top(), dots.bottom()})
                if ((x + y) % 2 == 0)
                    painter.drawPoint(x, y);
        for (int y = dots.top() + 1; y < dots.bottom(); ++y)
            for (int x : {dots.left(), dots.right()})
                if ((x + y) % 2 == 0)
                    painter.drawPoint(x, y);
    }
}

void TXP_CheckBox::enterEvent(QEnterEvent* event)
{
    TXP_ButtonBase::enterEvent(event);
    DrawLook(isChecked() ? fCheckedHot : fUncheckedHot);
}

void TXP_CheckBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    setChecked(!isChecked());
}

void TXP_CheckBox::mouseMoveEvent(QMouseEvent*)
{
    // Nothing follows the mouse while it is held: the state changed on the press already.
}

void TXP_CheckBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    emit clicked(isChecked());
}

void TXP_CheckBox::keyPressEvent(QKeyEvent* event)
{
    // The form's default button hears Enter before the box does.
    if (IsEnter(*event) && TXP_Button::OfferDialogKey(window(), *event))
        return;
    if (IsEnter(*event) && !ChordHeld(*event))
        click();
    else
        TXP_ButtonBase::keyPressEvent(event);
}
