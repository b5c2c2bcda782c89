#include "app/ui/ProductInfo.h"
#include "app/ui/AboutBox.h"
#include "app/ui/LogViewer.h"
#include "app/ui/PreferencesDialog.h"
#include "TestDoubles.h"
#include "widgets/XP_CheckBox.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

class TestDialogs final : public QObject
{
    Q_OBJECT

private:
    TScriptedPrompts m_prompts;
    TRecordingShell m_shell;
    std::unique_ptr<AboutBox> m_about;

    QLabel* Label(const char* name) const { return m_about->findChild<QLabel*>(QString::fromLatin1(name)); }

    void ShowAbout()
    {
        m_about->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_about.get()));
    }

private slots:
    void init()
    {
        m_prompts = TScriptedPrompts();
        m_shell = TRecordingShell();
        m_about = std::make_unique<AboutBox>(m_shell, m_prompts);
        m_about->fill(TProductInfo::Corvane());
    }
    void cleanup() { m_about.reset(); }

    void testFilled()
    {
        QCOMPARE(Label("mailLink")->text(), QString("E-Mail:support@corvane.example"));
        QCOMPARE(Label("picture")->pixmap().size(), QSize(176, 301)); // the JPEG decoded
        ShowAbout();
        // Black title on top, its gray and white copies one and two pixels lower.
        const QPoint origin(208, 66);
        QCOMPARE(Label("title")->pos(), origin);
        QCOMPARE(Label("titleShade")->pos(), origin + QPoint(0, 1));
        QCOMPARE(Label("titleHighlight")->pos(), origin + QPoint(0, 2));
        QCOMPARE(m_about->childAt(origin + QPoint(10, 10)), Label("title"));
    }

    void testCreditsGesture_data()
    {
        QTest::addColumn<bool>("companyFirst");
        QTest::addColumn<QPoint>("pressAt");
        QTest::addColumn<Qt::KeyboardModifiers>("pressKeys");
        QTest::addColumn<QPoint>("releaseAt");
        QTest::addColumn<Qt::KeyboardModifiers>("releaseKeys");
        QTest::addColumn<bool>("revealed");
        const QPoint in1 = AboutBox::pressRect().center();
        const QPoint in2 = AboutBox::releaseRect().center();
        const Qt::KeyboardModifiers keys = AboutBox::gestureModifiers();
        QTest::newRow("whole gesture") << true << in1 << keys << in2 << keys << true;
        QTest::newRow("company not clicked") << false << in1 << keys << in2 << keys << false;
        QTest::newRow("press outside") << true << in2 << keys << in2 << keys << false;
        QTest::newRow("release outside") << true << in1 << keys << in1 << keys << false;
        QTest::newRow("press without keys") << true << in1 << Qt::KeyboardModifiers() << in2 << keys << false;
        QTest::newRow("release with an extra key")
            << true << in1 << keys << in2 << (keys | Qt::AltModifier) << false;
    }
    void testCreditsGesture()
    {
        QFETCH(bool, companyFirst);
        QFETCH(QPoint, pressAt);
        QFETCH(Qt::KeyboardModifiers, pressKeys);
        QFETCH(QPoint, releaseAt);
        QFETCH(Qt::KeyboardModifiers, releaseKeys);
        QFETCH(bool, revealed);
        ShowAbout();
        QLabel* picture = Label("picture");
        const auto* credits = m_about->findChild<QPlainTextEdit*>("credits");
        if (companyFirst)
            QTest::mouseClick(Label("company"), Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mousePress(picture, Qt::LeftButton, pressKeys, pressAt);
        QTest::mouseRelease(picture, Qt::LeftButton, releaseKeys, releaseAt);
        QCOMPARE(credits->isVisible(), revealed);

        // A failed attempt leaves the gesture at its start: the picture alone never reveals.
        if (!revealed) {
            QTest::mousePress(picture, Qt::LeftButton, AboutBox::gestureModifiers(), AboutBox::pressRect().center());
            QTest::mouseRelease(picture, Qt::LeftButton, AboutBox::gestureModifiers(),
                                AboutBox::releaseRect().center());
            QVERIFY(!credits->isVisible());
        }
    }

    void testHomePageLink_data()
    {
        QTest::addColumn<bool>("registered");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<QStringList>("errors");
        const QString line = "webview  http://www.corvane.example";
        QTest::newRow("browser starts") << true << true << QStringList{line} << QStringList{};
        QTest::newRow("browser fails") << true << false << QStringList{line} << QStringList{"不能载入默认的浏览器"};
        QTest::newRow("none registered") << false << true << QStringList{} << QStringList{};
    }
    void testHomePageLink()
    {
        QFETCH(bool, registered);
        QFETCH(bool, starts);
        QFETCH(QStringList, started);
        QFETCH(QStringList, errors);
        if (registered)
            m_shell.browserCommand = "webview ";
        m_shell.startSucceeds = starts;
        ShowAbout();
        QTest::mouseClick(Label("homePageLink"), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(m_shell.started, started);
        QCOMPARE(m_prompts.errors, errors);
        QVERIFY(m_about->isVisible());
    }

    void testMailLink()
    {
        ShowAbout();
        QTest::mouseClick(Label("mailLink"), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(m_shell.opened, QList<QUrl>{QUrl("mailto:support@corvane.example")});
    }

    // Enter clicks the default button unless the focus is on another push button, Esc the cancel
    // button; with Shift held Enter clicks nothing.
    void testDialogKeys_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("keys");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("result");
        const Qt::KeyboardModifiers none;
        const Qt::KeyboardModifiers shift(Qt::ShiftModifier);
        const int enter = Qt::Key_Return;
        const int esc = Qt::Key_Escape;
        QTest::newRow("about, Enter") << "about" << "" << enter << none << true << int(QDialog::Accepted);
        QTest::newRow("about, Esc") << "about" << "" << esc << none << true << int(QDialog::Accepted);
        QTest::newRow("about, Shift+Enter") << "about" << "" << enter << shift << false << int(QDialog::Rejected);
        QTest::newRow("preferences, keypad Enter on the box")
            << "preferences" << "box" << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << true
            << int(QDialog::Accepted);
        QTest::newRow("preferences, Esc") << "preferences" << "box" << esc << none << true << int(QDialog::Rejected);
        QTest::newRow("preferences, Enter on 取消")
            << "preferences" << "cancel" << enter << none << true << int(QDialog::Rejected);
        QTest::newRow("preferences, Shift+Enter on the box")
            << "preferences" << "box" << enter << shift << false << int(QDialog::Rejected);
        QTest::newRow("log viewer, Enter") << "log" << "" << enter << none << false << int(QDialog::Rejected);
        QTest::newRow("log viewer, Esc") << "log" << "" << esc << none << false << int(QDialog::Rejected);
    }
    void testDialogKeys()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, keys);
        QFETCH(bool, closes);
        QFETCH(int, result);
        QTemporaryDir dir;
        PreferencesDialog preferences;
        LogViewer viewer(dir.filePath("log.txt"));
        auto* logSwitch = preferences.findChild<TXP_CheckBox*>("logSwitch");
        QDialog* shown = dialog == "about" ? static_cast<QDialog*>(m_about.get())
                         : dialog == "preferences" ? static_cast<QDialog*>(&preferences)
                                                   : static_cast<QDialog*>(&viewer);
        shown->setResult(QDialog::Rejected);
        shown->show();
        QVERIFY(QTest::qWaitForWindowActive(shown));
        if (focus == "box")
            logSwitch->setFocus(); // Enter on the box still accepts
        else if (focus == "cancel")
            preferences.findChild<QAbstractButton*>("cancelButton")->setFocus();
        const bool wasChecked = preferences.logging();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : shown, Qt::Key(key), keys);
        QCOMPARE(!shown->isVisible(), closes);
        QCOMPARE(shown->result(), result);
        QCOMPARE(preferences.logging(), wasChecked);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_Dialogs.moc"
