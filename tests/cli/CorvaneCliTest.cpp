#include "tests/app/core/ReadOnlyFile.h"
#include "tests/app/core/TestFiles.h"
#include "tests/app/core/ThrowawayUser.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace {

const QByteArray
    kPage("<html>\n  <body>\n    <p   align=\"center\">  Hello,   world  </p>\n\n\n  </body>\n</html>\n");

struct Result
{
    int exitCode = -1;
    QStringList out;
    QStringList err;
    QByteArray rawOut;
};

// What a started process did, once it has ended.
Result Finished(QProcess& process)
{
    if (!process.waitForFinished(60000))
        return {};
    Result result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.rawOut = process.readAllStandardOutput();
    result.out = QString::fromLocal8Bit(result.rawOut).split('\n', Qt::SkipEmptyParts);
    result.err = QString::fromLocal8Bit(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    return result;
}

Result Run(const QString& program, const QStringList& arguments, const QByteArray* input = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (input) {
        process.write(*input);
        process.closeWriteChannel();
    }
    return Finished(process);
}

Result RunCorvane(const QStringList& arguments)
{
    return Run(QStringLiteral(CORVANE_BINARY), arguments);
}

Result RunCorvaneWithInput(const QStringList& arguments, const QByteArray& input)
{
    return Run(QStringLiteral(CORVANE_BINARY), arguments, &input);
}

// Under a pseudo-terminal (script), with the program in $CORVANE and `variables` in the
// environment; the result holds the terminal's bytes as standard output.
Result RunOnTerminal(const QString& command, const QStringList& variables = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SHELL"), QStringLiteral("/bin/sh"));
    environment.insert(QStringLiteral("CORVANE"), QStringLiteral(CORVANE_BINARY));
    for (const QString& variable : variables)
        environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("script"), {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
    process.closeWriteChannel();
    return Finished(process);
}

// Device, inode and modification time of everything below a folder, links not followed.
QMap<QString, QString> Identities(const QString& root)
{
    QMap<QString, QString> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info;
        if (::lstat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISDIR(info.st_mode))
            files.insert(path.mid(root.size()), QStringLiteral("%1 %2 %3.%4")
                                                    .arg(info.st_dev)
                                                    .arg(info.st_ino)
                                                    .arg(info.st_mtim.tv_sec)
                                                    .arg(info.st_mtim.tv_nsec));
    }
    return files;
}

// The paths whose value differs between two maps, or that only one has.
QStringList Differences(const QMap<QString, QString>& a, const QMap<QString, QString>& b)
{
    QStringList changed;
    for (const auto& [path, value] : a.asKeyValueRange()) {
        if (b.value(path) != value)
            changed << path;
    }
    for (const QString& path : b.keys()) {
        if (!a.contains(path))
            changed << path;
    }
    return changed;
}

// Through a shell, for what QProcess cannot pass: raw bytes in arguments, limits.
Result RunCorvaneInShell(const QString& script, const QStringList& arguments)
{
    return Run(QStringLiteral("sh"),
               QStringList{QStringLiteral("-c"), script, QStringLiteral(CORVANE_BINARY)} + arguments);
}

QByteArray LogBesideProgram()
{
    return QFile::encodeName(
        QFileInfo(QStringLiteral(CORVANE_BINARY)).absoluteDir().filePath(QStringLiteral("log.txt")));
}

// Every file below a folder with its bytes.
QMap<QString, QByteArray> Snapshot(const QString& root, bool relative = false)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(relative ? path.mid(root.size()) : path, ReadFile(path));
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
    void testRemovedWorkingFolder();
    void testDotDotAfterLink();
    void testPageLinksLeadingNowhere();
    void testSwitchesReachTheEngine();
    void testLogAppends();
    void testAnyBytesInNames();
    void testStopSignals_data();
    void testStopSignals();
    void testLogFailureMidRun();
    void testOtherUsersFilesStayTheirs();
    void testFilter();
    void testOutputTree();
    void testRerunWritesOnlyWhatChanged();
    void testJsonSummary();
    void testProgressOnTerminalOnly();

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
    QTest::newRow("toolkit option") << QStringList{"-qmljsdebugger=x", "SITE"} << 2
                                    << QStringLiteral("'-qmljsdebugger=x'");
    QTest::newRow("missing path among good ones")
        << QStringList{"SITE", "SITE/nope.htm"} << 2 << QStringLiteral("no such file or folder");
    QTest::newRow("unknown switch") << QStringList{"--enable", "Tables", "SITE"} << 2
                                    << QStringLiteral("'Tables'");
    QTest::newRow("switch without name")
        << QStringList{"SITE", "--disable"} << 2 << QStringLiteral("--disable");
    QTest::newRow("value on a flag") << QStringList{"--quiet=yes", "SITE"} << 2 << QStringLiteral("--quiet");
    QTest::newRow("literal and best") << QStringList{"--best", "--literal", "SITE"} << 2
                                      << QStringLiteral("exclude each other");
    QTest::newRow("help") << QStringList{"--help"} << 0 << QString();
    QTest::newRow("version") << QStringList{"--version"} << 0 << QString();
    QTest::newRow("folder without pages") << QStringList{"SITE/.cache/..//docs/../docs/"} << 0 << QString();
    QTest::newRow("no jobs") << QStringList{"-j", "0", "SITE"} << 2 << QStringLiteral("'0'");
    QTest::newRow("jobs without number") << QStringList{"SITE", "-j"} << 2 << QStringLiteral("number of jobs");
    QTest::newRow("output onto a file") << QStringList{"-o", "SITE/index.htm", "SITE"} << 2
                                        << QStringLiteral("is not a folder");
    QTest::newRow("output inside a source file's path")
        << QStringList{"--output=SITE/index.htm/out", "SITE/index.htm"} << 2
        << QStringLiteral("index.htm is not a folder");
    QTest::newRow("output is the source") << QStringList{"-o", "SITE/docs", "SITE/docs"} << 2
                                          << QStringLiteral("is the source folder");
    QTest::newRow("output holds the source") << QStringList{"-o", "SITE/..", "SITE"} << 2
                                             << QStringLiteral("holds the source folder");
    QTest::newRow("output onto its source") << QStringList{"-o", "SITE", "SITE/index.htm"} << 2
                                            << QStringLiteral("would replace its source");
    QTest::newRow("two sources, one output") << QStringList{"-o", "SITE/../out", "SITE/index.htm", "SITE/docs/../index.htm", "SITE/docs"}
                                             << 2 << QStringLiteral("would both be written");
    QTest::newRow("standard input beside a folder") << QStringList{"-", "SITE"} << 2 << QStringLiteral("other paths");
    QTest::newRow("log with output") << QStringList{"--log", "-o", "SITE/../out", "SITE"} << 2
                                     << QStringLiteral("not with --output");
    QTest::newRow("delete without output") << QStringList{"--delete", "SITE"} << 2 << QStringLiteral("--output");
    QTest::newRow("output without folder") << QStringList{"SITE", "-o"} << 2 << QStringLiteral("needs a folder");
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
    const QStringList identities = Identities(m_dir->path()).values();
    Result result;
    if (arguments.isEmpty()) {
        // With no path a page is read from standard input unless that is a terminal.
        QTemporaryDir streams;
        result = RunOnTerminal(QStringLiteral("\"$CORVANE\" >\"$STREAMS/out\" 2>\"$STREAMS/err\""),
                               {QStringLiteral("STREAMS=") + streams.path()});
        result.out = QString::fromLocal8Bit(ReadFile(streams.filePath("out"))).split('\n', Qt::SkipEmptyParts);
        result.err = QString::fromLocal8Bit(ReadFile(streams.filePath("err"))).split('\n', Qt::SkipEmptyParts);
    } else {
        result = RunCorvane(arguments);
    }
    QCOMPARE(result.exitCode, exitCode);
    if (message.isEmpty()) {
        QVERIFY(result.err.isEmpty());
        QVERIFY(!result.out.isEmpty());
    } else {
        QCOMPARE(result.err.size(), 1);
        QVERIFY2(result.err[0].contains(message), qPrintable(result.err[0]));
        QVERIFY(result.out.isEmpty());
        QCOMPARE(Identities(m_dir->path()).values(), identities); // not even a temporary made
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

    // The report follows the locale: Chinese in a Chinese one, English otherwise.
    const QString inLocale = QStringLiteral("LC_ALL= LC_MESSAGES= LANGUAGE= LANG=%1 exec \"$0\" \"$@\"");
    const Result chinese = RunCorvaneInShell(inLocale.arg("zh_CN.UTF-8"), {locked});
    QVERIFY2(chinese.out.value(0).endsWith(QStringLiteral(": 失败: 只读文件")), qPrintable(chinese.out.value(0)));
    QVERIFY2(chinese.out.value(1).endsWith(QStringLiteral(", 1 个失败")), qPrintable(chinese.out.value(1)));
    const Result english = RunCorvaneInShell(inLocale.arg("C.UTF-8"), {locked});
    QVERIFY2(english.out.value(0).endsWith(QStringLiteral(": failed: file is read-only or not writable")),
             qPrintable(english.out.value(0)));

    // Quiet: the failure alone, on standard error.
    const Result quiet = RunCorvane({QStringLiteral("-q"), Site()});
    QCOMPARE(quiet.exitCode, 1);
    QVERIFY(quiet.out.isEmpty());
    QCOMPARE(quiet.err.size(), 1);

    // A report lost on a full disk is a failure too.
    const Result full = RunCorvaneInShell(QStringLiteral("exec \"$0\" \"$@\" >/dev/full"),
                                          {Site() + QStringLiteral("/docs")});
    QCOMPARE(full.exitCode, 1);
}

void CorvaneCliTest::testRemovedWorkingFolder()
{
    // "." in a folder removed under it names nothing: no walk, least of all of "/".
    const Result result = RunCorvaneInShell(
        QStringLiteral("mkdir \"$1\" && cd \"$1\" && rmdir \"$1\" && exec timeout 30 \"$0\" --dry-run ."),
        {m_dir->filePath(QStringLiteral("gone"))});
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    QCOMPARE(result.err.size(), 1);
    QVERIFY2(result.err[0].contains(QStringLiteral("working folder")), qPrintable(result.err[0]));
}

void CorvaneCliTest::testDotDotAfterLink()
{
    // As for the shell, x/link/.. is the parent of the link's target.
    QVERIFY(WriteFile(Site() + QStringLiteral("/x/a.html"), kPage));
    QVERIFY(WriteFile(Site() + QStringLiteral("/y/a.html"), kPage));
    QVERIFY(QDir().mkpath(Site() + QStringLiteral("/y/sub")));
    QVERIFY(QFile::link(QStringLiteral("../y/sub"), Site() + QStringLiteral("/x/link")));
    QCOMPARE(RunCorvane({Site() + QStringLiteral("/x/link/../a.html")}).exitCode, 0);
    QVERIFY(ReadFile(Site() + QStringLiteral("/y/a.html")).size() < kPage.size());
    QCOMPARE(ReadFile(Site() + QStringLiteral("/x/a.html")), kPage);
}

void CorvaneCliTest::testPageLinksLeadingNowhere()
{
    // Listed and failed wherever the listing puts them, never taken for an unreadable folder.
    const QString alone = m_dir->filePath(QStringLiteral("alone"));
    QVERIFY(QDir().mkpath(alone));
    QVERIFY(QFile::link(QStringLiteral("nowhere"), alone + QStringLiteral("/dangling.htm")));
    QVERIFY(QFile::link(QStringLiteral("loop.htm"), Site() + QStringLiteral("/loop.htm")));
    const Result lone = RunCorvane({alone});
    QVERIFY(lone.out.contains(alone + QStringLiteral("/dangling.htm: failed: file not found")));
    for (const Result& result : {lone, RunCorvane({Site()})}) {
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err.join('\n')));
        QVERIFY(result.out.last().endsWith(QStringLiteral(", 1 failed")));
    }
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

    // --best also drops a comment and the space after a quoted value.
    QVERIFY(WriteFile(page, titled + "<!-- note -->"));
    QCOMPARE(RunCorvane({QStringLiteral("-q"), QStringLiteral("--best"), page}).exitCode, 0);
    QCOMPARE(ReadFile(page), QByteArray("<a title=\"one two\"href=x.htm>x</a>"));
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

