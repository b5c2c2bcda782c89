#include "SkinFrames.h"
#include "XP_Button.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

void Send(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Focus(QWidget* widget, bool in)
{
    QFocusEvent event(in ? QEvent::FocusIn : QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(widget, &event);
}

// The button's XPBUTTON frame stretched over 81 x 25, as the skin routine draws it.
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
        QTest::newRow("disabled") << "disabled" << int(TXP_Button::sDisabled);
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
            Focus(&button, true);
        if (look.contains("disabled"))
            button.setEnabled(false);
        if (look.startsWith("hot")) {
            QEnterEvent enter(QPointF(40, 12), QPointF(40, 12), QPointF(40, 12));
            QApplication::sendEvent(&button, &enter);
        }
        if (look == "pressed")
            Send(&button, QEvent::MouseButtonPress, {40, 12}, Qt::LeftButton);
        QCOMPARE(Shown(button), Expected(state));
    }

    // Pressed on a focused button, moved off: the focused look, and the release raises nothing.
    void testPressMoveOffRelease()
    {
        TXP_Button button;
        button.resize(81, 25);
        QSignalSpy clicked(&button, &QAbstractButton::clicked);
        Focus(&button, true);
        Send(&button, QEvent::MouseButtonPress, {40, 12}, Qt::LeftButton);
        QCOMPARE(Shown(button), Expected(TXP_Button::sPressed));
        Send(&button, QEvent::MouseMove, {40, 60}, Qt::LeftButton);
        QCOMPARE(Shown(button), Expected(TXP_Button::sFocused));
        Send(&button, QEvent::MouseButtonRelease, {40, 60}, Qt::NoButton);
        QCOMPARE(clicked.count(), 0);

        Send(&button, QEvent::MouseButtonPress, {40, 12}, Qt::LeftButton);
        Send(&button, QEvent::MouseButtonRelease, {40, 12}, Qt::NoButton);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(Shown(button), Expected(TXP_Button::sFocused));
    }

    void testAccelerator_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("enabled") << true;
        QTest::newRow("disabled") << false;
    }
    void testAccelerator()
    {
        QFETCH(bool, enabled);
        QWidget form;
        auto* other = new TXP_Button(&form);
        auto* button = new TXP_Button(&form);
        button->setCaption("&Go");
        button->move(0, 30);
        button->setEnabled(enabled);
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        other->setFocus();
        QTest::keyClick(other, Qt::Key_G, Qt::AltModifier);
        QCOMPARE(clicked.count(), enabled ? 1 : 0);
        QCOMPARE(button->hasFocus(), enabled);
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
