#include "ReadOnlyFile.h"
#include "TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

const QByteArray
    kPage("<html>\n  <body>\n    <p   align=\"center\">  Hello,   world  </p>\n\n\n  </body>\n</html>\n");

struct Result
{
    int exitCode = -1;
    QStringList out;
    QStringList err;
};

Result RunCorvane(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(CORVANE_BINARY), arguments);
    if (!process.waitForFinished(60000))
        return {};
    Result result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    result.err = QString::fromLocal8Bit(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    return result;
}

// Every file below a folder with a digest of its bytes.
QMap<QString, QByteArray> Snapshot(const QString& root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, QCryptographicHash::hash(ReadFile(path), QCryptographicHash::Sha256));
    }
    return files;
}

} // namespace

class CorvaneCliTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void testOutputLines();
    void testDryRunChangesNoByte();
    void testUsageErrors_data();
    void testUsageErrors();
    void testFailedFileGivesOne();
    void testSwitchesReachTheEngine();
    void testLogAppends();

private:
    QString Site() const { return m_dir->filePath(QStringLiteral("site")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void CorvaneCliTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(WriteFile(Site() + QStringLiteral("/index.htm"), kPage));
    QVERIFY(WriteFile(Site() + QStringLiteral("/docs/guide.HTML"), kPage + kPage));
    QVERIFY(WriteFile(Site() + QStringLiteral("/docs/empty.htm"), QByteArray()));
    QVERIFY(WriteFile(Site() + QStringLiteral("/docs/readme.txt"), kPage));
    QVERIFY(WriteFile(Site() + QStringLiteral("/.cache/old.htm"), kPage));
}

void CorvaneCliTest::testOutputLines()
{
    const QString loose = m_dir->filePath(QStringLiteral("loose.txt")); // named files need no .htm
    QVERIFY(WriteFile(loose, kPage));
    const Result result = RunCorvane({Site(), loose});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.err.isEmpty());
    QCOMPARE(result.out.size(), 5);

    const QRegularExpression line(
        QStringLiteral("^(.+): (\\d+) -> (\\d+) bytes, (-?\\d+)% saved( \\(unchanged\\))?$"));
    const QStringList paths{Site() + "/index.htm", Site() + "/docs/empty.htm", Site() + "/docs/guide.HTML",
                            loose};
    qint64 before = 0;
    qint64 after = 0;
    for (int i = 0; i < paths.size(); ++i) {
        const QRegularExpressionMatch match = line.match(result.out[i]);
        QVERIFY2(match.hasMatch(), qPrintable(result.out[i]));
        QCOMPARE(match.captured(1), QDir::toNativeSeparators(paths[i]));
        QCOMPARE(match.captured(3).toLongLong(), QFileInfo(paths[i]).size());
        before += match.captured(2).toLongLong();
        after += match.captured(3).toLongLong();
        QCOMPARE(!match.captured(5).isEmpty(), i == 1); // the empty file is left alone
    }
    QVERIFY(after < before);
    QCOMPARE(result.out[4], QStringLiteral("4 files: %1 -> %2 bytes, %3% saved, 0 failed")
                                .arg(before)
                                .arg(after)
                                .arg(100 - after * 100 / before));
    QCOMPARE(QFileInfo(Site() + "/.cache/old.htm").size(), kPage.size());
}

void CorvaneCliTest::testDryRunChangesNoByte()
{
    const QMap<QString, QByteArray> before = Snapshot(m_dir->path());
    const Result result = RunCorvane({QStringLiteral("--dry-run"), QStringLiteral("--log"), Site()});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(Snapshot(m_dir->path()), before);
    QVERIFY(result.out.last().endsWith(QStringLiteral("(dry run, nothing written)")));
    QVERIFY(result.out.first().contains(QStringLiteral(" -> ")));
    QVERIFY(!result.out.first().contains(QStringLiteral("0% saved")));
}

void CorvaneCliTest::testUsageErrors_data()
{
    QTest::addColumn<QStringList>("arguments"); // "SITE" stands for the test folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // part of the one stderr line; empty: no stderr

    QTest::newRow("no path") << QStringList{} << 2 << QStringLiteral("no file or folder");
    QTest::newRow("unknown option") << QStringList{"--fast", "SITE"} << 2 << QStringLiteral("'--fast'");
    QTest::newRow("missing path among good ones")
        << QStringList{"SITE", "SITE/nope.htm"} << 2 << QStringLiteral("no such file or folder");
    QTest::newRow("unknown switch") << QStringList{"--enable", "Tables", "SITE"} << 2
                                    << QStringLiteral("'Tables'");
    QTest::newRow("switch without name")
        << QStringList{"SITE", "--disable"} << 2 << QStringLiteral("--disable");
    QTest::newRow("value on a flag") << QStringList{"--quiet=yes", "SITE"} << 2 << QStringLiteral("--quiet");
    QTest::newRow("help") << QStringList{"--help"} << 0 << QString();
    QTest::newRow("version") << QStringList{"--version"} << 0 << QString();
    QTest::newRow("folder without pages") << QStringList{"SITE/.cache/..//docs/../docs/"} << 0 << QString();
}