void CorvaneCliTest::testAnyBytesInNames()
{
    // Names the locale cannot decode are compressed like any other; names holding line ends
    // or terminal escapes reach the terminal escaped.
    const QByteArray site = QFile::encodeName(m_dir->filePath(QStringLiteral("bytes")));
    const QList<QByteArray> names{"\xff.html", "caf\xe9.html",
                                  "\xff"
                                  "dir/x.htm",
                                  "evil\r\nforged.htm", "\x1b[2J.htm"};
    for (const QByteArray& name : names)
        QVERIFY(WriteFileBytes(site + '/' + name, kPage));
    const Result walked = RunCorvane({QFile::decodeName(site)});
    QCOMPARE(walked.exitCode, 0);
    QCOMPARE(walked.out.size(), names.size() + 1);
    QVERIFY(walked.out.last().startsWith(QStringLiteral("5 files:")));
    QVERIFY(!walked.rawOut.contains('\x1b') && !walked.rawOut.contains('\r'));
    QVERIFY(walked.rawOut.contains("evil\\x0d\\x0aforged.htm"));
    for (const QByteArray& name : names)
        QVERIFY2(std::filesystem::file_size((site + '/' + name).toStdString()) < std::uintmax_t(kPage.size()),
                 name.toHex().constData());

    // Named on the command line.
    QVERIFY(WriteFileBytes(site + "/again\xff.htm", kPage));
    const Result named = RunCorvaneInShell(
        QStringLiteral("exec \"$0\" \"$(printf '%s/again\\377.htm' \"$1\")\""), {QFile::decodeName(site)});
    QCOMPARE(named.exitCode, 0);
    QVERIFY(named.out.last().startsWith(QStringLiteral("1 files:")));

    // Named like a toolkit option, after "--": a page like any other.
    QVERIFY(WriteFileBytes(site + "/-qmljsdebugger=x.html", kPage));
    const Result dashed = RunCorvaneInShell(
        QStringLiteral("cd \"$1\" && exec \"$0\" -- -qmljsdebugger=x.html"), {QFile::decodeName(site)});
    QCOMPARE(dashed.exitCode, 0);
    QVERIFY(ReadFile(QFile::decodeName(site) + QStringLiteral("/-qmljsdebugger=x.html")).size() <
            kPage.size());
    std::filesystem::remove_all(site.toStdString());
}

