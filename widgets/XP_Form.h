#pragma once

#include "XP_FormDrag.h"
#include "XP_FormGeometry.h"
#include "XP_FormPainter.h"
#include "XP_FormWindow.h"

#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QScreen;

// The skinned window frame. Created as a child of a top-level form, it makes the form frameless,
// fills it behind every other child and draws the blue caption bar, borders and caption buttons.
// It follows the form's activation, moves it by its caption (snapping by Magnet), offers resize
// grips along the edges, and keeps ClientPanel on the area inside the frame.
//
// The frame keeps its properties and the Qt event handlers and hands the work on: where buttons,
// grips and outline lie (XP_FormGeometry), how the frame looks (XP_FormPainter over XP_FormSkin),
// moving and resizing the window (XP_FormDrag), and the window's state (XP_FormWindow).
class TXP_Form : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool BtnClose READ BtnClose WRITE setBtnClose)
    Q_PROPERTY(bool BtnMax READ BtnMax WRITE setBtnMax)
    Q_PROPERTY(bool BtnMin READ BtnMin WRITE setBtnMin)
    Q_PROPERTY(bool BtnHelp READ BtnHelp WRITE setBtnHelp)
    Q_PROPERTY(int IconOffSet READ IconOffSet WRITE setIconOffSet)
    Q_PROPERTY(int CaptionOffSet READ CaptionOffSet WRITE setCaptionOffSet)
    Q_PROPERTY(QPixmap Picture READ Picture WRITE setPicture)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(int Magnet READ Magnet WRITE setMagnet)
    Q_PROPERTY(bool TopMost READ TopMost WRITE setTopMost)
    Q_PROPERTY(bool BoldCaption READ BoldCaption WRITE setBoldCaption)
    Q_PROPERTY(QWidget* ClientPanel READ ClientPanel WRITE setClientPanel)
    Q_PROPERTY(bool UseSystemFont READ UseSystemFont WRITE setUseSystemFont)
    Q_PROPERTY(bool CaptionShadow READ CaptionShadow WRITE setCaptionShadow)
    Q_PROPERTY(bool PictureTrans READ PictureTrans WRITE setPictureTrans)
    Q_PROPERTY(QColor PictureTransColor READ PictureTransColor WRITE setPictureTransColor)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)

