#include "XP_Form.h"

#include "XP_Unit.h"

#include <QApplication>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {

constexpr int kMinimumSize = 100;

} // namespace

TXP_Form::TXP_Form(QWidget* owner)
    : QWidget(owner), m_owner(owner), m_metrics(TXP_FormSkin::Metrics()), m_window(this, owner),
      m_drag(owner, [this](QPoint at) { return HitTest(at); })
{
    Q_ASSERT(owner && owner->isWindow());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    CoverOwner(this);
    m_window.StopAboveTaskbar();
    m_window.Watch();
    Layout();
}

TXP_Form::~TXP_Form() = default;

void TXP_Form::Relayout()
{
    Layout();
    update();
}

void TXP_Form::KeyPicture()
{
    m_shownPicture =
        m_pictureTrans ? QPixmap::fromImage(KeyedOut(m_picture.toImage(), m_pictureTransColor)) : m_picture;
    Relayout();
}

void TXP_Form::setBtnClose(bool on)
{
    if (Changed(m_btnClose, on))
        Relayout();
}

void TXP_Form::setBtnMax(bool on)
{
    if (Changed(m_btnMax, on))
        Relayout();
}

void TXP_Form::setBtnMin(bool on)
{
    if (Changed(m_btnMin, on))
        Relayout();
}

void TXP_Form::setBtnHelp(bool on)
{
    if (Changed(m_btnHelp, on))
        Relayout();
}

void TXP_Form::setIconOffSet(int offset)
{
    if (Changed(m_iconOffSet, offset))
        Relayout();
}

void TXP_Form::setCaptionOffSet(int offset)
{
    if (Changed(m_captionOffSet, offset))
        Relayout();
}

void TXP_Form::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    KeyPicture();
}

void TXP_Form::setBorderStyle(TFormBorderStyle style)
{
    if (Changed(m_borderStyle, style))
        Relayout();
}

void TXP_Form::setTopMost(bool on)
{
    m_window.setTopMost(on);
}

void TXP_Form::setBoldCaption(bool on)
{
    if (Changed(m_boldCaption, on))
        Relayout();
}

void TXP_Form::setClientPanel(QWidget* panel)
{
    if (panel == m_clientPanel)
        return;
    m_clientPanel = panel;
    if (auto* frame = qobject_cast<QFrame*>(panel))
        frame->setFrameStyle(QFrame::NoFrame);
    PlaceClientPanel();
    update();
}

void TXP_Form::setUseSystemFont(bool on)
{
    if (Changed(m_useSystemFont, on))
        Relayout();
}

void TXP_Form::setCaptionShadow(bool on)
{
    if (Changed(m_captionShadow, on))
        Relayout();
}

void TXP_Form::setPictureTrans(bool on)
{
    if (Changed(m_pictureTrans, on))
        KeyPicture();
}

void TXP_Form::setPictureTransColor(const QColor& color)
{
    if (Changed(m_pictureTransColor, color))
        KeyPicture();
}

void TXP_Form::setColor(const QColor& color)
{
    if (Changed(m_color, color))
        Relayout();
}

QRect TXP_Form::ClientRect() const
{
    return ClientArea(size(), m_metrics);
}

// A dialog offers no maximising, neither does a tool window; a dialog does not minimise either.
TCaptionButtons TXP_Form::ShownButtons() const
{
    if (m_borderStyle == bsNone)
        return {};
    return {.close = m_btnClose,
            .max = m_btnMax && m_borderStyle != bsDialog && m_borderStyle != bsToolWindow,
            .min = m_btnMin && m_borderStyle != bsDialog,
            .help = m_btnHelp};
}

bool TXP_Form::Maximized() const
{
    return m_window.Maximized();
}

// Hit rectangles for the current size; none without a border.
void TXP_Form::Layout()
{
    m_layout = m_borderStyle == bsNone ? TFormLayout()
                                       : TFormLayout::Of(size(), m_metrics, ShownButtons(), m_picture.size(),
                                                         m_iconOffSet, m_captionOffSet);
}

TXP_FormLook TXP_Form::Look() const
{
    QFont font = m_useSystemFont ? QApplication::font("QMenu") : this->font();
    if (m_boldCaption)
        font.setBold(true);
    return {.size = size(),
            .metrics = m_metrics,
            .layout = m_layout,
            .bordered = m_borderStyle != bsNone,
            .color = m_color,
            .active = m_active,
            .maximized = Maximized(),
            .buttonState = m_buttonState,
            .picture = m_shownPicture,
            .captionOffSet = m_captionOffSet,
            .font = font,
            .title = m_owner->windowTitle(),
            .captionShadow = m_captionShadow};
}