void CorvaneCliTest::testStopSignals_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl+C") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void CorvaneCliTest::testStopSignals()
{
    QFETCH(int, signal);
    // A dead run's temporary file, as kill -9 leaves it: the next run removes it.
    QVERIFY(WriteFile(Site() + QStringLiteral("/.corvane-0123456789ab.tmp"), kPage.left(10)));
    constexpr int kPages = 600;
    for (int i = 0; i < kPages; ++i)
        QVERIFY(WriteFile(Site() + QStringLiteral("/many/p%1.htm").arg(i), kPage));
    QProcess process;
    process.start(QStringLiteral(CORVANE_BINARY), {Site()});
    QVERIFY(process.waitForReadyRead(30000));
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(30000));
    // Stopped early, by that signal, with the pages in hand finished and nothing left behind.
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QVERIFY(QString::fromLocal8Bit(process.readAllStandardOutput()).count(QLatin1Char('\n')) < kPages);
    int compressed = 0;
    for (const auto& [path, digest] : Snapshot(Site()).asKeyValueRange()) {
        QVERIFY2(!QFileInfo(path).fileName().startsWith(QStringLiteral(".corvane-")), qPrintable(path));
        const QByteArray bytes = ReadFile(path);
        if (bytes != kPage && path.contains(QStringLiteral("/many/"))) {
            QVERIFY2(bytes.endsWith("</html>"), qPrintable(path));
            ++compressed;
        }
    }
    QVERIFY(compressed < kPages);
}

