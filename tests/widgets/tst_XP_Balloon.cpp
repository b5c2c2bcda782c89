#include "WidgetTesting.h"
#include "widgets/XP_Balloon.h"

#include <QTest>

namespace {

// A form that counts the presses it hears itself.
class TForm final : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

} // namespace

class TestXPBalloon final : public QObject
{
    Q_OBJECT

private slots:
    void testShape_data()
    {
        QTest::addColumn<TXP_Balloon::TBalloonPos>("pos");
        QTest::addColumn<QRect>("body");
        QTest::addColumn<QPolygon>("beak");
        QTest::addColumn<QList<QPoint>>("inside");
        QTest::addColumn<QList<QPoint>>("outside");
        QTest::newRow("beak at the bottom")
            << TXP_Balloon::bpBottom << QRect(0, 0, 327, 169)
            << QPolygon({{286, 168}, {276, 168}, {286, 183}})
            << QList<QPoint>{{163, 0}, {0, 84}, {325, 84}, {100, 168}, {284, 175}, {285, 181}}
            << QList<QPoint>{{0, 0}, {325, 0}, {0, 168}, {100, 169}, {274, 175}, {287, 175}, {325, 182}};
        QTest::newRow("beak at the top")
            << TXP_Balloon::bpTop << QRect(0, 15, 327, 168) << QPolygon({{40, 15}, {50, 15}, {40, 0}})
            << QList<QPoint>{{100, 15}, {41, 3}, {42, 10}, {163, 182}}
            << QList<QPoint>{{100, 14}, {39, 5}, {50, 5}, {0, 15}, {0, 182}};
    }
    void testShape()
    {
        QFETCH(TXP_Balloon::TBalloonPos, pos);
        QFETCH(QRect, body);
        QFETCH(QPolygon, beak);
        QFETCH(QList<QPoint>, inside);
        QFETCH(QList<QPoint>, outside);
        QWidget window; // the platform here has no window masks: the region goes to an inner form
        auto* form = new QWidget(&window);
        form->resize(326, 183);
        auto* balloon = new TXP_Balloon(form);
        balloon->setBeakPos(pos);
        QCOMPARE(balloon->geometry(), form->rect());
        QCOMPARE(balloon->Body(), body);
        QCOMPARE(balloon->Beak(), beak);
        for (const QPoint& point : inside + outside)
            QCOMPARE(form->mask().contains(point), inside.contains(point));

        // The window keeps the shape of its current size.
        window.show();
        form->resize(400, 300);
        QCOMPARE(form->mask(), balloon->Shape());
        QVERIFY(form->mask().contains(QPoint(399, 150)));
    }

    void testBorderWidth_data()
    {
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("width");
        QTest::newRow("0 is too thin") << 0 << 1;
        QTest::newRow("10 is the most") << 10 << 10;
        QTest::newRow("11 is too thick") << 11 << 1;
    }
    void testBorderWidth()
    {
        QFETCH(int, asked);
        QFETCH(int, width);
        QWidget form;
        form.resize(326, 183);
        auto* balloon = new TXP_Balloon(&form);
        balloon->setBorderWidth(5);
        balloon->setBorderWidth(asked);
        QCOMPARE(balloon->BorderWidth(), width);
        // The line lies inside the shape on every side, the right edge included.
        const QImage shown = Shown(*balloon);
        const QRgb line = qRgb(0, 0, 0);
        const QRgb face = qRgb(255, 255, 215);
        for (const auto& [edge, inward] : {std::pair{QPoint(163, 0), QPoint(0, 1)},
                                           {QPoint(0, 84), QPoint(1, 0)},
                                           {QPoint(325, 84), QPoint(-1, 0)},
                                           {QPoint(150, 168), QPoint(0, -1)}}) {
            QCOMPARE(shown.pixel(edge + inward * (width - 1)), line);
            QCOMPARE(shown.pixel(edge + inward * width), face);
        }
    }

    void testDrag_data()
    {
        QTest::addColumn<bool>("canMoved");
        QTest::newRow("movable") << true;
        QTest::newRow("fixed") << false;
    }
    void testDrag()
    {
        QFETCH(bool, canMoved);
        TForm form;
        form.setGeometry(100, 100, 326, 183);
        auto* balloon = new TXP_Balloon(&form);
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        balloon->setCanMoved(canMoved);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QPoint before = form.pos();
        const QPoint grip = balloon->mapToGlobal(QPoint(50, 50));
        MouseAt(balloon, QEvent::MouseButtonPress, grip);
        MouseAt(balloon, QEvent::MouseMove, grip + QPoint(20, 30));
        MouseAt(balloon, QEvent::MouseMove, grip + QPoint(30, 40));
        MouseAt(balloon, QEvent::MouseButtonRelease, grip + QPoint(30, 40));
        QCOMPARE(form.pos(), canMoved ? before + QPoint(30, 40) : before);
        QCOMPARE(form.presses, 0);
    }
};

QTEST_MAIN(TestXPBalloon)
#include "tst_XP_Balloon.moc"
