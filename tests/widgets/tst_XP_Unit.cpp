#include "widgets/XP_Unit.h"

#include <QPainter>
#include <QTest>

namespace {

// Every column and every row has its own colour, so a pixel tells where it came from.
QImage Numbered(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x, y, 77));
    return image;
}

QPoint Origin(QRgb pixel)
{
    return {qRed(pixel), qGreen(pixel)};
}

QImage Stretched(const QImage& image, QSize size)
{
    QImage canvas(size + QSize(4, 4), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    StretchSkin(image, painter, QRect(QPoint(2, 2), size));
    painter.end();
    return canvas;
}

} // namespace

class TestXPUnit final : public QObject
{
    Q_OBJECT

private slots:
    void testPointInside_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("inside");
        const QRect close(577, 7, 15, 16); // drawn over columns 577..591, rows 7..22
        QTest::newRow("left top corner") << close << QPoint(577, 7) << true;
        QTest::newRow("right edge") << close << QPoint(592, 10) << true;
        QTest::newRow("bottom edge") << close << QPoint(580, 23) << true;
        QTest::newRow("past the right edge") << close << QPoint(593, 10) << false;
        QTest::newRow("above") << close << QPoint(580, 6) << false;
        QTest::newRow("empty rectangle, its origin") << QRect() << QPoint(0, 0) << true;
        QTest::newRow("empty rectangle, beside it") << QRect() << QPoint(1, 0) << false;
    }
    void testPointInside()
    {
        QFETCH(QRect, rect);
        QFETCH(QPoint, point);
        QFETCH(bool, inside);
        QCOMPARE(PointInside(rect, point.x(), point.y()), inside);
    }

    void testExtractFrame()
    {
        const QImage buttons = Numbered(46, 16);
        for (int index = 1; index <= 3; ++index) {
            const QImage frame = ExtractFrame(buttons, 3, index, true);
            QCOMPARE(frame.size(), QSize(15, 16));
            QCOMPARE(Origin(frame.pixel(0, 0)), QPoint(15 * (index - 1), 0));
            QCOMPARE(Origin(frame.pixel(14, 15)), QPoint(15 * index - 1, 15)); // column 45 is in none
        }
        const QImage frame = ExtractFrame(Numbered(60, 58), 2, 2, false);
        QCOMPARE(frame.size(), QSize(60, 29));
        QCOMPARE(Origin(frame.pixel(59, 0)), QPoint(59, 29));
    }

    void testStretchSkin_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QSize>("target");
        QTest::addColumn<QList<int>>("columns"); // image column of each target column
        QTest::addColumn<QList<int>>("rows");
        const auto span = [](int from, int to, int first, int step) {
            QList<int> list;
            for (int i = from; i <= to; ++i)
                list << first + (i - from) * step;
            return list;
        };
        QTest::newRow("button frame into 81 x 25")
            << QSize(18, 21) << QSize(81, 25) << span(0, 8, 0, 1) + span(9, 71, 9, 0) + span(72, 80, 9, 1)
            << span(0, 9, 0, 1) + span(10, 13, 10, 0) + span(14, 24, 10, 1);
        QTest::newRow("border frame into 3 x 485")
            << QSize(3, 63) << QSize(3, 485) << QList<int>{0, 1, 2}
            << span(0, 30, 0, 1) + span(31, 452, 31, 0) + span(453, 484, 31, 1);
        QTest::newRow("caption at its own size")
            << QSize(60, 29) << QSize(60, 29) << span(0, 59, 0, 1) << span(0, 28, 0, 1);
    }
    void testStretchSkin()
    {
        QFETCH(QSize, image);
        QFETCH(QSize, target);
        QFETCH(QList<int>, columns);
        QFETCH(QList<int>, rows);
        const QImage out = Stretched(Numbered(image.width(), image.height()), target);
        for (int y = 0; y < target.height(); ++y)
            for (int x = 0; x < target.width(); ++x)
                QCOMPARE(Origin(out.pixel(x + 2, y + 2)), QPoint(columns[x], rows[y]));
        // Nothing is drawn outside the rectangle.
        QCOMPARE(out.pixel(1, 1), qRgb(0, 0, 0));
        QCOMPARE(out.pixel(target.width() + 2, target.height() + 2), qRgb(0, 0, 0));
    }

    void testDrawSilhouette()
    {
        QImage shape(4, 3, QImage::Format_RGB32);
        shape.fill(Qt::red); // the bottom-left pixel is red: red is the key
        shape.setPixel(1, 0, qRgb(0, 0, 255));
        shape.setPixel(3, 2, qRgb(0, 255, 0));
        QImage canvas(8, 8, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        DrawSilhouette(shape, painter, 2, 3, QColor(10, 20, 30));
        QImage blank(2, 2, QImage::Format_RGB32);
        blank.fill(Qt::blue);
        DrawSilhouette(blank, painter, 0, 0, Qt::black);
        painter.end();
        int painted = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                painted += canvas.pixel(x, y) != qRgb(255, 255, 255);
        QCOMPARE(painted, 2);
        QCOMPARE(canvas.pixel(3, 3), qRgb(10, 20, 30));
        QCOMPARE(canvas.pixel(5, 5), qRgb(10, 20, 30));
    }

    // Every image of the skin with its size, depth and frame layout; names ignore case.
    void testSkinImages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("frames");
        QTest::addColumn<bool>("horizontal");
        QTest::newRow("caption") << "xpform_caption" << QSize(60, 58) << 8 << 2 << false;
        QTest::newRow("left") << "xpform_left" << QSize(6, 63) << 8 << 2 << true;
        QTest::newRow("right") << "xpform_right" << QSize(6, 63) << 8 << 2 << true;
        QTest::newRow("bottom") << "xpform_bottom" << QSize(43, 6) << 8 << 2 << false;
        QTest::newRow("close") << "xpform_close" << QSize(46, 16) << 24 << 3 << true;
        QTest::newRow("max") << "xpform_max" << QSize(46, 16) << 24 << 3 << true;
        QTest::newRow("restore") << "xpform_Restore" << QSize(46, 16) << 24 << 3 << true;
        QTest::newRow("min") << "xpform_min" << QSize(46, 16) << 24 << 3 << true;
        QTest::newRow("help") << "xpform_help" << QSize(46, 16) << 24 << 3 << true;
        QTest::newRow("button") << "XPBUTTON" << QSize(90, 21) << 24 << 5 << true;
        QTest::newRow("check box") << "XPCHECKBOX" << QSize(78, 13) << 8 << 6 << true;
        QTest::newRow("radio box") << "xpradiobox" << QSize(78, 13) << 8 << 6 << true;
    }
    void testSkinImages()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(int, depth);
        QFETCH(int, frames);
        QFETCH(bool, horizontal);
        const QImage image = LoadSkin(name);
        QCOMPARE(image.size(), size);
        QCOMPARE(image.format() == QImage::Format_Indexed8, depth == 8);
        QCOMPARE(LoadSkin(name.toUpper()), image);
        // Each state has a look of its own.
        QList<QImage> states;
        for (int i = 1; i <= frames; ++i) {
            const QImage frame = ExtractFrame(image, frames, i, horizontal);
            QVERIFY2(!states.contains(frame), qPrintable(QString("frame %1 repeats another").arg(i)));
            states << frame;
        }
        if (size == QSize(46, 16)) {
            const QRgb magenta = qRgb(255, 0, 255);
            for (const QPoint& corner : {QPoint(0, 0), QPoint(14, 0), QPoint(0, 15), QPoint(14, 15)})
                QCOMPARE(states[1].pixel(corner), magenta);
            QVERIFY(states[0].pixel(7, 8) != magenta);
        }
    }

    void testMissingSkinAndCache()
    {
        QTest::ignoreMessage(QtWarningMsg, "skin image NOSUCHSKIN is missing");
        QVERIFY(LoadSkin("NOSUCHSKIN").isNull());
        const QImage cached = LoadSkin("XPBUTTON");
        SetSkinCaching(false);
        QCOMPARE(LoadSkin("xpbutton"), cached);
        SetSkinCaching(true);
        QCOMPARE(XPHandCursor().pixmap().size(), QSize(32, 32));
    }
};

QTEST_MAIN(TestXPUnit)
#include "tst_XP_Unit.moc"