public:
    enum TFormBorderStyle
    {
        bsNone,
        bsSingle,
        bsSizeable,
        bsDialog,
        bsToolWindow,
        bsSizeToolWin
    };
    Q_ENUM(TFormBorderStyle)

    // Hover codes 1..4 and press codes 10..40 of the caption buttons.
    enum : int
    {
        btNone = cbNone,
        btClose = cbClose,
        btMax = cbMax,
        btMin = cbMin,
        btHelp = cbHelp
    };

    explicit TXP_Form(QWidget* owner);
    ~TXP_Form() override;

    [[nodiscard]] bool BtnClose() const { return m_btnClose; }
    [[nodiscard]] bool BtnMax() const { return m_btnMax; }
    [[nodiscard]] bool BtnMin() const { return m_btnMin; }
    [[nodiscard]] bool BtnHelp() const { return m_btnHelp; }
    [[nodiscard]] int IconOffSet() const { return m_iconOffSet; }
    [[nodiscard]] int CaptionOffSet() const { return m_captionOffSet; }
    [[nodiscard]] QPixmap Picture() const { return m_picture; }
    [[nodiscard]] TFormBorderStyle BorderStyle() const { return m_borderStyle; }
    [[nodiscard]] int Magnet() const { return m_drag.Magnet(); }
    [[nodiscard]] bool TopMost() const { return m_window.TopMost(); }
    [[nodiscard]] bool BoldCaption() const { return m_boldCaption; }
    [[nodiscard]] QWidget* ClientPanel() const { return m_clientPanel; }
    [[nodiscard]] bool UseSystemFont() const { return m_useSystemFont; }
    [[nodiscard]] bool CaptionShadow() const { return m_captionShadow; }
    [[nodiscard]] bool PictureTrans() const { return m_pictureTrans; }
    [[nodiscard]] QColor PictureTransColor() const { return m_pictureTransColor; }
    [[nodiscard]] QColor Color() const { return m_color; }

    void setBtnClose(bool on);
    void setBtnMax(bool on);
    void setBtnMin(bool on);
    void setBtnHelp(bool on);
    void setIconOffSet(int offset);
    void setCaptionOffSet(int offset);
    void setPicture(const QPixmap& picture);
    void setBorderStyle(TFormBorderStyle style);
    void setMagnet(int distance) { m_drag.setMagnet(distance); }
    void setTopMost(bool on);
    void setBoldCaption(bool on);
    void setClientPanel(QWidget* panel);
    void setUseSystemFont(bool on);
    void setCaptionShadow(bool on);
    void setPictureTrans(bool on);
    void setPictureTransColor(const QColor& color);
    void setColor(const QColor& color);

    // The state the frame keeps; metrics and rectangles are those of the last layout.
    [[nodiscard]] bool Active() const { return m_active; }
    [[nodiscard]] int ButtonState() const { return m_buttonState; }
    [[nodiscard]] int CaptionHeight() const { return m_metrics.caption; }
    [[nodiscard]] int LeftWidth() const { return m_metrics.left; }
    [[nodiscard]] int RightWidth() const { return m_metrics.right; }
    [[nodiscard]] int BottomHeight() const { return m_metrics.bottom; }
    [[nodiscard]] QRect CloseRect() const { return m_layout.close; }
    // The caption button a press at this point of the frame is on (cbNone when none).
    [[nodiscard]] TCaptionButton ButtonAt(QPoint at) const { return m_layout.ButtonAt(at); }
    [[nodiscard]] QRect MaxRect() const { return m_layout.max; }
    [[nodiscard]] QRect MinRect() const { return m_layout.min; }
    [[nodiscard]] QRect HelpRect() const { return m_layout.help; }
    [[nodiscard]] QRect IconRect() const { return m_layout.icon; }
    [[nodiscard]] QRect CaptionRect() const { return m_layout.caption; }
    [[nodiscard]] QRect ClientRect() const;

    // Composes the whole frame onto a canvas of the frame's size.
    void Paint(QPainter& canvas);
    // The window's outline: rounded top corners (13 x 13), square bottom corners.
    [[nodiscard]] static QRegion WindowRegion(QSize size);
    // The resize grip under a point in frame coordinates, none where the frame offers no grip.
    [[nodiscard]] Qt::Edges HitTest(QPoint at) const;
    // The height the desktop keeps free at the bottom of the screen, 0 when none.
    [[nodiscard]] static int TaskbarReserve(const QScreen* screen);
    // Pulls the owner to the screen edges that lie within Magnet pixels.
    void SnapToEdges();
    // Where a window at `window` ends on a screen `desk` with `reserve` pixels kept free at the bottom.
    [[nodiscard]] static QPoint Snapped(const QRect& window, const QRect& desk, int reserve, int magnet);
    [[nodiscard]] bool Maximized() const;

signals:
    void OnActive();
    void OnInActive();
    void OnHelp();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Layout();
    void Relayout();   // then repaint
    void KeyPicture(); // then lay out and repaint
    void PlaceClientPanel();
    void DrawButtons(int code);
    void DoubleClick(QPoint at);
    [[nodiscard]] TCaptionButtons ShownButtons() const;
    [[nodiscard]] TXP_FormLook Look() const;

    QWidget* m_owner;

    bool m_btnClose = true;
    bool m_btnMax = true;
    bool m_btnMin = true;
    bool m_btnHelp = false;
    int m_iconOffSet = 0;
    int m_captionOffSet = 0;
    QPixmap m_picture;
    QPixmap m_shownPicture; // the picture as drawn, keyed out when PictureTrans
    TFormBorderStyle m_borderStyle = bsSizeable;
    bool m_boldCaption = true;
    QPointer<QWidget> m_clientPanel;
    bool m_useSystemFont = true;
    bool m_captionShadow = true;
    bool m_pictureTrans = false;
    QColor m_pictureTransColor = Qt::black;
    QColor m_color{248, 246, 230};

    bool m_active = true;
    int m_buttonState = btNone;
    // The skin's, kept without a border too: the client panel stays where the border put it.
    TFormMetrics m_metrics;
    TFormLayout m_layout;

    TXP_FormPainter m_painter;
    TXP_FormWindow m_window;
    TXP_FormDrag m_drag;
};