void CorvaneCliTest::testLogFailureMidRun()
{
    const QByteArray log = LogBesideProgram();
    if (!QFileInfo(QFileInfo(QFile::decodeName(log)).absolutePath()).isWritable())
        QSKIP("the program's folder is not writable here");
    QFile::remove(QFile::decodeName(log));
    for (int i = 0; i < 20; ++i)
        QVERIFY(WriteFile(Site() + QStringLiteral("/many/p%1.htm").arg(i), kPage));
    // A file size limit of 1024 bytes stands in for a full disk: the log fills up mid-run.
    const Result result = RunCorvaneInShell(QStringLiteral("ulimit -f 2; exec \"$0\" --log \"$@\""),
                                            {Site() + QStringLiteral("/many")});
    const QByteArray written = ReadFile(QFile::decodeName(log));
    QFile::remove(QFile::decodeName(log));
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.err.size(), 1);
    QVERIFY2(result.err[0].contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(result.err[0]));
    QVERIFY(written.endsWith("\r\n"));
    QVERIFY(written.size() <= 1024);
    QVERIFY(result.out.last().startsWith(QStringLiteral("20 files:")));
}

void CorvaneCliTest::testOtherUsersFilesStayTheirs()
{
    ThrowawayUser user;
    if (!user.IsValid())
        QSKIP("needs root to make a user of its own");
    // Root runs: a user plants a link to a root-owned file outside the tree.
    const QString outside = m_dir->filePath(QStringLiteral("outside.htm"));
    QVERIFY(WriteFile(outside, kPage));
    const QString planted = Site() + QStringLiteral("/planted.htm");
    QVERIFY(QFile::link(outside, planted));
    QCOMPARE(::lchown(QFile::encodeName(planted).constData(), user.Uid(), user.Gid()), 0);
    const Result byRoot = RunCorvane({Site()});
    QCOMPARE(byRoot.exitCode, 1);
    QVERIFY(byRoot.out.contains(
        planted + QStringLiteral(": failed: symbolic link not followed: its owner does not own the target")));
    QCOMPARE(ReadFile(outside), kPage);

    // Nor through a folder of the tree swapped for their link to a root-owned folder; a link of
    // the runner's own leads on.
    const QString folderOutside = m_dir->filePath(QStringLiteral("outside"));
    QVERIFY(QDir().mkpath(folderOutside) && WriteFile(folderOutside + QStringLiteral("/page.htm"), kPage));
    const QString swapped = Site() + QStringLiteral("/swapped");
    QVERIFY(QFile::link(folderOutside, swapped));
    QCOMPARE(::lchown(QFile::encodeName(swapped).constData(), user.Uid(), user.Gid()), 0);
    const Result viaFolder = RunCorvane({swapped + QStringLiteral("/page.htm")});
    QCOMPARE(viaFolder.exitCode, 1);
    QVERIFY2(viaFolder.out.value(0).endsWith(QStringLiteral("its owner does not own the target")),
             qPrintable(viaFolder.out.value(0)));
    QCOMPARE(ReadFile(folderOutside + QStringLiteral("/page.htm")), kPage);
    QCOMPARE(::lchown(QFile::encodeName(swapped).constData(), 0, 0), 0);
    QCOMPARE(RunCorvane({swapped + QStringLiteral("/page.htm")}).exitCode, 0);
    QVERIFY(ReadFile(folderOutside + QStringLiteral("/page.htm")).size() < kPage.size());

    // The user runs, in their own folder: root's page and a page of group root keep their owners.
    const QString folder = m_dir->filePath(QStringLiteral("home"));
    const QString rootsPage = folder + QStringLiteral("/root.htm");
    const QString groupPage = folder + QStringLiteral("/group.htm");
    QVERIFY(WriteFile(rootsPage, kPage) && WriteFile(groupPage, kPage));
    QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
    QCOMPARE(::chown(QFile::encodeName(folder).constData(), user.Uid(), user.Gid()), 0);
    QCOMPARE(::chmod(QFile::encodeName(rootsPage).constData(), 0666), 0);
    QCOMPARE(::chown(QFile::encodeName(groupPage).constData(), user.Uid(), 0), 0);
    // A copy the user can surely reach, wherever the build tree is.
    const QString program = folder + QStringLiteral("/corvane");
    QVERIFY(QFile::copy(QStringLiteral(CORVANE_BINARY), program));
    const Result byUser =
        Run(QStringLiteral("setpriv"), user.RunAs() + QStringList{program, rootsPage, groupPage});
    QCOMPARE(byUser.exitCode, 0);
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(rootsPage).constData(), &info), 0);
    QCOMPARE(std::pair(info.st_uid, info.st_gid), std::pair(uid_t(0), gid_t(0)));
    QCOMPARE(info.st_mode & 07777, mode_t(0666));
    QCOMPARE(::stat(QFile::encodeName(groupPage).constData(), &info), 0);
    QCOMPARE(std::pair(info.st_uid, info.st_gid), std::pair(user.Uid(), gid_t(0)));
    QVERIFY(ReadFile(rootsPage).size() < kPage.size());
    QVERIFY(ReadFile(groupPage).size() < kPage.size());
}

