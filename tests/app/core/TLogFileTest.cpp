#include "app/core/TLogFile.h"

#include "app/core/TIniFile32.h"
#include "TestFiles.h"
#include "ThrowawayUser.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

class TLogFileTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void testDateTimeText_data();
    void testDateTimeText();
    void testLinesOnDisk();
    void testNamesCannotForgeRecords();
    void testFailedRecordLeavesNoTrace();
    void testOnlyRegularFilesAreOpened_data();
    void testOnlyRegularFilesAreOpened();

private:
    QString LogPath() const { return m_dir->filePath(QStringLiteral("log.txt")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TLogFileTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TLogFileTest::testDateTimeText_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("text");

    QTest::newRow("no leading zeros in the date")
        << QDateTime(QDate(2024, 3, 9), QTime(14, 3, 22)) << QStringLiteral("2024-3-9 14:03:22");
    QTest::newRow("leading zeros in the time")
        << QDateTime(QDate(2024, 12, 31), QTime(9, 5, 7)) << QStringLiteral("2024-12-31 09:05:07");
    QTest::newRow("midnight drops the time")
        << QDateTime(QDate(2024, 1, 1), QTime(0, 0, 0)) << QStringLiteral("2024-1-1");
    QTest::newRow("one second past midnight")
        << QDateTime(QDate(2024, 1, 1), QTime(0, 0, 1)) << QStringLiteral("2024-1-1 00:00:01");
}

void TLogFileTest::testDateTimeText()
{
    QFETCH(QDateTime, when);
    QFETCH(QString, text);
    QCOMPARE(TLogFile::DateTimeText(when), text);
}

void TLogFileTest::testLinesOnDisk()
{
    QVERIFY(TLogFile::ReadLines(LogPath()).isEmpty()); // the viewer of a missing log shows nothing
    const QDateTime when(QDate(2024, 3, 9), QTime(14, 3, 22));
    for (int run = 0; run < 2; ++run) {
        TLogFile log(LogPath());
        QVERIFY(log.Open());
        QVERIFY(log.WriteRecord(when, QByteArrayLiteral("/site/index.htm"), 5120, 3840));
    }
    const QByteArray header(
        "--------------   Corvane XP  \xe6\x97\xa5\xe5\xbf\x97\xe6\x96\x87\xe4\xbb\xb6   --------------");
    const QByteArray record("2024-3-9 14:03:22  /site/index.htm   5120B   3840B");
    // The header marks the file, not the run.
    QCOMPARE(ReadFile(LogPath()),
             QString::fromUtf8(header).toLocal8Bit() + "\r\n" + record + "\r\n" + record + "\r\n");
}

void TLogFileTest::testNamesCannotForgeRecords()
{
    const QDateTime when(QDate(2024, 3, 9), QTime(14, 3, 22));
    TLogFile log(LogPath());
    QVERIFY(log.Open());
    // Bidirectional controls (an override, an isolate) would show the rest of the name reversed.
    QVERIFY(log.WriteRecord(when,
                            "/site/a\r\n2024-3-9 14:03:22  /etc/passwd   1B   1B\x1b[2J\xff\\"
                            "\xe2\x80\xae"
                            "lmth\xe2\x81\xa6.htm",
                            5, 4));
    const QList<QByteArray> lines = ReadFile(LogPath()).split('\n');
    QCOMPARE(lines.size(), 3); // header, one record, nothing after its line end
    QCOMPARE(lines[1], QByteArray("2024-3-9 14:03:22  /site/a\\x0d\\x0a2024-3-9 14:03:22  /etc/passwd   1B   "
                                  "1B\\x1b[2J\\xff\\x5c\\xe2\\x80\\xaelmth\\xe2\\x81\\xa6.htm   5B   4B\r"));
}

void TLogFileTest::testFailedRecordLeavesNoTrace()
{
    // A file size limit stands in for a full disk, whoever runs the test.
    TLogFile log(LogPath());
    QVERIFY(log.Open());
    const qint64 size = QFileInfo(LogPath()).size();
    rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = rlim_t(size + 10);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool written = log.WriteRecord(QDateTime::currentDateTime(), "/site/index.htm", 5120, 3840);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    QVERIFY(!written);
    QCOMPARE(QFileInfo(LogPath()).size(), size);
    QCOMPARE(log.ErrorString(), QString::fromLocal8Bit(std::strerror(EFBIG)));
}

void TLogFileTest::testOnlyRegularFilesAreOpened_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("pipe") << QStringLiteral("pipe");
    QTest::newRow("no write bits") << QStringLiteral("read-only");
    QTest::newRow("another user's link") << QStringLiteral("link");
}

void TLogFileTest::testOnlyRegularFilesAreOpened()
{
    // A pipe would block both programs before their window or first page; another user's link
    // would lead a run by root onto a file that user could not write.
    QFETCH(QString, kind);
    ThrowawayUser user;
    if (kind == QLatin1String("link") && !user.IsValid())
        QSKIP("needs root to make a user of its own");
    const QByteArray content("[option]\r\nbLog=0\r\n");
    const QString target = m_dir->filePath(QStringLiteral("target"));
    QVERIFY(WriteFile(target, content));
    const QString ini = m_dir->filePath(QStringLiteral("option.ini"));
    for (const QString& path : {LogPath(), ini}) {
        const QByteArray local = QFile::encodeName(path);
        if (kind == QLatin1String("pipe")) {
            QCOMPARE(::mkfifo(local.constData(), 0600), 0);
        } else if (kind == QLatin1String("read-only")) {
            QVERIFY(WriteFile(path, content));
            QCOMPARE(::chmod(local.constData(), 0444), 0);
        } else {
            QVERIFY(QFile::link(target, path));
            QCOMPARE(::lchown(local.constData(), user.Uid(), user.Gid()), 0);
        }
    }

    TLogFile log(LogPath());
    QVERIFY(!log.Open());
    QVERIFY(!log.ErrorString().isEmpty());
    if (kind != QLatin1String("read-only"))
        QVERIFY(TLogFile::ReadLines(LogPath()).isEmpty());
    TIniFile32 settings(ini);
    QCOMPARE(settings.ReadBool("option", "bLog", true), kind == QLatin1String("read-only") ? false : true);
    QVERIFY(!settings.WriteBool("option", "bLog", true));
    QCOMPARE(ReadFile(target), content);
    if (kind == QLatin1String("read-only"))
        QCOMPARE(ReadFile(LogPath()), content);
}

QTEST_GUILESS_MAIN(TLogFileTest)
#include "TLogFileTest.moc"
