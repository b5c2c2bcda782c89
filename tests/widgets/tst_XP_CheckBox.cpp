#include "SkinFrames.h"
#include "XP_CheckBox.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

const QColor kFace(248, 246, 230);

void Mouse(QWidget* widget, QEvent::Type type)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, QPointF(5, 8), widget->mapToGlobal(QPointF(5, 8)), Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Enter(QWidget* widget)
{
    QEnterEvent enter(QPointF(5, 8), QPointF(5, 8), QPointF(5, 8));
    QApplication::sendEvent(widget, &enter);
}

void Leave(QWidget* widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}

// The frame a 105 x 17 box shows at (0, 2), its face right of it.
int FrameShown(TXP_CheckBox& box)
{
    const QImage shown = Shown(box);
    if (shown.pixel(60, 0) != kFace.rgb() || shown.pixel(13, 8) != kFace.rgb())
        return -1;
    for (int frame = 1; frame <= 6; ++frame)
        if (shown.copy(0, 2, 13, 13) == SkinFrame("XPCHECKBOX", 6, frame))
            return frame;
    return 0;
}

} // namespace

class TestXPCheckBox final : public QObject
{
    Q_OBJECT

private slots:
    void testFrames_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("hot");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("frame");
        QTest::newRow("unchecked") << false << false << true << 1;
        QTest::newRow("checked") << true << false << true << 2;
        QTest::newRow("unchecked, disabled") << false << false << false << 3;
        QTest::newRow("checked, disabled") << true << false << false << 4;
        QTest::newRow("unchecked, hot") << false << true << true << 5;
        QTest::newRow("checked, hot") << true << true << true << 6;
    }
    void testFrames()
    {
        QFETCH(bool, checked);
        QFETCH(bool, hot);
        QFETCH(bool, enabled);
        QFETCH(int, frame);
        TXP_CheckBox box;
        QCOMPARE(box.geometry(), QRect(0, 0, 121, 17));
        box.resize(105, 17);
        box.setChecked(checked);
        box.setEnabled(enabled);
        if (hot)
            Enter(&box);
        QCOMPARE(FrameShown(box), frame);
    }

    // The state changes on the press, the click follows on the release; the hot look is gone
    // until the mouse leaves and comes back.
    void testClickWhileHot()
    {
        TXP_CheckBox box;
        box.resize(105, 17);
        QSignalSpy clicked(&box, &QAbstractButton::clicked);
        Enter(&box);
        QCOMPARE(FrameShown(box), 5);
        Mouse(&box, QEvent::MouseButtonPress);
        QVERIFY(box.isChecked());
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(FrameShown(box), 2);
        Mouse(&box, QEvent::MouseButtonRelease);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(FrameShown(box), 2);
        Leave(&box);
        Enter(&box);
        QCOMPARE(FrameShown(box), 6);

        // A release whose press began elsewhere still raises the click, and changes nothing.
        Mouse(&box, QEvent::MouseButtonRelease);
        QCOMPARE(clicked.count(), 2);
        QVERIFY(box.isChecked());
    }

    void testFocusRectangle()
    {
        TXP_CheckBox box;
        box.resize(105, 17);
        box.setCaption("A&&B");
        QFocusEvent focus(QEvent::FocusIn);
        QApplication::sendEvent(&box, &focus);
        // Measured on "AB": one pixel left of the caption to one past its end, a pixel above it.
        const QFontMetrics metrics(box.font());
        const int top = (17 - metrics.height()) / 2 - 1;
        const int right = 16 + metrics.horizontalAdvance("AB");
        QVERIFY(metrics.horizontalAdvance("A&B") > metrics.horizontalAdvance("AB"));
        const QImage shown = Shown(box);
        const QRgb dot = ~kFace.rgb() | 0xFF000000;
        QList<int> columns;
        for (int x = 13; x < shown.width(); ++x)
            if (shown.pixel(x, top) == dot)
                columns << x;
        QVERIFY(!columns.isEmpty());
        QVERIFY(columns.first() == 16 || columns.first() == 17);
        QVERIFY(columns.last() == right || columns.last() == right - 1);
    }
};

QTEST_MAIN(TestXPCheckBox)
#include "tst_XP_CheckBox.moc"
