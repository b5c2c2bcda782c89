#include "ControlSubClass.h"

#include "ImageEffects.h"
#include "XPCanvas.h"
#include "XPColors.h"
#include "XPMenu.h"
#include "XPPaint.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace {

QFrame* TextBox(QWidget* control)
{
    return qobject_cast<QLineEdit*>(control) ? nullptr : qobject_cast<QFrame*>(control);
}

bool IsEdit(QWidget* control)
{
    return qobject_cast<QLineEdit*>(control) || TextBox(control);
}

} // namespace

TControlSubClass::TControlSubClass(QWidget* control, TXPMenu* styler)
    : QObject(control), m_control(control), m_styler(styler)
{
    // The flat frame replaces the edit's own until Remove gives it back.
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        m_savedFrame = edit->hasFrame();
        m_borderRemoved = m_savedFrame;
        edit->setFrame(false);
    } else if (QFrame* box = TextBox(control)) {
        m_savedFrame = box->frameShape() != QFrame::NoFrame;
        m_savedFrameStyle = box->frameStyle();
        m_savedLineWidth = box->lineWidth();
        // A text box keeps a one-pixel plain frame for the flat one to cover.
        m_borderRemoved = m_savedFrameStyle != (QFrame::Box | QFrame::Plain) || m_savedLineWidth != 1;
        if (m_borderRemoved) {
            box->setFrameStyle(QFrame::Box | QFrame::Plain);
            box->setLineWidth(1);
        }
    }
    // Asking or setting the check state ends the hot look at once.
    if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control)) {
        connect(static_cast<QAbstractButton*>(control), &QAbstractButton::toggled, this, [this] {
            m_hot = false;
            Changed();
        });
    }
    control->installEventFilter(this);
}

TControlSubClass* TControlSubClass::Of(const QWidget* control, const TXPMenu* styler)
{
    for (TControlSubClass* subClass : control->findChildren<TControlSubClass*>(Qt::FindDirectChildrenOnly)) {
        if (!subClass->m_removed && subClass->m_styler == styler)
            return subClass;
    }
    return nullptr;
}

void TControlSubClass::Remove()
{
    if (m_removed)
        return;
    m_removed = true;
    m_control->removeEventFilter(this);
    if (m_borderRemoved) {
        if (auto* edit = qobject_cast<QLineEdit*>(m_control)) {
            edit->setFrame(m_savedFrame);
        } else if (QFrame* box = TextBox(m_control)) {
            box->setFrameStyle(m_savedFrameStyle);
            box->setLineWidth(m_savedLineWidth);
        }
    }
    m_control->update();
    deleteLater();
}

void TControlSubClass::Changed()
{
    m_control->update();
}

bool TControlSubClass::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_control || m_removed)
        return false;
    if (!m_styler || !m_styler->Active()) {
        Remove();
        return false;
    }
    switch (event->type()) {
    case QEvent::Paint:
        // The control paints itself first; the flat look goes over it.
        static_cast<QObject*>(m_control)->event(event);
        Paint();
        return true;
    case QEvent::FocusIn:
    case QEvent::Enter:
        m_hot = true;
        Changed();
        break;
    case QEvent::FocusOut:
    case QEvent::Leave:
        m_hot = false;
        Changed();
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
            // Key repeat paints nothing new.
            if (!m_spaceDown)
                Changed();
            m_spaceDown = true;
        }
        break;
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
            !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
            m_spaceDown = false;
            Changed();
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_mouseDown = event->type() == QEvent::MouseButtonPress;
            Changed();
        }
        break;
    default:
        break;
    }
    return false;
}

int TControlSubClass::Thumb() const
{
    return m_control->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_control);
}

bool TControlSubClass::Rtl() const
{
    return m_control->layoutDirection() == Qt::RightToLeft;
}

QRect TControlSubClass::IndicatorRect(int inset, int height, int width) const
{
    const QRect C = m_control->rect();
    int top = C.top() + inset;
    top += ((C.top() + C.height() - inset - top) - Thumb()) / 2;
    const int right = C.left() + C.width();
    return Rtl() ? TXPCanvas::Rect(right - width, top, right, top + height)
                 : TXPCanvas::Rect(C.left(), top, C.left() + width, top + height);
}

