#include "SkinFrames.h"
#include "XP_GroupBox.h"

#include <QTest>

namespace {

// Whether a region of the image holds a pixel of that colour, give or take a little smoothing.
bool Holds(const QImage& image, const QRect& area, const QColor& colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
                    std::abs(pixel.blue() - colour.blue()) <
                24)
                return true;
        }
    return false;
}

} // namespace

class TestXPGroupBox final : public QObject
{
    Q_OBJECT

private slots:
    void testCaptionGap_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("enabled") << true;
        QTest::newRow("disabled") << false;
    }
    void testCaptionGap()
    {
        QFETCH(bool, enabled);
        TXP_GroupBox box;
        QCOMPARE(box.geometry(), QRect(0, 0, 185, 105));
        QFont font = box.font();
        font.setPixelSize(12);
        box.setFont(font);
        box.setCaption("参数选择");
        box.resize(281, 97);
        box.setEnabled(enabled);
        const QFontMetrics metrics(font);
        const int line = metrics.height() / 2;
        const int gapEnd = 16 + metrics.horizontalAdvance("参数选择");
        const QColor border(208, 208, 191);
        const QColor face(248, 246, 230);
        const QImage shown = Shown(box);

        // The top line runs from the corner to x = 10, breaks for the caption, and goes on at 16 + TW.
        QCOMPARE(shown.pixelColor(9, line), border);
        for (int x : {10, 11, 12, gapEnd - 3, gapEnd - 1})
            QCOMPARE(shown.pixelColor(x, line), face);
        QCOMPARE(shown.pixelColor(gapEnd, line), border);
        QCOMPARE(shown.pixelColor(0, 50), border);
        QCOMPARE(shown.pixelColor(280, 50), border);
        QCOMPARE(shown.pixelColor(140, 96), border);
        QCOMPARE(shown.pixelColor(140, line - 1), face);

        const QRect caption(13, 0, gapEnd - 16, metrics.height());
        QCOMPARE(Holds(shown, caption, QColor(2, 70, 207)), enabled);
        QCOMPARE(Holds(shown, caption, QColor(128, 128, 128)), !enabled);
    }
};

QTEST_MAIN(TestXPGroupBox)
#include "tst_XP_GroupBox.moc"
