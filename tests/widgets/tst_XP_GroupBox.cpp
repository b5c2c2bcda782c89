#include "WidgetTesting.h"
#include "widgets/XP_GroupBox.h"

#include <QTest>

class TestXPGroupBox final : public QObject
{
    Q_OBJECT

private slots:
    // The top line runs from the corner to x = 10, breaks for the caption and goes on at 16 + TW.
    void testCaptionGap()
    {
        TXP_GroupBox box;
        QCOMPARE(box.geometry(), QRect(0, 0, 185, 105));
        QFont font = box.font();
        font.setPixelSize(12);
        box.setFont(font);
        box.setCaption("参数选择");
        box.resize(281, 97);
        const QFontMetrics metrics(font);
        const int line = metrics.height() / 2;
        const int gapEnd = 16 + metrics.horizontalAdvance("参数选择");
        const QColor border(208, 208, 191);
        const QColor face(248, 246, 230);
        const QImage shown = Shown(box);
        QCOMPARE(shown.pixelColor(9, line), border);
        for (int x : {10, 12, gapEnd - 3, gapEnd - 1})
            QCOMPARE(shown.pixelColor(x, line), face);
        QCOMPARE(shown.pixelColor(gapEnd, line), border);
        QCOMPARE(shown.pixelColor(140, line - 1), face);
        for (const QPoint& side : {QPoint(0, 50), QPoint(280, 50), QPoint(140, 96)})
            QCOMPARE(shown.pixelColor(side), border);
    }
};

QTEST_MAIN(TestXPGroupBox)
#include "tst_XP_GroupBox.moc"
