#include "TLogFile.h"

#include "TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TLogFileTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void testDateTimeText_data();
    void testDateTimeText();
    void testLinesOnDisk();

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

QTEST_GUILESS_MAIN(TLogFileTest)
#include "TLogFileTest.moc"