void CorvaneCliTest::testFilter()
{
    // The same bytes as a run in place over the same page.
    const QString page = Site() + QStringLiteral("/index.htm");
    QVERIFY(RunCorvane({QStringLiteral("-q"), page}).exitCode == 0);
    const QByteArray inPlace = ReadFile(page);
    QVERIFY(inPlace.size() < kPage.size());
    for (const QStringList& arguments : {QStringList{QStringLiteral("-")}, QStringList{}}) {
        const Result filtered = RunCorvaneWithInput(arguments, kPage);
        QCOMPARE(filtered.exitCode, 0);
        QCOMPARE(filtered.rawOut, inPlace);
        QVERIFY(filtered.err.isEmpty());
    }

    // What the engine leaves alone goes out as it came: line ends, NULs and all.
    const QByteArray plain("<p>a</p>");
    const QByteArray utf16("\xff\xfe<\0p\0>\0", 8);
    const struct
    {
        QByteArray in;
        int exitCode;
        int messages;
    } untouched[] = {{QByteArray(), 0, 0}, {plain, 0, 0}, {utf16, 1, 1}};
    for (const auto& [in, exitCode, messages] : untouched) {
        const Result result = RunCorvaneWithInput({QStringLiteral("-")}, in);
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(result.rawOut, in);
        QCOMPARE(result.err.size(), messages);
    }
    QVERIFY(RunCorvaneWithInput({QStringLiteral("-")}, utf16).err.value(0).contains(QStringLiteral("UTF-16")));

    // A dry run tells the sizes on standard error and writes no page.
    const Result dry = RunCorvaneWithInput({QStringLiteral("--dry-run"), QStringLiteral("-")}, kPage);
    QCOMPARE(dry.exitCode, 0);
    QVERIFY(dry.rawOut.isEmpty());
    QVERIFY2(dry.err.value(0).contains(QStringLiteral(" -> %1 bytes").arg(inPlace.size())), qPrintable(dry.err.value(0)));
}

