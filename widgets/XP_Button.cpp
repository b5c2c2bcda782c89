#include "XP_Button.h"

#include "XP_Unit.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPainter>

TXP_Button::TXP_Button(QWidget* parent) : TXP_ButtonBase(parent)
{
    resize(75, 24);
    // Connected first, so the dialog has its result before any OnClick handler runs.
    connect(this, &QAbstractButton::clicked, this, &TXP_Button::GiveModalResult);
    WatchForm();
}

void TXP_Button::setPicture(const QImage& picture)
{
    m_picture = picture;
    m_silhouette = QImage();
    KeyPicture();
}

void TXP_Button::setPicPos(TPicPos pos)
{
    if (Changed(m_picPos, pos))
        DrawLook(sNormal);
}

void TXP_Button::setPicTrans(bool on)
{
    if (Changed(m_picTrans, on))
        KeyPicture();
}

void TXP_Button::setPicTransColor(const QColor& color)
{
    if (Changed(m_picTransColor, color))
        KeyPicture();
}

void TXP_Button::setPicOffSet(int offset)
{
    if (Changed(m_picOffSet, offset))
        DrawLook(sNormal);
}

void TXP_Button::KeyPicture()
{
    m_shownPicture = m_picTrans ? KeyedOut(m_picture, m_picTransColor) : m_picture;
    DrawLook(sNormal);
}

bool TXP_Button::ActiveDefault() const
{
    const QWidget* focus = window()->focusWidget();
    if (qobject_cast<const TXP_Button*>(focus))
        return focus == this;
    return m_default;
}

bool TXP_Button::DialogKey(const QKeyEvent& key)
{
    const bool wanted = (IsEnter(key) && ActiveDefault()) || (key.key() == Qt::Key_Escape && m_cancel);
    if (!wanted || ChordHeld(key) || !isVisible() || !isEnabled())
        return false;
    click();
    return true;
}

bool TXP_Button::OfferDialogKey(QWidget* form, const QKeyEvent& key)
{
    const QList<TXP_Button*> buttons = form->findChildren<TXP_Button*>();
    for (TXP_Button* button : buttons)
        if (button->window() == form && button->DialogKey(key))
            return true;
    return false;
}

void TXP_Button::WatchForm()
{
    QWidget* form = window();
    if (form == m_form)
        return;
    if (m_form)
        m_form->removeEventFilter(this);
    m_form = form != this ? form : nullptr;
    if (m_form)
        m_form->installEventFilter(this);
}

bool TXP_Button::eventFilter(QObject* watched, QEvent* event)
{
    // A key reaches the form when the focused control leaves it alone: the dialog keys' turn.
    if (watched == m_form && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (DialogKey(*key)) {
            key->accept();
            return true;
        }
    }
    return TXP_ButtonBase::eventFilter(watched, event);
}

void TXP_Button::GiveModalResult()
{
    if (m_modalResult == 0)
        return;
    if (auto* dialog = qobject_cast<QDialog*>(window()))
        dialog->done(m_modalResult);
}

TXP_Button::TLayout TXP_Button::Layout(QSize button, QSize picture, QSize caption, TPicPos pos, int offset)
{
    const int W = button.width();
    const int H = button.height();
    const int PW = picture.width();
    const int PH = picture.height();
    const int TW = caption.width();
    const int TH = caption.height();
    if (PW < 1 || PH < 1)
        return {{}, QRect(0, 0, W, H)};
    if (pos == pTop) {
        const QPoint at((W - PW) / 2, (H - (TH + PH + offset)) / 2);
        return {at, QRect(0, at.y() + PH + offset, W, TH)};
    }
    const QPoint at((W - (PW + TW + offset)) / 2, (H - PH) / 2);
    return {at, QRect(at.x() + PW + offset, 0, TW, H)};
}

void TXP_Button::paintEvent(QPaintEvent*)
{
    int state = Look();
    if (!isEnabled())
        state = sDisabled;
    else if (state != sPressed && state != sHot && Focused)
        state = sFocused;

    QPainter painter(this);
    StretchSkin(ExtractFrame(LoadSkin(QStringLiteral("XPBUTTON")), 5, state, true), painter, rect());

    const QFontMetrics metrics(font());
    const QSize caption(metrics.horizontalAdvance(text()), metrics.height());
    const TLayout layout = Layout(size(), m_picture.size(), caption, m_picPos, m_picOffSet);
    if (!m_picture.isNull()) {
        if (!isEnabled()) {
            // Made again only when the picture or the palette's face colour changed.
            const QColor face = palette().color(QPalette::Button);
            if (m_silhouette.isNull() || face != m_silhouetteColor) {
                m_silhouette = Silhouette(m_picture, face);
                m_silhouetteColor = face;
            }
            painter.drawImage(layout.picture, m_silhouette);
        } else {
            painter.drawImage(layout.picture, m_shownPicture);
        }
    }
    painter.setPen(isEnabled() ? palette().color(QPalette::ButtonText) : kGreyText);
    painter.drawText(layout.caption, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text());
}

bool TXP_Button::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        WatchForm();
    return TXP_ButtonBase::event(event);
}

void TXP_Button::enterEvent(QEnterEvent* event)
{
    TXP_ButtonBase::enterEvent(event);
    DrawLook(sHot);
}

void TXP_Button::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && isEnabled() && PointInside(rect(), at.x(), at.y())) {
        setFocus(Qt::MouseFocusReason);
        m_over = true;
        DrawLook(sPressed);
    }
    TXP_ButtonBase::mousePressEvent(event);
}

void TXP_Button::mouseMoveEvent(QMouseEvent* event)
{
    // The button holds the mouse while pressed, so leaving and coming back show here.
    if (event->buttons() & Qt::LeftButton) {
        const bool over = rect().contains(event->position().toPoint());
        if (over != m_over) {
            m_over = over;
            DrawLook(over ? sHot : sNormal);
        }
    }
    TXP_ButtonBase::mouseMoveEvent(event);
}

void TXP_Button::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && isEnabled() && PointInside(rect(), at.x(), at.y()))
        DrawLook(sNormal);
    m_over = false;
    // Clicks when the press began here and the release is inside.
    TXP_ButtonBase::mouseReleaseEvent(event);
}

void TXP_Button::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape are the form's dialog keys, which this button hears there as well.
    if (IsEnter(*event) || event->key() == Qt::Key_Escape)
        event->ignore();
    else
        TXP_ButtonBase::keyPressEvent(event);
}
