#include "app/platform/Shell.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeFile(const QString& path, const QByteArray& content, bool executable = false)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

} // namespace

// The browser lookup end to end against a made-up desktop: a fake xdg-mime on PATH and desktop
// entries in a private data folder.
class TestShellLinux final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        QVERIFY(m_dir->isValid());
        QDir(m_dir->path()).mkpath("bin");
        QDir(m_dir->path()).mkpath("data/applications/vendor");
        m_savedPath = qgetenv("PATH");
        m_savedHome = qgetenv("XDG_DATA_HOME");
        m_savedDirs = qgetenv("XDG_DATA_DIRS");
        qputenv("PATH", QFile::encodeName(m_dir->filePath("bin")) + ":" + m_savedPath);
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath("data")));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_dir->filePath("none")));
    }
    void cleanup()
    {
        qputenv("PATH", m_savedPath);
        qputenv("XDG_DATA_HOME", m_savedHome);
        qputenv("XDG_DATA_DIRS", m_savedDirs);
        m_dir.reset();
    }

    void testWebBrowserCommandLine_data()
    {
        QTest::addColumn<QByteArray>("handler");
        QTest::addColumn<QString>("entryPath");
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QString>("expected");
        QTest::newRow("entry with %u") << QByteArray("web.desktop") << "data/applications/web.desktop"
                                       << QByteArray("[Desktop Entry]\nExec=webview --new %u\n")
                                       << "webview --new  http://www.corvane.example";
        QTest::newRow("entry in a vendor folder")
            << QByteArray("vendor-web.desktop") << "data/applications/vendor/web.desktop"
            << QByteArray("[Desktop Entry]\nExec=webview\n") << "webview http://www.corvane.example";
        QTest::newRow("no default program") << QByteArray("") << QString() << QByteArray() << QString();
        QTest::newRow("entry missing") << QByteArray("gone.desktop") << QString() << QByteArray() << QString();
    }
    void testWebBrowserCommandLine()
    {
        QFETCH(QByteArray, handler);
        QFETCH(QString, entryPath);
        QFETCH(QByteArray, entry);
        QFETCH(QString, expected);
        writeFile(m_dir->filePath("bin/xdg-mime"),
                  "#!/bin/sh\n[ \"$*\" = 'query default text/html' ] && echo '" + handler + "'\n", true);
        if (!entryPath.isEmpty())
            writeFile(m_dir->filePath(entryPath), entry);

        const std::optional<QString> line = TShell().WebBrowserCommandLine("http://www.corvane.example");
        QCOMPARE(line.value_or(QString()), expected);
        QCOMPARE(line.has_value(), !expected.isEmpty());
    }

    void testStartCommand()
    {
        const QString marker = m_dir->filePath("started");
        writeFile(m_dir->filePath("bin/touchme"), "#!/bin/sh\ntouch \"$1\"\n", true);
        QVERIFY(TShell().StartCommand("touchme " + marker));
        QTRY_VERIFY(QFile::exists(marker));
        QVERIFY(!TShell().StartCommand("no-such-program-corvane http://x"));
        QVERIFY(!TShell().StartCommand("   "));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_savedPath, m_savedHome, m_savedDirs;
};

QTEST_GUILESS_MAIN(TestShellLinux)
#include "tst_ShellLinux.moc"