void CorvaneCliTest::testOutputTree()
{
    QVERIFY(QFile::link(QStringLiteral("../index.htm"), Site() + QStringLiteral("/docs/link.htm")));
    QVERIFY(QFile::link(QStringLiteral("docs"), Site() + QStringLiteral("/docs-link")));
    QCOMPARE(::mkfifo(QFile::encodeName(Site() + QStringLiteral("/pipe")).constData(), 0644), 0);
    QCOMPARE(::chmod(QFile::encodeName(Site() + QStringLiteral("/docs/guide.HTML")).constData(), 0640), 0);
    const QString copy = m_dir->filePath(QStringLiteral("copy"));
    QCOMPARE(Run(QStringLiteral("cp"), {QStringLiteral("-a"), Site(), copy}).exitCode, 0);
    QVERIFY(QFile::remove(copy + QStringLiteral("/pipe")));
    QCOMPARE(RunCorvane({QStringLiteral("-q"), copy}).exitCode, 0);

    const QMap<QString, QByteArray> sources = Snapshot(Site());
    const QMap<QString, QString> sourceIdentities = Identities(Site());
    const QString out = m_dir->filePath(QStringLiteral("out"));
    const Result result = RunCorvane({QStringLiteral("-o"), out, QStringLiteral("-j"), QStringLiteral("3"), Site()});
    QCOMPARE(result.exitCode, 0);
    // The pipe is passed over with a warning; the sources are as they were, access times aside.
    QCOMPARE(result.err.size(), 1);
    QVERIFY2(result.err[0].contains(QStringLiteral("skipped")) && result.err[0].contains(QStringLiteral("pipe")),
             qPrintable(result.err[0]));
    QCOMPARE(Snapshot(Site()), sources);
    QCOMPARE(Identities(Site()), sourceIdentities);

    // The same files as a run in place over a copy, pages of hidden folders copied as they are.
    QMap<QString, QByteArray> made = Snapshot(out, true);
    QVERIFY(made.remove(QStringLiteral("/.corvane-manifest")));
    QCOMPARE(made, Snapshot(copy, true));
    QCOMPARE(QFile::symLinkTarget(out + QStringLiteral("/docs-link")), out + QStringLiteral("/docs"));
    QCOMPARE(QFileInfo(out + QStringLiteral("/docs/link.htm")).symLinkTarget(), out + QStringLiteral("/index.htm"));
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/pipe")));
    for (const char* name : {"/index.htm", "/docs/guide.HTML", "/docs/readme.txt", "/.cache/old.htm"}) {
        struct stat source;
        struct stat output;
        QCOMPARE(::stat(QFile::encodeName(Site() + QLatin1String(name)).constData(), &source), 0);
        QCOMPARE(::stat(QFile::encodeName(out + QLatin1String(name)).constData(), &output), 0);
        QCOMPARE(output.st_mode, source.st_mode);
        QCOMPARE(std::pair(output.st_mtim.tv_sec, output.st_mtim.tv_nsec),
                 std::pair(source.st_mtim.tv_sec, source.st_mtim.tv_nsec));
    }
    QVERIFY(result.out.contains(out + QStringLiteral("/docs/readme.txt: copied, %1 bytes").arg(kPage.size())));

    // The output folder inside the source is not mirrored into itself.
    const Result inside = RunCorvane({QStringLiteral("-o"), Site() + QStringLiteral("/public"), Site()});
    QCOMPARE(inside.exitCode, 0);
    QVERIFY(!QFileInfo::exists(Site() + QStringLiteral("/public/public")));
    QCOMPARE(ReadFile(Site() + QStringLiteral("/public/index.htm")), ReadFile(out + QStringLiteral("/index.htm")));
}

