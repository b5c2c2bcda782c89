#include "menus/MenuItemPainter.h"
#include "menus/XPMenu.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QStyleOption>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

// A 16 x 16 icon: opaque red with a transparent one-pixel border.
QIcon TestIcon(int size = 16)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 1; y < size - 1; ++y)
        for (int x = 1; x < size - 1; ++x)
            image.setPixel(x, y, qRgb(200, 0, 0));
    return QIcon(QPixmap::fromImage(image));
}

QStyleOptionMenuItem Item(const QString& text,
                          QStyleOptionMenuItem::MenuItemType type = QStyleOptionMenuItem::Normal)
{
    QStyleOptionMenuItem option;
    option.text = text;
    option.menuItemType = type;
    option.state = QStyle::State_Enabled;
    option.rect = QRect(0, 0, 160, 22);
    option.direction = Qt::LeftToRight;
    return option;
}

} // namespace

class TestXPMenuPaint final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TXPMenu> m_styler;

    QImage Paint(const QStyleOptionMenuItem& option)
    {
        QImage image(option.rect.size() + QSize(0, 1), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        m_styler->Style()->drawControl(QStyle::CE_MenuItem, &option, &painter, nullptr);
        return image;
    }
    QColor At(const QImage& image, int x, int y) const { return QColor(image.pixel(x, y)); }
    const TXPPalette& Palette() const { return m_styler->Palette(); }

private slots:
    void init()
    {
        m_styler = std::make_unique<TXPMenu>();
        m_styler->setActive(true);
        m_styler->RefreshPalette(32);
    }
    void cleanup() { m_styler.reset(); }

    void testMeasuring()
    {
        const TMenuItemPainter painter(*m_styler);
        const QFontMetrics metrics(m_styler->Font());
        TMenuItemInfo separator;
        separator.separator = true;
        QCOMPARE(painter.MeasureMenuItem(separator, QSize(10, 20)).height(), 4);

        // One ampersand's width comes off, however many there are; no gap without a shortcut.
        TMenuItemInfo item;
        item.caption = QStringLiteral("A&&B");
        const int base = metrics.horizontalAdvance(QStringLiteral("A&&B")) - metrics.horizontalAdvance('&');
        QCOMPARE(painter.MeasureMenuItem(item, QSize(0, 0)).width(), base + 24 + 10);
        QCOMPARE(painter.MeasureMenuItem(item, QSize(500, 0)).width(), 500);
        item.shortcut = QStringLiteral("Ctrl+O");
        const int withShortcut =
            metrics.horizontalAdvance(QStringLiteral("A&&BCtrl+OWWW")) - metrics.horizontalAdvance('&');
        QCOMPARE(painter.MeasureMenuItem(item, QSize(0, 0)).width(), withShortcut + 24 + 10);

        // A small font leaves the height to the image: 16 pixels need 22, 32 pixels 38.
        QFont font = m_styler->Font();
        font.setPixelSize(8);
        m_styler->setFont(font);
        item.image = QImage(16, 16, QImage::Format_ARGB32);
        QCOMPARE(painter.MeasureMenuItem(item, QSize(0, 0)).height(), 22);
        item.image = QImage(32, 32, QImage::Format_ARGB32);
        const QFontMetrics small(font);
        const int text =
            small.horizontalAdvance(QStringLiteral("A&&BCtrl+OWWW")) - small.horizontalAdvance('&');
        QCOMPARE(painter.MeasureMenuItem(item, QSize(0, 0)), QSize(text + 32 + 10, 38));
    }

    void testMenuItems()
    {
        // Selected: the fill inside an outline, one pixel in from top and bottom.
        QStyleOptionMenuItem selected = Item(QStringLiteral("Open"));
        selected.state |= QStyle::State_Selected;
        QImage image = Paint(selected);
        QCOMPARE(At(image, 0, 1), Palette().SelectBorderColor);
        QCOMPARE(At(image, 159, 21), Palette().SelectBorderColor);
        QCOMPARE(At(image, 1, 2), Palette().SelectColor);
        QCOMPARE(At(image, 0, 0), Palette().IconBackColor);
        QCOMPARE(At(image, 100, 0), Palette().Color);

        // Separator: 4 high plus one, the line 2 pixels down from 7 past the icon column.
        QStyleOptionMenuItem separator = Item(QString(), QStyleOptionMenuItem::Separator);
        separator.rect = QRect(0, 0, 160, 4);
        image = Paint(separator);
        QCOMPARE(At(image, 24 + 7, 2), Palette().SeparatorColor);
        QCOMPARE(At(image, 159, 2), Palette().SeparatorColor);
        QCOMPARE(At(image, 24 + 6, 2), Palette().Color);
        QCOMPARE(At(image, 50, 1), Palette().Color);
        QCOMPARE(At(image, 50, 3), Palette().Color);

        // Checked without an image: a 10 x 10 box framed in the checked colour, a black tick.
        QStyleOptionMenuItem checked = Item(QStringLiteral("Log"));
        checked.checkType = QStyleOptionMenuItem::NonExclusive;
        checked.checked = true;
        image = Paint(checked);
        const QRect box(7, 6, 10, 10);
        QCOMPARE(At(image, box.left(), box.top()), Palette().CheckedColor);
        QCOMPARE(At(image, box.right(), box.bottom()), Palette().CheckedColor);
        QCOMPARE(At(image, box.left() + 1, box.top() + 1), Palette().CheckBack);
        QCOMPARE(At(image, box.left() + 1, box.top() + 5), QColor(0, 0, 0));
        QCOMPARE(At(image, box.left() - 1, box.top()), Palette().IconBackColor);

        // Selected with a 16-pixel icon: lifted to (2, 3), its shadow two pixels further.
        QStyleOptionMenuItem withIcon = selected;
        withIcon.icon = TestIcon();
        image = Paint(withIcon);
        const QColor red(200, 0, 0);
        const QColor shadow = m_styler->Darken(Palette().SelectColor, 50);
        QCOMPARE(At(image, 2 + 1, 3 + 1), red);
        QCOMPARE(At(image, 2 + 14, 3 + 14), red);
        QCOMPARE(At(image, 4 + 14, 5 + 14), shadow);
        QCOMPARE(At(image, 4 + 15, 5 + 15), Palette().SelectColor);
        // Not selected it stands at (3, 4), faded by the dim level, with no shadow.
        withIcon.state &= ~QStyle::State_Selected;
        image = Paint(withIcon);
        QCOMPARE(At(image, 3 + 1, 4 + 1), m_styler->Lighten(red, 30));
        QCOMPARE(At(image, 3 + 15, 4 + 15), Palette().IconBackColor);
    }

    void testPressedMenuButton()
    {
        QWidget form;
        auto* bar = new QToolBar(&form);
        QMenu menu(QStringLiteral("&File"));
        menu.addAction(QStringLiteral("Open"));
        auto* button = new QToolButton(bar);
        button->setText(menu.title());
        button->setMenu(&menu);
        button->setPopupMode(QToolButton::InstantPopup);
        bar->addWidget(button);
        TXPMenu styler(&form);
        styler.setActive(true);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(button->height(), 22);
        button->setDown(true);
        const QImage image = button->grab().toImage();
        styler.RefreshPalette(32);
        const QColor barColor = bar->palette().color(QPalette::Window);
        const int R = button->width();
        const int B = button->height();
        // Outline open at the bottom on the left and top, the 2-pixel strip on the right whose
        // top 2 pixels keep the bar's colour.
        QCOMPARE(QColor(image.pixel(0, B - 1)), styler.Palette().SelectBorderColor);
        QCOMPARE(QColor(image.pixel(5, 1)), styler.Palette().SelectBorderColor);
        QCOMPARE(QColor(image.pixel(R - 3, 10)), styler.Palette().SelectBorderColor);
        QCOMPARE(QColor(image.pixel(2, B - 1)), styler.Palette().SelectColor);
        for (int x : {R - 2, R - 1}) {
            QCOMPARE(QColor(image.pixel(x, 1)), barColor);
            QCOMPARE(QColor(image.pixel(x, 2)), barColor);
            QCOMPARE(QColor(image.pixel(x, 3)), styler.Darken(barColor, 70));
            QCOMPARE(QColor(image.pixel(x, B - 1)), styler.Darken(barColor, 70));
        }
    }

    // A picture bar's 32-pixel images in 39-pixel buttons: centred in the bar's coordinates, so
    // half a pixel rounds to even by the button's place in the bar, 4 pixels in from an even left
    // edge and 3 from an odd one.
    void testImagesCentredInTheBar()
    {
        QWidget form;
        auto* bar = new QToolBar(&form);
        bar->setMovable(false);
        bar->setIconSize(QSize(32, 32));
        bar->setGeometry(0, 0, 400, 50);
        QImage picture(32, 32, QImage::Format_ARGB32);
        picture.fill(qRgb(200, 0, 0));
        picture.setPixel(0, 31, qRgba(0, 0, 0, 0)); // no transparent key colour to take out
        QList<QToolButton*> buttons;
        const auto separator = [bar] { bar->widgetForAction(bar->addSeparator())->setFixedWidth(10); };
        const auto button = [&] {
            auto* button = new QToolButton(bar);
            button->setIcon(QIcon(QPixmap::fromImage(picture)));
            button->setIconSize(QSize(32, 32));
            button->setFixedSize(39, 41);
            bar->addWidget(button);
            buttons << button;
        };
        separator();
        button(), button(), button(), button();
        separator();
        button();
        separator();
        button(), button();
        TXPMenu styler(&form);
        styler.setActive(true);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QImage image = bar->grab().toImage();
        QList<int> lefts;
        QList<int> offsets;
        for (QToolButton* each : buttons) {
            const int y = each->y() + 2 + 16;
            const QRgb face = image.pixel(each->x(), y);
            int x = each->x();
            while (x < each->x() + each->width() && image.pixel(x, y) == face)
                ++x;
            lefts << each->x();
            offsets << x - each->x();
        }
        QCOMPARE(lefts, (QList<int>{10, 49, 88, 127, 176, 225, 264}));
        QCOMPARE(offsets, (QList<int>{4, 3, 4, 3, 4, 3, 4}));
    }

    void testComboArrow()
    {
        QWidget form;
        auto* panel = new QWidget(&form);
        auto* combo = new QComboBox(panel);
        combo->setGeometry(0, 0, 120, 21);
        TXPMenu styler(&form);
        styler.setActive(true);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QImage image = combo->grab().toImage();
        const int x = combo->width() - 10;
        const QColor black(0, 0, 0);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(QColor(image.pixel(x + i, 10)), black);
        for (int i = 1; i < 4; ++i)
            QCOMPARE(QColor(image.pixel(x + i, 11)), black);
        QCOMPARE(QColor(image.pixel(x + 2, 12)), black);
        QVERIFY(QColor(image.pixel(x + 2, 9)) != black && QColor(image.pixel(x + 2, 13)) != black);
        QVERIFY(QColor(image.pixel(x, 11)) != black && QColor(image.pixel(x + 1, 12)) != black);
    }
};

QTEST_MAIN(TestXPMenuPaint)
#include "tst_XPMenuPaint.moc"