void TControlSubClass::Paint()
{
    m_styler->RefreshPalette(m_control->depth());
    QPainter painter(m_control);
    TXPCanvas canvas(painter);
    if (qobject_cast<QComboBox*>(m_control))
        PaintComboFrame(canvas);
    else if (IsEdit(m_control))
        PaintEditFrame(canvas);
    else if (qobject_cast<QCheckBox*>(m_control))
        PaintCheckBoxBox(canvas);
    else if (qobject_cast<QRadioButton*>(m_control))
        PaintRadioDot(canvas);
    else if (qobject_cast<QPushButton*>(m_control))
        PaintPushButton(canvas);
}

void TControlSubClass::PaintComboFrame(TXPCanvas& canvas)
{
    const TXPPalette& p = m_styler->Palette();
    auto* combo = static_cast<QComboBox*>(m_control);
    const QColor face = TXPColors::ColorToRGB(clBtnFace);
    const QColor color = combo->palette().color(QPalette::Base);
    const bool focused = combo->hasFocus();
    const bool rtl = Rtl();
    const int thumb = Thumb();
    QColor arrow = combo->isEnabled() ? QColor(0, 0, 0) : QColor(255, 255, 255);
    QColor border = m_hot ? p.SelectBorderColor : color;
    QColor button = m_hot ? p.SelectColor : face;
    if (!m_hot && focused) {
        border = m_styler->Lighten(p.SelectBorderColor, 60);
        button = p.CheckBack;
    }
    const QRect C = combo->rect();
    QRect R = C;
    canvas.FrameRect(R, m_styler->Lighten(face, 16));
    R.adjust(1, 1, -1, -1);
    canvas.FrameRect(R, m_styler->Lighten(face, 16));
    R.adjust(0, 1, 0, -1);
    if (m_hot || focused)
        R.adjust(-1, -1, 1, 1);
    canvas.FrameRect(R, color);
    R.adjust(0, 0, 0, 1);
    canvas.FrameRect(R, border);
    if (combo->view() && combo->view()->isVisible()) {
        border = p.SelectBorderColor;
        arrow = QColor(255, 255, 255);
        button = p.CheckBackSelected;
    }
    R.adjust(1, 1, -1, -1);
    int left = R.left();
    int right = R.left() + R.width();
    if (rtl)
        right = left + thumb + 1;
    else
        left = right - thumb - 1;
    if (m_hot || focused) {
        if (rtl)
            right += 2;
        else
            left -= 2;
    }
    canvas.FillRect(TXPCanvas::Rect(left, R.top(), right, R.top() + R.height()), button);
    if (rtl)
        left = right - 5;
    else
        right = left + 5;
    const int bottom = R.top() + R.height();
    canvas.FillRect(TXPCanvas::Rect(left, R.top(), right, bottom), color);
    const int line = rtl ? left : right;
    canvas.Line(line, R.top(), line, bottom, border);
    const int x = rtl ? C.left() + 5 : C.left() + C.width() - 10;
    canvas.Line(x, C.top() + 10, x + 5, C.top() + 10, arrow);
    canvas.Line(x + 1, C.top() + 11, x + 4, C.top() + 11, arrow);
    canvas.Line(x + 2, C.top() + 12, x + 3, C.top() + 12, arrow);
}

void TControlSubClass::PaintEditFrame(TXPCanvas& canvas)
{
    const TXPPalette& p = m_styler->Palette();
    QColor frame = TXPColors::ColorToRGB(clWindow);
    if (m_hot || m_control->hasFocus())
        frame = m_styler->Lighten(p.SelectBorderColor, 60);
    else if (m_savedFrame)
        frame = m_styler->Darken(TXPColors::ColorToRGB(clBtnFace), 30);
    canvas.FrameRect(m_control->rect(), frame);
}

void TControlSubClass::PaintCheckBoxBox(TXPCanvas& canvas)
{
    const TXPPalette& p = m_styler->Palette();
    auto* box = static_cast<QCheckBox*>(m_control);
    const bool pressed = m_spaceDown || m_mouseDown;
    QColor fill = TXPColors::ColorToRGB(clWindow);
    QColor pen = TXPColors::ColorToRGB(clBtnShadow);
    if (m_hot || box->hasFocus()) {
        fill = p.SelectColor;
        pen = p.SelectBorderColor;
    }
    if (pressed)
        fill = p.CheckBackSelected;
    QRect R = IndicatorRect(3, Thumb(), Thumb() - 1);
    canvas.FillRect(R, box->palette().color(box->backgroundRole()));
    R.adjust(2, 2, -2, -2);
    canvas.Rectangle(R, pen, fill);
    if (!box->isChecked())
        return;
    const QColor tick = !box->isEnabled() ? p.DisabledColor
                        : pressed         ? TXPColors::ColorToRGB(clWindow)
                                          : TXPColors::ColorToRGB(clHighlight);
    const int L = R.left();
    const int T = R.top();
    const int Rr = R.left() + R.width();
    const int B = R.top() + R.height();
    canvas.Line(L + 2, T + 6, L + 4, B - 3, tick);
    canvas.Line(L + 3, T + 6, L + 4, B - 4, tick);
    canvas.Line(L + 4, B - 3, Rr - 1, T + 1, tick);
    canvas.Line(L + 4, B - 2, Rr - 2, T + 2, tick);
}

