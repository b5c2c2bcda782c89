#include "WidgetTesting.h"
#include "widgets/XP_Button.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

// The XPBUTTON frame stretched over an 81 x 25 button, as the skin routine draws it.
QImage Expected(int state)
{
    QImage expected(81, 25, QImage::Format_RGB32);
    QPainter painter(&expected);
    StretchSkin(SkinFrame("XPBUTTON", 5, state), painter, expected.rect());
    return expected;
}

} // namespace

class TestXPButton final : public QObject
{
    Q_OBJECT

private slots:
    void testFrames_data()
    {
        QTest::addColumn<QString>("look");
        QTest::addColumn<int>("state");
        QTest::newRow("normal") << "normal" << int(TXP_Button::sNormal);
        QTest::newRow("hot") << "hot" << int(TXP_Button::sHot);
        QTest::newRow("hot wins over focus") << "hot focused" << int(TXP_Button::sHot);
        QTest::newRow("pressed") << "pressed" << int(TXP_Button::sPressed);
        QTest::newRow("focused") << "focused" << int(TXP_Button::sFocused);
        QTest::newRow("disabled beats focus") << "disabled focused" << int(TXP_Button::sDisabled);
    }
    void testFrames()
    {
        QFETCH(QString, look);
        QFETCH(int, state);
        TXP_Button button;
        QCOMPARE(button.size(), QSize(75, 24));
        button.resize(81, 25);
        if (look.contains("focused"))
            Focus(&button);
        button.setEnabled(!look.contains("disabled"));
        if (look.startsWith("hot"))
            Hover(&button, true);
        if (look == "pressed")
            Mouse(&button, QEvent::MouseButtonPress, {40, 12});
        QCOMPARE(Shown(button), Expected(state));
    }

    // Pressed on a focused button, moved off: the focused look, and the release raises nothing.
    void testPressMoveOffRelease()
    {
        TXP_Button button;
        button.resize(81, 25);
        QSignalSpy clicked(&button, &QAbstractButton::clicked);
        Focus(&button);
        Mouse(&button, QEvent::MouseButtonPress, {40, 12});
        QCOMPARE(Shown(button), Expected(TXP_Button::sPressed));
        Mouse(&button, QEvent::MouseMove, {40, 60});
        QCOMPARE(Shown(button), Expected(TXP_Button::sFocused));
        Mouse(&button, QEvent::MouseButtonRelease, {40, 60});
        QCOMPARE(clicked.count(), 0);

        Mouse(&button, QEvent::MouseButtonPress, {40, 12});
        Mouse(&button, QEvent::MouseButtonRelease, {40, 12});
        QCOMPARE(clicked.count(), 1);
    }

    void testPictureTop()
    {
        const TXP_Button::TLayout layout =
            TXP_Button::Layout({75, 48}, {16, 16}, {30, 12}, TXP_Button::pTop, 2);
        QCOMPARE(layout.picture, QPoint(29, 9));
        QCOMPARE(layout.caption, QRect(QPoint(0, 27), QPoint(74, 38))); // (0, 27, 75, 39), ends exclusive
    }
};

QTEST_MAIN(TestXPButton)
#include "tst_XP_Button.moc"