void CorvaneCliTest::testRerunWritesOnlyWhatChanged()
{
    const QString out = m_dir->filePath(QStringLiteral("out"));
    const QStringList arguments{QStringLiteral("-o"), out, Site()};
    QCOMPARE(RunCorvane(arguments).exitCode, 0);
    const QMap<QString, QString> first = Identities(out);

    // Nothing changed: nothing written, not even the manifest.
    const Result again = RunCorvane(arguments);
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.out.size(), 1);
    QVERIFY2(again.out[0].endsWith(QStringLiteral("0 failed, 5 up to date")), qPrintable(again.out[0]));
    QCOMPARE(Identities(out), first);

    // One page edited: its output alone is made again (and the manifest records it).
    QVERIFY(WriteFile(Site() + QStringLiteral("/docs/guide.HTML"), kPage + "<p>  more  </p>\n"));
    QCOMPARE(RunCorvane(arguments).exitCode, 0);
    const QMap<QString, QString> edited = Identities(out);
    QCOMPARE(Differences(first, edited),
             QStringList({QStringLiteral("/.corvane-manifest"), QStringLiteral("/docs/guide.HTML")}));

    // Other switches make every page again, and only pages.
    QCOMPARE(RunCorvane(QStringList{QStringLiteral("--disable"), QStringLiteral("Spaces")} + arguments).exitCode, 0);
    QCOMPARE(Differences(edited, Identities(out)),
             QStringList({QStringLiteral("/.corvane-manifest"), QStringLiteral("/docs/empty.htm"),
                          QStringLiteral("/docs/guide.HTML"), QStringLiteral("/index.htm")}));

    // A source gone: its output stays until --delete, which removes nothing it did not make.
    QVERIFY(QFile::remove(Site() + QStringLiteral("/index.htm")));
    QVERIFY(QFile::remove(Site() + QStringLiteral("/docs/readme.txt")));
    QVERIFY(WriteFile(out + QStringLiteral("/mine.htm"), kPage));
    QCOMPARE(RunCorvane(arguments).exitCode, 0);
    QVERIFY(QFileInfo::exists(out + QStringLiteral("/index.htm")));
    QVERIFY(WriteFile(out + QStringLiteral("/docs/readme.txt"), "edited by hand")); // no longer ours
    const Result removed = RunCorvane(QStringList{QStringLiteral("--delete")} + arguments);
    QCOMPARE(removed.exitCode, 0);
    QVERIFY(removed.out.contains(out + QStringLiteral("/index.htm: removed (its source is gone)")));
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/index.htm")));
    QCOMPARE(ReadFile(out + QStringLiteral("/docs/readme.txt")), QByteArray("edited by hand"));
    QCOMPARE(removed.err.size(), 1);
    QVERIFY(removed.err[0].contains(QStringLiteral("changed since it was made")));
    QCOMPARE(ReadFile(out + QStringLiteral("/mine.htm")), kPage);
}