void CorvaneCliTest::testUsageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    arguments.replaceInStrings(QStringLiteral("SITE"), Site());
    if (QTest::currentDataTag() == QByteArray("folder without pages")) {
        QVERIFY(QFile::remove(Site() + "/docs/guide.HTML"));
        QVERIFY(QFile::remove(Site() + "/docs/empty.htm"));
    }
    const QMap<QString, QByteArray> before = Snapshot(m_dir->path());
    const Result result = RunCorvane(arguments);
    QCOMPARE(result.exitCode, exitCode);
    if (message.isEmpty()) {
        QVERIFY(result.err.isEmpty());
        QVERIFY(!result.out.isEmpty());
    } else {
        QCOMPARE(result.err.size(), 1);
        QVERIFY2(result.err[0].contains(message), qPrintable(result.err[0]));
        QVERIFY(result.out.isEmpty());
    }
    QCOMPARE(Snapshot(m_dir->path()), before);
}

void CorvaneCliTest::testFailedFileGivesOne()
{
    const QString locked = Site() + QStringLiteral("/index.htm");
    ReadOnlyFile guard(locked);
    const Result result = RunCorvane({Site()});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(result.out[0].startsWith(QDir::toNativeSeparators(locked) + QStringLiteral(": failed: ")));
    QVERIFY(result.out.last().endsWith(QStringLiteral(", 1 failed")));
    QVERIFY(QFileInfo(Site() + "/docs/guide.HTML").size() < 2 * kPage.size());

    // Quiet: the failure alone, on standard error.
    const Result quiet = RunCorvane({QStringLiteral("-q"), Site()});
    QCOMPARE(quiet.exitCode, 1);
    QVERIFY(quiet.out.isEmpty());
    QCOMPARE(quiet.err.size(), 1);
}

void CorvaneCliTest::testSwitchesReachTheEngine()
{
    QStringList arguments;
    for (const char* name :
         {"SimpleTags", "center", "InvCommas", "Spaces", "Returns", "AllReturns", "Webbots"})
        arguments << QStringLiteral("--disable") << QLatin1String(name);
    const QString page = Site() + QStringLiteral("/index.htm");
    const Result off = RunCorvane(arguments + QStringList{QStringLiteral("--quiet"), page});
    QCOMPARE(off.exitCode, 0);
    QCOMPARE(QFileInfo(page).size(), kPage.size()); // every pass off: nothing changes

    // A later --enable wins over an earlier --disable.
    const Result on = RunCorvane(arguments + QStringList{QStringLiteral("--enable=Spaces"), page});
    QCOMPARE(on.exitCode, 0);
    QVERIFY(QFileInfo(page).size() < kPage.size());

    // By default a value with a space keeps its quotes; --literal drops them as first written.
    const QByteArray titled("<a title=\"one two\" href=\"x.htm\">x</a>");
    QVERIFY(WriteFile(page, titled));
    QCOMPARE(RunCorvane({QStringLiteral("-q"), page}).exitCode, 0);
    QCOMPARE(ReadFile(page), QByteArray("<a title=\"one two\" href=x.htm>x</a>"));
    QVERIFY(WriteFile(page, titled));
    QCOMPARE(RunCorvane({QStringLiteral("-q"), QStringLiteral("--literal"), page}).exitCode, 0);
    QCOMPARE(ReadFile(page), QByteArray("<a title=one two href=x.htm>x</a>"));
}

void CorvaneCliTest::testLogAppends()
{
    // The log lives beside the program when that folder is writable, as in a build tree.
    const QString log =
        QFileInfo(QStringLiteral(CORVANE_BINARY)).absoluteDir().filePath(QStringLiteral("log.txt"));
    if (!QFileInfo(QFileInfo(log).absolutePath()).isWritable())
        QSKIP("the program's folder is not writable here");
    QFile::remove(log);
    QCOMPARE(RunCorvane({QStringLiteral("--log"), Site() + QStringLiteral("/index.htm")}).exitCode, 0);
    QCOMPARE(RunCorvane({QStringLiteral("--log"), Site() + QStringLiteral("/docs")}).exitCode, 0);
    const QList<QByteArray> lines = ReadFile(log).split('\n');
    QFile::remove(log);
    QCOMPARE(lines.size(), 5); // header, three records, nothing after the last CR LF
    QVERIFY(lines[0].contains("Corvane XP"));
    QVERIFY(lines[1].contains(QFile::encodeName(QDir::toNativeSeparators(Site() + "/index.htm"))));
    for (int i = 0; i < 4; ++i)
        QVERIFY(lines[i].endsWith('\r'));
}

QTEST_GUILESS_MAIN(CorvaneCliTest)
#include "CorvaneCliTest.moc"
