#pragma once

#include "XP_ButtonBase.h"

#include <QImage>
#include <QPointer>

class QKeyEvent;

// The skinned push button of the dialogs: the five-frame XPBUTTON skin stretched to its size, an
// optional picture beside or above the caption, and the dialog keys: a Default button answers
// Enter (unless the focus is on another push button), a Cancel button answers Escape. A click
// hands ModalResult to the dialog before clicked() (OnClick) reaches anyone else.
class TXP_Button : public TXP_ButtonBase
{
    Q_OBJECT
    Q_PROPERTY(QImage Picture READ Picture WRITE setPicture)
    Q_PROPERTY(TPicPos PicPos READ PicPos WRITE setPicPos)
    Q_PROPERTY(bool PicTrans READ PicTrans WRITE setPicTrans)
    Q_PROPERTY(QColor PicTransColor READ PicTransColor WRITE setPicTransColor)
    Q_PROPERTY(int PicOffSet READ PicOffSet WRITE setPicOffSet)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE setModalResult)
    Q_PROPERTY(bool Default READ Default WRITE setDefault)
    Q_PROPERTY(bool Cancel READ Cancel WRITE setCancel)

public:
    enum TPicPos
    {
        pLeft,
        pTop
    };
    Q_ENUM(TPicPos)

    // Frames of the XPBUTTON strip.
    enum TState
    {
        sNormal = 1,
        sPressed,
        sDisabled,
        sHot,
        sFocused
    };

    explicit TXP_Button(QWidget* parent = nullptr);

    [[nodiscard]] QImage Picture() const { return m_picture; }
    void setPicture(const QImage& picture);
    [[nodiscard]] TPicPos PicPos() const { return m_picPos; }
    void setPicPos(TPicPos pos);
    [[nodiscard]] bool PicTrans() const { return m_picTrans; }
    void setPicTrans(bool on);
    [[nodiscard]] QColor PicTransColor() const { return m_picTransColor; }
    void setPicTransColor(const QColor& color);
    [[nodiscard]] int PicOffSet() const { return m_picOffSet; }
    void setPicOffSet(int offset);
    [[nodiscard]] int ModalResult() const { return m_modalResult; }
    void setModalResult(int result) { m_modalResult = result; }
    [[nodiscard]] bool Default() const { return m_default; }
    void setDefault(bool on) { m_default = on; }
    [[nodiscard]] bool Cancel() const { return m_cancel; }
    void setCancel(bool on) { m_cancel = on; }

    // Whether Enter clicks this button now: the focused push button itself, or, while the focus is
    // on anything else, the Default button.
    [[nodiscard]] bool ActiveDefault() const;

    // Offers Enter or Escape to every push button of a form, as the form does before the focused
    // control may act on the key; true when a button took it (and was clicked).
    static bool OfferDialogKey(QWidget* form, const QKeyEvent& key);

    // Where the picture and the caption go on a button of that size.
    struct TLayout
    {
        QPoint picture;
        QRect caption;
    };
    [[nodiscard]] static TLayout Layout(QSize button, QSize picture, QSize caption, TPicPos pos, int offset);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool DialogKey(const QKeyEvent& key);
    void WatchForm();
    void GiveModalResult();
    void KeyPicture(); // then repaint

    QImage m_picture;
    QImage m_shownPicture; // the picture as drawn while enabled, keyed out when PicTrans
    QImage m_silhouette;   // as drawn while disabled, in m_silhouetteColor
    QColor m_silhouetteColor;
    TPicPos m_picPos = pTop;
    bool m_picTrans = false;
    QColor m_picTransColor = Qt::black;
    int m_picOffSet = 2;
    int m_modalResult = 0;
    bool m_default = false;
    bool m_cancel = false;
    bool m_over = false;      // under the mouse while the left button is held
    QPointer<QWidget> m_form; // the window whose dialog keys this button hears
};
