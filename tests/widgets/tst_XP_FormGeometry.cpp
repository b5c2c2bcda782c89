#include "widgets/XP_FormGeometry.h"

#include <QRegion>
#include <QTest>

namespace {

// The skin's border thicknesses and caption bar height.
const TFormMetrics kMetrics{3, 3, 29, 3};

} // namespace

// The frame's rectangles and positions, from sizes alone.
class TestXPFormGeometry final : public QObject
{
    Q_OBJECT

private slots:
    void testLayout_data()
    {
        QTest::addColumn<TCaptionButtons>("shown");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QList<int>>("lefts"); // close, maximise, minimise, help; -1 hidden
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<int>("titleLeft");
        QTest::newRow("close and help close up") << TCaptionButtons{true, false, false, true} << QSize(16, 16)
                                                 << QList<int>{577, -1, -1, 562} << QRect(8, 8, 16, 16) << 31;
        QTest::newRow("tall picture, no buttons")
            << TCaptionButtons{} << QSize(20, 33) << QList<int>{-1, -1, -1, -1} << QRect(8, 0, 20, 33) << 35;
        QTest::newRow("no picture") << TCaptionButtons{} << QSize() << QList<int>{-1, -1, -1, -1} << QRect()
                                    << 8;
    }
    void testLayout()
    {
        QFETCH(TCaptionButtons, shown);
        QFETCH(QSize, picture);
        QFETCH(QList<int>, lefts);
        QFETCH(QRect, icon);
        QFETCH(int, titleLeft);
        // The picture moves down by 2, the title 5 further right.
        const TFormLayout layout = TFormLayout::Of({600, 485}, kMetrics, shown, picture, 2, 5);
        const QList<QRect> rects{layout.close, layout.max, layout.min, layout.help};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(rects[i], lefts[i] < 0 ? QRect() : QRect(lefts[i], 7, 15, 16));
        QCOMPARE(layout.caption, QRect(0, 0, 600, 29));
        QCOMPARE(layout.icon, icon);
        QCOMPARE(layout.titleLeft, titleLeft);
    }

    // The edge one past a button counts as on it, the close button wins where two meet, and an
    // unset rectangle at the origin holds nothing.
    void testButtonAt()
    {
        const TFormLayout layout =
            TFormLayout::Of({600, 485}, kMetrics, {true, true, false, false}, {}, 0, 0);
        QCOMPARE(layout.ButtonAt({592, 23}), cbClose);
        QCOMPARE(layout.ButtonAt({577, 7}), cbClose);
        QCOMPARE(layout.ButtonAt({576, 7}), cbMax);
        QCOMPARE(layout.ButtonAt({561, 7}), cbNone);
        QCOMPARE(layout.ButtonAt({0, 0}), cbNone);
        QVERIFY(!Hits(QRect(), {0, 0}));
    }

    void testResized_data()
    {
        QTest::addColumn<int>("edges");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QRect>("resized");
        QTest::newRow("bottom right grows")
            << int(Qt::BottomEdge | Qt::RightEdge) << QPoint(40, 20) << QRect(100, 50, 640, 505);
        QTest::newRow("left stops at the least width")
            << int(Qt::LeftEdge) << QPoint(550, 0) << QRect(600, 50, 100, 485);
        QTest::newRow("top stops at the most height")
            << int(Qt::TopEdge) << QPoint(0, -300) << QRect(100, -165, 600, 700);
    }
    void testResized()
    {
        QFETCH(int, edges);
        QFETCH(QPoint, delta);
        QFETCH(QRect, resized);
        QCOMPARE(Resized({100, 50, 600, 485}, Qt::Edges(edges), delta, {100, 100}, {800, 700}), resized);
    }

    void testRegion()
    {
        for (const QSize size : {QSize(600, 485), QSize(100, 100)}) {
            const QRegion region = RoundedTopRegion(size);
            const int r = size.width() - 1;
            const int b = size.height() - 1;
            for (const QPoint& outside :
                 {QPoint(0, 0), QPoint(3, 0), QPoint(1, 1), QPoint(0, 2), QPoint(r, 0), QPoint(r - 1, 1),
                  QPoint(r, 3), QPoint(size.width(), 10)})
                QVERIFY2(!region.contains(outside),
                         qPrintable(QString("%1,%2").arg(outside.x()).arg(outside.y())));
            for (const QPoint& inside : {QPoint(4, 0), QPoint(r - 4, 0), QPoint(2, 1), QPoint(0, 4),
                                         QPoint(r, 4), QPoint(0, b), QPoint(r, b), QPoint(6, 6)})
                QVERIFY2(region.contains(inside),
                         qPrintable(QString("%1,%2").arg(inside.x()).arg(inside.y())));
        }
    }

    void testSnap_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<int>("reserve");
        QTest::addColumn<int>("magnet");
        QTest::addColumn<QPoint>("snapped");
        QTest::newRow("near the top") << QRect(200, 7, 300, 200) << 0 << 10 << QPoint(200, 0);
        QTest::newRow("above the top") << QRect(200, -40, 300, 200) << 0 << 10 << QPoint(200, 0);
        QTest::newRow("magnet off") << QRect(200, 7, 300, 200) << 0 << 0 << QPoint(200, 7);
        QTest::newRow("6 from the left") << QRect(6, 300, 300, 200) << 0 << 10 << QPoint(0, 300);
        QTest::newRow("above a taskbar") << QRect(200, 335, 300, 400) << 30 << 10 << QPoint(200, 338);
        QTest::newRow("over a taskbar") << QRect(200, 360, 300, 400) << 30 << 10 << QPoint(200, 338);
        QTest::newRow("right edge") << QRect(720, 300, 300, 200) << 0 << 10 << QPoint(724, 300);
        QTest::newRow("free") << QRect(200, 300, 300, 200) << 30 << 10 << QPoint(200, 300);
    }
    void testSnap()
    {
        QFETCH(QRect, window);
        QFETCH(int, reserve);
        QFETCH(int, magnet);
        QFETCH(QPoint, snapped);
        QCOMPARE(SnappedToDesk(window, QRect(0, 0, 1024, 768), reserve, magnet), snapped);
        QCOMPARE(SnappedToDesk(window.translated(1024, 0), QRect(1024, 0, 1024, 768), reserve, magnet),
                 snapped + QPoint(1024, 0));
    }
};

QTEST_MAIN(TestXPFormGeometry)
#include "tst_XP_FormGeometry.moc"