void TXP_Form::Paint(QPainter& canvas)
{
    // A hidden frame's resize may still be pending: lay out for the size it has now.
    Layout();
    m_painter.Paint(canvas, Look());
}

QRegion TXP_Form::WindowRegion(QSize size)
{
    return RoundedTopRegion(size);
}

Qt::Edges TXP_Form::HitTest(QPoint at) const
{
    if ((m_borderStyle != bsSizeable && m_borderStyle != bsSizeToolWin) || Maximized() ||
        m_window.Minimized())
        return {};
    return GripEdges(size(), at);
}

int TXP_Form::TaskbarReserve(const QScreen* screen)
{
    return TXP_FormWindow::TaskbarReserve(screen);
}

void TXP_Form::SnapToEdges()
{
    m_drag.Snap();
}

QPoint TXP_Form::Snapped(const QRect& window, const QRect& desk, int reserve, int magnet)
{
    return SnappedToDesk(window, desk, reserve, magnet);
}

// Only a change of code redraws, and only the buttons.
void TXP_Form::DrawButtons(int code)
{
    if (code == m_buttonState)
        return;
    m_buttonState = code;
    update(m_layout.close | m_layout.max | m_layout.min | m_layout.help);
}

void TXP_Form::PlaceClientPanel()
{
    if (m_clientPanel && m_clientPanel->geometry() != ClientRect())
        m_clientPanel->setGeometry(ClientRect());
}

void TXP_Form::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    Paint(canvas);
    canvas.end();
    PlaceClientPanel();
}

void TXP_Form::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Layout();
    PlaceClientPanel();
    if (m_owner->size() == size()) {
        const QRegion region = WindowRegion(size());
        if (m_owner->mask() != region)
            m_owner->setMask(region);
    }
    // Raised on every resize, as the owner may have lowered it since.
    m_owner->setMinimumSize(m_owner->minimumSize().expandedTo({kMinimumSize, kMinimumSize}));
}

void TXP_Form::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    if (const int button = m_layout.ButtonAt(at)) {
        DrawButtons(button * 10);
        QWidget::mousePressEvent(event);
        return;
    }
    if (Maximized() || m_window.Minimized() || !Hits(m_layout.caption, at))
        return;
    m_drag.PressCaption(event->globalPosition().toPoint());
}

void TXP_Form::mouseMoveEvent(QMouseEvent* event)
{
    if (m_drag.MoveTo(m_window.Window(), event->globalPosition().toPoint()))
        return;
    QWidget::mouseMoveEvent(event);
    DrawButtons(m_layout.ButtonAt(event->position().toPoint()));
}

void TXP_Form::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_drag.Release())
        return;
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // The release position decides, wherever the press was.
    switch (m_layout.ButtonAt(event->position().toPoint())) {
    case cbClose:
        m_owner->close();
        break;
    case cbMax:
        m_window.ToggleMaximized();
        break;
    case cbMin:
        TXP_FormWindow::MinimizeApplication();
        break;
    case cbHelp:
        emit OnHelp();
        break;
    case cbNone:
        break;
    }
}

// Qt's default would treat the double-click as another press.
void TXP_Form::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        DoubleClick(event->position().toPoint());
}

void TXP_Form::DoubleClick(QPoint at)
{
    if (!m_layout.ButtonAt(at) && !Hits(m_layout.icon, at) && !PointInside(ClientRect(), at.x(), at.y()) &&
        !m_layout.max.isNull())
        m_window.ToggleMaximized();
    else if (Hits(m_layout.icon, at))
        m_owner->close();
}

// A hovered button must not stay lit once the mouse has left the frame.
void TXP_Form::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (!m_drag.Dragging())
        DrawButtons(btNone);
}

bool TXP_Form::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.Window())
        return m_drag.WindowEvent(*m_window.Window(), event);
    if (watched != m_owner)
        return false;
    switch (event->type()) {
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: {
        m_window.ApplyTopMost();
        m_active = event->type() == QEvent::WindowActivate;
        update();
        if (m_active)
            emit OnActive();
        else
            emit OnInActive();
        break;
    }
    case QEvent::WindowStateChange:
    case QEvent::WindowTitleChange:
        Relayout();
        break;
    case QEvent::Move:
        m_drag.WindowMoved();
        break;
    case QEvent::WinIdChange:
    case QEvent::Show:
        m_window.FollowWindow();
        break;
    default:
        break;
    }
    return false;
}
