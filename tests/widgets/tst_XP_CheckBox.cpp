#include "WidgetTesting.h"
#include "widgets/XP_CheckBox.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QColor kFace(248, 246, 230);

// The frame a 105 x 17 box shows at (0, 2), with its face right of it; 0 for none of them.
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
            Hover(&box, true);
        QCOMPARE(FrameShown(box), frame);
    }

    // The state changes on the press, the click follows on the release; the hot look is gone
    // until the mouse leaves and comes back.
    void testClickWhileHot()
    {
        TXP_CheckBox box;
        box.resize(105, 17);
        QSignalSpy clicked(&box, &QAbstractButton::clicked);
        Hover(&box, true);
        Mouse(&box, QEvent::MouseButtonPress, {5, 8});
        QVERIFY(box.isChecked());
        QCOMPARE(clicked.count(), 0);
        Mouse(&box, QEvent::MouseButtonRelease, {5, 8});
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(FrameShown(box), 2);
        Hover(&box, false);
        Hover(&box, true);
        QCOMPARE(FrameShown(box), 6);

        // A release whose press began elsewhere still raises the click, and changes nothing.
        Mouse(&box, QEvent::MouseButtonRelease, {5, 8});
        QCOMPARE(clicked.count(), 2);
        QVERIFY(box.isChecked());
    }

    // Measured on "AB": one pixel left of the caption to one past its end, a pixel above it.
    void testFocusRectangle()
    {
        TXP_CheckBox box;
        box.resize(105, 17);
        box.setCaption("A&&B");
        Focus(&box);
        const QFontMetrics metrics(box.font());
        const int top = (17 - metrics.height()) / 2 - 1;
        const int right = 16 + metrics.horizontalAdvance("AB");
        QVERIFY(metrics.horizontalAdvance("A&B") > metrics.horizontalAdvance("AB"));
        const QImage shown = Shown(box);
        QList<int> dots;
        for (int x = 13; x < shown.width(); ++x)
            if (shown.pixel(x, top) == (~kFace.rgb() | 0xFF000000))
                dots << x;
        QVERIFY(!dots.isEmpty());
        QVERIFY(dots.first() == 16 || dots.first() == 17);
        QVERIFY(dots.last() == right || dots.last() == right - 1);
    }
};

QTEST_MAIN(TestXPCheckBox)
#include "tst_XP_CheckBox.moc"