void CorvaneCliTest::testJsonSummary()
{
    const QString broken = Site() + QStringLiteral("/wide.htm");
    QVERIFY(WriteFile(broken, QByteArray("\xff\xfe<\0p\0>\0", 8)));
    const QMap<QString, QByteArray> before = Snapshot(m_dir->path());
    const QString out = m_dir->filePath(QStringLiteral("out"));
    for (const QStringList& extra : {QStringList{}, QStringList{QStringLiteral("-o"), out}}) {
        const Result result = RunCorvane(QStringList{QStringLiteral("--json"), QStringLiteral("--dry-run")} + extra +
                                         QStringList{Site()});
        QCOMPARE(result.exitCode, 1);
        QJsonParseError error;
        const QJsonObject summary = QJsonDocument::fromJson(result.rawOut, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        QCOMPARE(summary.value("dryRun").toBool(), true);
        const QJsonObject totals = summary.value("totals").toObject();
        QCOMPARE(totals.value("failed").toInt(), 1);
        QVERIFY(totals.value("bytesAfter").toDouble() < totals.value("bytesBefore").toDouble());
        QVERIFY(totals.value("seconds").isDouble());
        const QJsonArray files = summary.value("files").toArray();
        QCOMPARE(totals.value("files").toInt(), files.size());
        QStringList statuses;
        for (const QJsonValue& file : files) {
            statuses << file.toObject().value("status").toString();
            if (file.toObject().value("path").toString() == broken)
                QCOMPARE(file.toObject().value("reason").toString(), QStringLiteral("not supported: UTF-16 or UTF-32 text"));
            QCOMPARE(file.toObject().contains("output"), !extra.isEmpty());
        }
        QVERIFY(statuses.contains("failed") && statuses.contains("compressed") && statuses.contains("unchanged"));
        QCOMPARE(statuses.contains("copied"), !extra.isEmpty());
        // The failure is told on standard error too, where a person sees it.
        QCOMPARE(result.err.size(), 1);
    }
    QCOMPARE(Snapshot(m_dir->path()), before);
    QVERIFY(!QFileInfo::exists(out));
}

void CorvaneCliTest::testProgressOnTerminalOnly()
{
    const QRegularExpression update(QStringLiteral("\r\\d+/\\d+ files, [\\d.]+ of [\\d.]+ MB, [\\d.]+ MB/s, [-\\d:]+ left"));
    const Result terminal = RunOnTerminal(QStringLiteral("LC_ALL=C.UTF-8 \"$CORVANE\" --dry-run \"$SITE\" >/dev/null"),
                                          {QStringLiteral("SITE=") + Site()});
    QCOMPARE(terminal.exitCode, 0);
    QVERIFY2(update.match(QString::fromLocal8Bit(terminal.rawOut)).hasMatch(), terminal.rawOut.toHex(' ').constData());
    const Result chinese = RunOnTerminal(QStringLiteral("LC_ALL= LANG=zh_CN.UTF-8 \"$CORVANE\" --dry-run \"$SITE\" >/dev/null"),
                                         {QStringLiteral("SITE=") + Site()});
    QVERIFY(QString::fromUtf8(chinese.rawOut).contains(QStringLiteral("个文件")));
    const Result quiet = RunOnTerminal(QStringLiteral("\"$CORVANE\" -q --dry-run \"$SITE\""), {QStringLiteral("SITE=") + Site()});
    QVERIFY(!quiet.rawOut.contains("files"));

    const Result piped = RunCorvane({QStringLiteral("--dry-run"), Site()});
    QCOMPARE(piped.exitCode, 0);
    QVERIFY(piped.err.isEmpty());
    QVERIFY(!piped.rawOut.contains('\r'));
}

QTEST_GUILESS_MAIN(CorvaneCliTest)
#include "CorvaneCliTest.moc"