void TControlSubClass::PaintRadioDot(TXPCanvas& canvas)
{
    const TXPPalette& p = m_styler->Palette();
    auto* radio = static_cast<QRadioButton*>(m_control);
    QColor fill = TXPColors::ColorToRGB(clWindow);
    QColor pen = TXPColors::ColorToRGB(clBtnShadow);
    if (m_hot) {
        fill = p.SelectColor;
        pen = p.SelectBorderColor;
    }
    if (radio->hasFocus())
        fill = p.SelectColor;
    QRect R = IndicatorRect(4, Thumb() - 1, 14);
    canvas.FillRect(R, radio->palette().color(radio->backgroundRole()));
    R.adjust(2, 2, -2, -2);
    canvas.Ellipse(R, pen, fill);
    if (!radio->isChecked())
        return;
    R.adjust(2, 2, -2, -2);
    const QColor dot = radio->isEnabled() ? TXPColors::ColorToRGB(clHighlight) : p.DisabledColor;
    canvas.Ellipse(R, dot, dot);
}

void TControlSubClass::PaintPushButton(TXPCanvas& canvas)
{
    const TXPPalette& p = m_styler->Palette();
    auto* button = static_cast<QPushButton*>(m_control);
    const QColor face0 = TXPColors::ColorToRGB(clBtnFace);
    const bool focused = button->hasFocus();
    QColor face = p.IconBackColor;
    QColor border = TXPColors::ColorToRGB(clBtnShadow);
    if (m_hot || m_spaceDown) {
        face = m_styler->Lighten(face0, 60);
        border = m_styler->Lighten(p.SelectBorderColor, 60);
    } else if (focused) {
        border = m_styler->Lighten(p.SelectBorderColor, 60);
    }
    const QRect C = button->rect();
    const int L = C.left();
    const int T = C.top();
    const int R = C.left() + C.width();
    const int B = C.top() + C.height();
    canvas.FillRect(C, face0);
    canvas.RoundRect(C, 6, m_styler->Lighten(border, 30), face);
    if (button->isEnabled()) {
        const QColor edge = m_styler->Darken(border, 50);
        if ((m_mouseDown && m_hot) || m_spaceDown)
            canvas.Polyline({{L, B - 2}, {L, T + 2}, {L + 2, T}, {R - 2, T}}, edge);
        else
            canvas.Polyline({{R - 1, T + 2}, {R - 1, B - 2}, {R - 2, B - 1}, {L + 1, B - 1}}, edge);
    }
    const QFontMetrics metrics(button->font());
    const QString caption = button->text();
    const int tw = metrics.horizontalAdvance(caption);
    const int W = C.width();
    const int H = C.height();
    const bool rtl = Rtl();
    QRect text = TXPCanvas::Rect((W - tw) / 2, T, R, B);
    if (!button->icon().isNull()) {
        // A picture button: the glyph left of the caption, four pixels apart.
        const QSize size = button->iconSize();
        const int spacing = 4;
        const int gw = size.width();
        const int gh = size.height();
        const QRect glyph((W - (spacing + gw + tw)) / 2, (H - gh) / 2, gw, gh);
        text = TXPCanvas::Rect(glyph.left() + gw + spacing, T, glyph.left() + gw + spacing + tw, B);
        TIconLook look;
        look.rtl = rtl;
        look.enabled = button->isEnabled();
        look.pressed = focused;
        look.hot = m_hot;
        TXPPaint(*m_styler).PaintItemIcon(canvas, look, glyph,
                                          TImageEffects::PreparedIcon(button->icon(), size, false));
    }
    TTextLook look = TXPPaint::Caption(caption, rtl ? tfRtlReading : tfLeft, button->font(),
                                       button->palette().color(QPalette::ButtonText));
    look.rtl = rtl;
    look.isDefault = button->isDefault();
    look.enabled = button->isEnabled();
    look.back = face;
    TXPPaint(*m_styler).PaintItemText(canvas, look, text);
}
