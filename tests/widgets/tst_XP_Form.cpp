#include "widgets/XP_Form.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace {

// Paint events that reach a widget.
class TPaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

int CountPixels(const QImage& image, const QRect& area, QRgb colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) == colour;
    return count;
}

} // namespace

class TestXPForm final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_owner;
    TXP_Form* m_frame = nullptr;
    QWidget* m_panel = nullptr;

    void Show()
    {
        m_owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_owner.get()));
    }
    QImage Grab() { return m_frame->grab().toImage().convertToFormat(QImage::Format_RGB32); }

private slots:
    void init()
    {
        m_owner = std::make_unique<QWidget>();
        m_owner->setWindowTitle("Corvane XP");
        m_frame = new TXP_Form(m_owner.get());
        m_panel = new QWidget(m_owner.get());
        m_frame->setClientPanel(m_panel);
        m_owner->resize(600, 485);
        m_owner->move(100, 50);
    }
    void cleanup() { m_owner.reset(); }

    void testClientPanel()
    {
        QVERIFY(m_owner->windowFlags().testFlag(Qt::FramelessWindowHint));
        Show();
        QCOMPARE(m_frame->geometry(), QRect(0, 0, 600, 485));
        QCOMPARE(m_frame->CaptionHeight(), 29);
        QCOMPARE(m_frame->LeftWidth() + m_frame->RightWidth() + m_frame->BottomHeight(), 9);
        QCOMPARE(m_panel->geometry(), QRect(3, 29, 594, 453));
        m_owner->resize(700, 485);
        QCOMPARE(m_panel->geometry(), QRect(3, 29, 694, 453));
        // Behind every other child.
        QCOMPARE(m_owner->childAt(300, 200), m_panel);
        QCOMPARE(m_owner->childAt(300, 10), m_frame);

        delete m_panel;
        QCOMPARE(m_frame->ClientPanel(), nullptr);
        m_owner->resize(640, 485);
        QCOMPARE(m_owner->minimumSize(), QSize(100, 100));
    }

    void testButtons_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("help");
        QTest::addColumn<QList<int>>("lefts"); // close, maximise, minimise, help; -1 hidden
        QTest::newRow("sizeable, all four")
            << int(TXP_Form::bsSizeable) << true << QList<int>{577, 562, 547, 532};
        QTest::newRow("sizeable") << int(TXP_Form::bsSizeable) << false << QList<int>{577, 562, 547, -1};
        QTest::newRow("dialog") << int(TXP_Form::bsDialog) << false << QList<int>{577, -1, -1, -1};
        QTest::newRow("tool window") << int(TXP_Form::bsToolWindow) << false << QList<int>{577, -1, 562, -1};
        QTest::newRow("none") << int(TXP_Form::bsNone) << true << QList<int>{-1, -1, -1, -1};
    }
    void testButtons()
    {
        QFETCH(int, style);
        QFETCH(bool, help);
        QFETCH(QList<int>, lefts);
        Show();
        m_frame->setBtnHelp(help);
        m_frame->setBorderStyle(TXP_Form::TFormBorderStyle(style));
        const QList<QRect> rects{m_frame->CloseRect(), m_frame->MaxRect(), m_frame->MinRect(),
                                 m_frame->HelpRect()};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(rects[i], lefts[i] < 0 ? QRect() : QRect(lefts[i], 7, 15, 16));
        QCOMPARE(m_frame->CaptionRect(), style == TXP_Form::bsNone ? QRect() : QRect(0, 0, 600, 29));
        // Without a frame, the panel stays where the last frame put it, and the corners stay round.
        QCOMPARE(m_panel->geometry(), QRect(3, 29, 594, 453));
        QCOMPARE(m_owner->mask(), TXP_Form::WindowRegion({600, 485}));
    }

    void testHitTest_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("edges");
        const int T = Qt::TopEdge, L = Qt::LeftEdge, R = Qt::RightEdge, B = Qt::BottomEdge;
        QTest::newRow("top left") << QPoint(4, 4) << (T | L);
        QTest::newRow("top right") << QPoint(596, 0) << (T | R);
        QTest::newRow("bottom right") << QPoint(599, 481) << (B | R);
        QTest::newRow("bottom left") << QPoint(0, 484) << (B | L);
        QTest::newRow("left, over the panel") << QPoint(4, 200) << L;
        QTest::newRow("top") << QPoint(300, 4) << T;
        QTest::newRow("right") << QPoint(596, 200) << R;
        QTest::newRow("bottom") << QPoint(300, 481) << B;
        QTest::newRow("caption") << QPoint(300, 5) << 0;
        QTest::newRow("inside the right grip's reach") << QPoint(595, 200) << 0;
        QTest::newRow("client") << QPoint(5, 480) << 0;
    }
    void testHitTest()
    {
        QFETCH(QPoint, at);
        QFETCH(int, edges);
        Show();
        QCOMPARE(int(m_frame->HitTest(at)), edges);
        m_frame->setBorderStyle(TXP_Form::bsDialog);
        QCOMPARE(int(m_frame->HitTest(at)), 0);
    }

    // Hover and press codes; the release position decides; only a change of code redraws.
    void testCaptionButtons()
    {
        m_frame->setBtnHelp(true);
        Show();
        QSignalSpy help(m_frame, &TXP_Form::OnHelp);
        TPaintCounter counter;
        m_frame->installEventFilter(&counter);
        const QPoint close = m_frame->CloseRect().center();
        const QPoint min = m_frame->MinRect().center();
        QTest::mouseMove(m_frame, close);
        QCOMPARE(m_frame->ButtonState(), 1);
        QTRY_VERIFY(counter.paints > 0);
        counter.paints = 0;
        QTest::mouseMove(m_frame, close + QPoint(1, 1));
        QTest::mouseMove(m_frame, QPoint(300, 200));
        QTest::mouseMove(m_frame, QPoint(310, 200));
        QCOMPARE(m_frame->ButtonState(), 0);
        QTest::qWait(20);
        QCOMPARE(counter.paints, 1);

        QTest::mousePress(m_frame, Qt::LeftButton, {}, m_frame->HelpRect().center());
        QCOMPARE(m_frame->ButtonState(), 40);
        QTest::mouseRelease(m_frame, Qt::LeftButton, {}, m_frame->HelpRect().center());
        QCOMPARE(help.size(), 1);
        QTest::mousePress(m_frame, Qt::LeftButton, {}, close);
        QCOMPARE(m_frame->ButtonState(), 10);
        QTest::mouseRelease(m_frame, Qt::LeftButton, {}, min);
        QVERIFY(m_owner->isVisible());
        QTRY_VERIFY(m_owner->isMinimized());

        m_owner->showNormal();
        QTest::mousePress(m_frame, Qt::LeftButton, {}, close);
        QTest::mouseRelease(m_frame, Qt::LeftButton, {}, close);
        QVERIFY(!m_owner->isVisible());
    }

    void testMaximize()
    {
        Show();
        QTest::mouseDClick(m_frame, Qt::LeftButton, {}, QPoint(300, 12));
        QTRY_VERIFY(m_frame->Maximized());
        QVERIFY(!m_frame->MaxRect().isNull());
        // A maximised window neither moves nor resizes.
        const QPoint at = m_owner->pos();
        QTest::mousePress(m_frame, Qt::LeftButton, {}, QPoint(300, 12));
        QTest::mouseMove(m_frame, QPoint(340, 60));
        QTest::mouseRelease(m_frame, Qt::LeftButton, {}, QPoint(340, 60));
        QCOMPARE(m_owner->pos(), at);
        QCOMPARE(int(m_frame->HitTest({0, 0})), 0);
        QTest::mouseClick(m_frame, Qt::LeftButton, {}, m_frame->MaxRect().center());
        QTRY_VERIFY(!m_frame->Maximized());

        // A dialog has no maximise button: a double-click on its caption does nothing.
        m_frame->setBorderStyle(TXP_Form::bsDialog);
        QTest::mouseDClick(m_frame, Qt::LeftButton, {}, QPoint(300, 12));
        QTest::qWait(200);
        QVERIFY(!m_frame->Maximized());

        // A double-click on the caption picture closes.
        QPixmap picture(16, 16);
        picture.fill(Qt::red);
        m_frame->setPicture(picture);
        QCOMPARE(m_frame->IconRect(), QRect(8, 6, 16, 16));
        QTest::mouseDClick(m_frame, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!m_owner->isVisible());
    }

    // Offscreen, as without a window manager, the frame moves and resizes the window itself.
    void testDragAndResize()
    {
        m_frame->setMagnet(10);
        Show();
        QVERIFY(!m_owner->windowHandle()->startSystemMove());
        const QPoint start = m_owner->pos();
        QTest::mousePress(m_frame, Qt::LeftButton, {}, QPoint(300, 12));
        QTest::mouseMove(m_frame, QPoint(350, 42));
        QCOMPARE(m_owner->pos(), start + QPoint(50, 30));
        QTest::mouseRelease(m_frame, Qt::LeftButton, {}, QPoint(350, 42));
        QCOMPARE(m_owner->pos(), start + QPoint(50, 30));

        // Released 6 pixels from the left edge: snapped to it.
        m_owner->move(100, 200);
        QTest::mousePress(m_frame, Qt::LeftButton, {}, QPoint(300, 12));
        QTest::mouseMove(m_frame, QPoint(206, 12));
        QTest::mouseRelease(m_frame, Qt::LeftButton, {}, QPoint(206, 12));
        QCOMPARE(m_owner->pos(), QPoint(0, 200));

        QWindow* window = m_owner->windowHandle();
        QTest::mouseMove(window, QPoint(598, 483));
        QCOMPARE(window->cursor().shape(), Qt::SizeFDiagCursor);
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(598, 483));
        QTest::mouseMove(window, QPoint(638, 503));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(638, 503));
        QCOMPARE(m_owner->geometry(), QRect(0, 200, 640, 505));
        QCOMPARE(m_panel->geometry(), QRect(3, 29, 634, 473));
        QTest::mouseMove(window, QPoint(300, 200));
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
    }

    void testActivation()
    {
        Show();
        QSignalSpy active(m_frame, &TXP_Form::OnActive);
        QSignalSpy inactive(m_frame, &TXP_Form::OnInActive);
        const QImage before = Grab();
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(m_owner.get(), &deactivate);
        QVERIFY(!m_frame->Active());
        QCOMPARE(inactive.size(), 1);
        const QImage after = Grab();
        const QRect caption(3, 0, 594, 29);
        QVERIFY(before.copy(caption) != after.copy(caption));
        QVERIFY(before.copy(3, 100, 594, 300) == after.copy(3, 100, 594, 300));
        const QRect text(8, 0, 200, 29);
        QVERIFY(CountPixels(before, text, qRgb(255, 255, 255)) > 20);
        QVERIFY(CountPixels(after, text, qRgb(212, 208, 200)) > 20);
        QCOMPARE(CountPixels(after, text, qRgb(255, 255, 255)), 0);

        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(m_owner.get(), &activate);
        QCOMPARE(active.size(), 1);
        QCOMPARE(Grab(), before);
    }

    // What one paint keeps for the next does not outlive a change of size.
    void testPaintAfterResize()
    {
        const auto painted = [](TXP_Form* frame, QSize size) {
            frame->resize(size);
            QImage image(size, QImage::Format_RGB32);
            QPainter painter(&image);
            frame->Paint(painter);
            return image;
        };
        QWidget other;
        other.setWindowTitle(m_owner->windowTitle());
        auto* fresh = new TXP_Form(&other);
        painted(m_frame, {600, 485});
        QCOMPARE(painted(m_frame, {700, 400}), painted(fresh, {700, 400}));
    }

    void testSettersAndTopMost()
    {
        Show();
        TPaintCounter counter;
        m_frame->installEventFilter(&counter);
        m_frame->setBtnMax(true);
        m_frame->setCaptionShadow(true);
        m_frame->setColor(QColor(248, 246, 230));
        QTest::qWait(20);
        QCOMPARE(counter.paints, 0);
        m_frame->setCaptionShadow(false);
        QTRY_COMPARE(counter.paints, 1);

        m_frame->setTopMost(true);
        QVERIFY(m_owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(m_owner->isVisible());
        m_frame->setTopMost(false);
        QVERIFY(!m_owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
};

QTEST_MAIN(TestXPForm)
#include "tst_XP_Form.moc"
