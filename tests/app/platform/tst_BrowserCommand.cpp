#include "app/platform/BrowserCommand.h"

#include <QTest>

namespace {
const QString kAddress = QStringLiteral("http://www.corvane.example");
}

class TestBrowserCommand final : public QObject
{
    Q_OBJECT

private slots:
    void testFromOpenCommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("expected");
        QTest::newRow("quoted placeholder, further arguments dropped")
            << R"("C:\Web\browser.exe" "%1" -new)" << R"("C:\Web\browser.exe"  )" + kAddress;
        QTest::newRow("bare placeholder") << R"(C:\Web\browser.exe %1)" << R"(C:\Web\browser.exe  )" + kAddress;
        QTest::newRow("quoted one wins over an earlier bare one")
            << R"(browser.exe -x%1 "%1")" << R"(browser.exe -x%1  )" + kAddress;
        QTest::newRow("no placeholder keeps everything") << "browser.exe -nohome" << "browser.exe -nohome " + kAddress;
        QTest::newRow("desktop codes mean nothing here") << "browser.exe %u" << "browser.exe %u " + kAddress;
    }
    void testFromOpenCommand()
    {
        QFETCH(QString, command);
        QFETCH(QString, expected);
        QCOMPARE(TBrowserCommand::FromOpenCommand(command, kAddress), expected);
    }

    void testFromDesktopExec_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("expected");
        QTest::newRow("%u") << "webview %u" << "webview  " + kAddress;
        QTest::newRow("%U with arguments after it") << "webview --new %U --private" << "webview --new  " + kAddress;
        QTest::newRow("%f") << "/usr/bin/webview %f" << "/usr/bin/webview  " + kAddress;
        QTest::newRow("%F") << "webview %F" << "webview  " + kAddress;
        QTest::newRow("quoted %1 goes with its quotes") << "webview \"%1\" -x" << "webview  " + kAddress;
        QTest::newRow("half-quoted %u keeps the quote") << "webview \"%u" << "webview \" " + kAddress;
        QTest::newRow("the first placeholder cuts") << "webview %F -x %u" << "webview  " + kAddress;
        QTest::newRow("no placeholder") << "webview --home" << "webview --home " + kAddress;
    }
    void testFromDesktopExec()
    {
        QFETCH(QString, exec);
        QFETCH(QString, expected);
        QCOMPARE(TBrowserCommand::FromDesktopExec(exec, kAddress), expected);
    }

    void testDesktopEntryExec_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QByteArray("[Desktop Entry]\nName=Web\nExec=webview %u\n") << "webview %u";
        QTest::newRow("blanks around the sign")
            << QByteArray("[Desktop Entry]\r\nExec = webview --new %U \r\n") << "webview --new %U";
        QTest::newRow("actions are not the main command")
            << QByteArray("[Desktop Action private]\nExec=webview --private %u\n[Desktop Entry]\nExec=webview %u\n")
            << "webview %u";
        QTest::newRow("comment and look-alike keys")
            << QByteArray("[Desktop Entry]\n#Exec=old\nTryExec=webview\nExec=webview\n") << "webview";
        QTest::newRow("no Exec") << QByteArray("[Desktop Entry]\nName=Web\n") << QString();
        QTest::newRow("Exec outside any group") << QByteArray("Exec=webview\n") << QString();
    }
    void testDesktopEntryExec()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QCOMPARE(TBrowserCommand::DesktopEntryExec(content), expected);
    }

    void testDesktopEntryCandidates()
    {
        const QStringList paths =
            TBrowserCommand::DesktopEntryCandidates("kde4-web-view.desktop", {"/home/u/.local/share", "/usr/share"});
        QCOMPARE(paths, QStringList({
                            "/home/u/.local/share/applications/kde4-web-view.desktop",
                            "/home/u/.local/share/applications/kde4/web-view.desktop",
                            "/home/u/.local/share/applications/kde4/web/view.desktop",
                            "/usr/share/applications/kde4-web-view.desktop",
                            "/usr/share/applications/kde4/web-view.desktop",
                            "/usr/share/applications/kde4/web/view.desktop",
                        }));
    }
};

QTEST_GUILESS_MAIN(TestBrowserCommand)
#include "tst_BrowserCommand.moc"
