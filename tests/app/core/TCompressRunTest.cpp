#include "app/core/TCompressRun.h"

#include "engine/HTMLCompressor.h"
#include "engine/PageBatch.h"
#include "engine/PosixIo.h"
#include "ReadOnlyFile.h"
#include "engine/RecoveryCopy.h"
#include "app/core/TBackgroundRun.h"
#include "app/core/TFileList.h"
#include "app/core/TLogFile.h"
#include "app/core/TReasonText.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

int g_jobs = 1; // of every run a test makes

const QByteArray
    kPage("<html>\r\n  <head>   <title>T</title>   </head>\r\n\r\n  <body>\r\n    <p   class=\"x\">  Hello  "
          "</p>\r\n\r\n  </body>\r\n</html>\r\n");

// Keeps every call as one text, in order.
class RecordingObserver final : public TCompressRunObserver
{
public:
    void PanelShown() override { calls << QStringLiteral("shown"); }
    void PanelHidden() override { calls << QStringLiteral("hidden"); }
    void RowStatus(int row, const QString& text) override
    {
        calls << QStringLiteral("status %1 %2").arg(row).arg(text);
    }
    void RowCompressedSize(int row, const QString& text) override
    {
        calls << QStringLiteral("size %1 %2").arg(row).arg(text);
    }
    void Gauge(int value) override
    {
        calls << QStringLiteral("gauge %1").arg(value);
        gauges << value;
    }
    void ResultLabels(const QString& fileSize, const QString& compressed, const QString& percent) override
    {
        labels = QStringList{fileSize, compressed, percent};
    }
    void LogUnavailable(const QString&, const QString& reason) override { logProblem = reason; }
    void RecoveryNotice(const QByteArray& copy, const QByteArray&, const QString& text) override
    {
        calls << QStringLiteral("notice %1 %2").arg(text, QFile::decodeName(copy));
    }
    void FileFinished(int, const TFileOutcome& outcome) override
    {
        outcomes.append(outcome);
        if (QThread::currentThread() != home)
            calls << QStringLiteral("from another thread");
    }

    QThread* home = QThread::currentThread(); // where every call must arrive
    QStringList calls;
    QList<int> gauges;
    QStringList labels;
    QString logProblem;
    QList<TFileOutcome> outcomes;
};

// A small file system of its own, for a disk that fills up; needs root.
class FullDisk
{
public:
    explicit FullDisk(const QString& path) : m_path(path)
    {
        QDir().mkpath(path);
        m_mounted = QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", path}) == 0;
    }
    ~FullDisk()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_path});
    }
    [[nodiscard]] bool Mounted() const { return m_mounted; }
    // Takes up whatever space is left.
    void Fill() const
    {
        QFile filler(m_path + QStringLiteral("/filler"));
        if (filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size()) {
            }
        }
    }

private:
    QString m_path;
    bool m_mounted = false;
};

} // namespace

class TCompressRunTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void testEmptyList();
    void testSecondRunTouchesNothing();
    void testDoneAndNewMixed();
    void testGauge_data();
    void testGauge();
    void testFileThatDoesNotShrink();
    void testFailure_data();
    void testFailure();
    void testChangedDuringCompression_data();
    void testChangedDuringCompression();
    void testFailureReasons_data();
    void testFailureReasons();
    void testStopAfterPageInHand();
    void testInBackgroundAsInline();
    void testPageEditedWhileItsBatchWaits();
    void testTwoNamesOfOnePage();
    void testOtherNameAfterAFullBatch();
    void testInterruptedRunsAreSeenToFirst();
    void testLogOfTwoRuns();
    void testClearedLogStartsAgain();
    void testUnavailableLog();
    void testDryRunWritesNothing();
    void testPercentText_data();
    void testPercentText();

private:
    QString PathOf(const QString& name) const { return m_dir->filePath(name); }
    QString LogPath() const { return m_dir->filePath(QStringLiteral("log/log.txt")); }
    void AddPage(const QString& name, const QByteArray& bytes = kPage);
    TRunTotals Run(RecordingObserver& observer, bool logging = false);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TFileList> m_list;
    THTMLCompressor m_engine;
};

void TCompressRunTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("log")));
    m_list = std::make_unique<TFileList>();
}

void TCompressRunTest::AddPage(const QString& name, const QByteArray& bytes)
{
    QVERIFY(WriteFile(PathOf(name), bytes));
    QVERIFY(m_list->AddPath(PathOf(name)));
}

TRunTotals TCompressRunTest::Run(RecordingObserver& observer, bool logging)
{
    TCompressRun run(*m_list, m_engine, &observer);
    run.SetJobs(g_jobs);
    if (logging)
        run.SetLogFile(LogPath());
    return run.Execute();
}

void TCompressRunTest::testEmptyList()
{
    RecordingObserver observer;
    const TRunTotals totals = Run(observer, true);
    QCOMPARE(observer.calls, (QStringList{"shown", "hidden", "gauge 0"}));
    QVERIFY(observer.labels.isEmpty());
    QCOMPARE(totals.compressed + totals.failed, 0);
    // A logged run over nothing still creates the file, with its header only.
    QCOMPARE(TLogFile::ReadLines(LogPath()), QStringList{TLogFile::HeaderLine()});
}

void TCompressRunTest::testSecondRunTouchesNothing()
{
    AddPage(QStringLiteral("a.htm"));
    RecordingObserver first;
    Run(first);
    QCOMPARE(m_list->At(0).StatusText(), QStringLiteral("已完成"));
    const QByteArray compressed = ReadFile(PathOf(QStringLiteral("a.htm")));
    QVERIFY(compressed.size() < kPage.size());
    QCOMPARE(m_list->At(0).compressedSize, quint64(compressed.size()));
    // Nothing of a finished run holds its folder open (a stick could not be unmounted).
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        QVERIFY2(fd.symLinkTarget() != m_dir->path(), "the run's folder is still open");

    QVERIFY(WriteFile(PathOf(QStringLiteral("a.htm")), kPage)); // would shrink again if touched
    RecordingObserver second;
    Run(second);
    QCOMPARE(second.calls, (QStringList{"shown", "hidden", "gauge 0"}));
    QCOMPARE(ReadFile(PathOf(QStringLiteral("a.htm"))), kPage);
}

void TCompressRunTest::testDoneAndNewMixed()
{
    AddPage(QStringLiteral("a.htm"));
    RecordingObserver first;
    Run(first);
    AddPage(QStringLiteral("b.htm"), kPage + kPage);
    RecordingObserver second;
    const TRunTotals totals = Run(second);

    QCOMPARE(second.outcomes.size(), 1);
    QCOMPARE(second.outcomes[0].path, PathOf(QStringLiteral("b.htm")));
    const quint64 after = quint64(ReadFile(PathOf(QStringLiteral("b.htm"))).size());
    QCOMPARE(totals.uncompressed, quint64(2 * kPage.size()));
    QCOMPARE(totals.compressedBytes, after);
    QCOMPARE(second.labels,
             (QStringList{TFileList::LabelSizeText(2 * kPage.size()), TFileList::LabelSizeText(after),
                          TCompressRun::PercentText(2 * kPage.size(), after)}));
    QCOMPARE(second.calls.mid(0, 5),
             (QStringList{"shown", "status 1 压缩...", "size 1 0K", "status 1 已完成", "gauge 100"}));
}

void TCompressRunTest::testGauge_data()
{
    QTest::addColumn<QList<int>>("sizes"); // one file each; -1: the file vanishes before the run
    QTest::addColumn<QList<int>>("gauges");

    QTest::newRow("one file") << QList<int>{400} << QList<int>{100, 0};
    QTest::newRow("three files") << QList<int>{100, 300, 600} << QList<int>{10, 40, 100, 0};
    QTest::newRow("failure still advances") << QList<int>{100, -1, 600} << QList<int>{10, 40, 100, 0};
    QTest::newRow("all empty") << QList<int>{0, 0, 0} << QList<int>{33, 66, 100, 0};
}

void TCompressRunTest::testGauge()
{
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, gauges);
    for (int i = 0; i < sizes.size(); ++i) {
        const QString name = QStringLiteral("p%1.htm").arg(i);
        // A vanishing file still counts its stored size, here 300.
        const int size = sizes[i] < 0 ? 300 : sizes[i];
        AddPage(name, kPage.repeated(size / kPage.size() + 1).left(size));
        if (sizes[i] < 0)
            QVERIFY(QFile::remove(PathOf(name)));
    }
    RecordingObserver observer;
    Run(observer);
    QCOMPARE(observer.gauges, gauges);
    QCOMPARE(observer.calls.last(), QStringLiteral("gauge 0"));
}

void TCompressRunTest::testFileThatDoesNotShrink()
{
    AddPage(QStringLiteral("tight.htm"), "<b>x</b>");
    RecordingObserver observer;
    Run(observer);
    QCOMPARE(ReadFile(PathOf(QStringLiteral("tight.htm"))), QByteArray("<b>x</b>"));
    QCOMPARE(observer.labels, (QStringList{"0K (8 字节)", "0K (8 字节)", "0%"}));
    QCOMPARE(m_list->At(0).StatusText(), QStringLiteral("已完成"));
}

void TCompressRunTest::testFailure_data()
{
    QTest::addColumn<bool>("vanish"); // else read-only
    QTest::newRow("vanished") << true;
    QTest::newRow("read-only") << false;
}

void TCompressRunTest::testFailure()
{
    QFETCH(bool, vanish);
    AddPage(QStringLiteral("ok.htm"));
    AddPage(QStringLiteral("bad.htm"));
    const QString bad = PathOf(QStringLiteral("bad.htm"));
    std::unique_ptr<ReadOnlyFile> guard;
    if (vanish) {
        QVERIFY(QFile::remove(bad));
    } else {
        guard = std::make_unique<ReadOnlyFile>(bad);
    }

    RecordingObserver observer;
    const TRunTotals totals = Run(observer, true);
    QCOMPARE(totals.compressed, 1);
    QCOMPARE(totals.failed, 1);
    QVERIFY(observer.calls.contains(QStringLiteral("status 1 失败")));
    QVERIFY(!observer.calls.contains(QStringLiteral("status 1 已完成")));
    QCOMPARE(observer.outcomes[1].result, TFileOutcome::Failed);
    QVERIFY(!observer.outcomes[1].reason.isEmpty());
    QCOMPARE(m_list->At(1).state, int(TFileEntry::New));
    QCOMPARE(m_list->At(1).StatusText(), QStringLiteral("失败"));
    // Only the good file counts and is logged; the bad one is exactly as it was.
    QCOMPARE(totals.uncompressed, quint64(kPage.size()));
    QCOMPARE(observer.labels.first(), TFileList::LabelSizeText(kPage.size()));
    QCOMPARE(TLogFile::ReadLines(LogPath()).size(), 2);
    QVERIFY(!TLogFile::ReadLines(LogPath()).join('\n').contains(QStringLiteral("bad.htm")));
    if (vanish)
        QVERIFY(!QFile::exists(bad));
    else
        QCOMPARE(ReadFile(bad), kPage);

    // Once the cause is gone, the next run tries the file again and only it.
    guard.reset();
    if (vanish)
        QVERIFY(WriteFile(bad, kPage));
    RecordingObserver retry;
    Run(retry);
    QCOMPARE(retry.outcomes.size(), 1);
    QCOMPARE(retry.outcomes[0].path, bad);
    QCOMPARE(m_list->At(1).StatusText(), QStringLiteral("已完成"));
    QVERIFY(ReadFile(bad).size() < kPage.size());
}

void TCompressRunTest::testChangedDuringCompression_data()
{
    QTest::addColumn<bool>("editorsSave"); // else a line appended
    QTest::newRow("appended") << false;
    QTest::newRow("editor's save") << true;
}

void TCompressRunTest::testChangedDuringCompression()
{
    QFETCH(bool, editorsSave);
    AddPage(QStringLiteral("page.htm"));
    const QString page = PathOf(QStringLiteral("page.htm"));
    const QByteArray edited = kPage + "<p>new</p>\r\n";
    RecordingObserver observer;
    TCompressRun run(*m_list, m_engine, &observer);
    run.SetJobs(g_jobs);
    run.SetBeforeSaveHook([&](const QByteArray&) {
        if (editorsSave) {
            QVERIFY(WriteFile(page + QStringLiteral(".new"), edited));
            QVERIFY(::rename(QFile::encodeName(page + QStringLiteral(".new")), QFile::encodeName(page)) == 0);
        } else {
            QFile file(page);
            QVERIFY(file.open(QIODevice::Append));
            file.write("<p>new</p>\r\n");
        }
    });
    const TRunTotals totals = run.Execute();
    QCOMPARE(totals.failed, 1);
    QCOMPARE(m_list->At(0).StatusText(), QStringLiteral("失败"));
    QCOMPARE(observer.outcomes[0].reason, QStringLiteral("changed during compression"));
    QCOMPARE(ReadFile(page), edited);
}

void TCompressRunTest::testFailureReasons_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing" << int(FileStatus::Missing) << "文件不存在";
    QTest::newRow("read-only") << "read-only" << int(FileStatus::NotWritable) << "只读文件";
    QTest::newRow("edited") << "edited" << int(FileStatus::Changed) << "文件在压缩过程中被修改";
    QTest::newRow("pipe") << "pipe" << int(FileStatus::NotRegular) << "不是普通文件";
    QTest::newRow("UTF-16") << "UTF-16" << int(FileStatus::UnsupportedEncoding) << "不支持 UTF-16 或 UTF-32 编码的文本";
    QTest::newRow("disk full") << "disk full" << int(FileStatus::DiskFull) << "磁盘已满";
}

void TCompressRunTest::testFailureReasons()
{
    QFETCH(QString, cause);
    QFETCH(int, status);
    QFETCH(QString, reason);
    const std::unique_ptr<FullDisk> disk =
        cause == "disk full" ? std::make_unique<FullDisk>(PathOf(QStringLiteral("small"))) : nullptr;
    if (disk && !disk->Mounted())
        QSKIP("no file system of our own can be mounted here");
    const QString name = disk ? QStringLiteral("small/page.htm") : QStringLiteral("page.htm");
    AddPage(name, cause == "UTF-16" ? QByteArray("\xFF\xFE<\0p\0>\0 \0 \0") : kPage.repeated(100));
    const QString page = PathOf(name);
    std::unique_ptr<ReadOnlyFile> readOnly;
    if (cause == "missing")
        QVERIFY(QFile::remove(page));
    else if (cause == "read-only")
        readOnly = std::make_unique<ReadOnlyFile>(page);
    else if (cause == "pipe")
        QVERIFY(QFile::remove(page) && ::mkfifo(QFile::encodeName(page).constData(), 0600) == 0);
    else if (disk)
        disk->Fill();

    TReasonText::SetLanguage(TReasonText::Chinese);
    RecordingObserver observer;
    TCompressRun run(*m_list, m_engine, &observer);
    run.SetJobs(g_jobs);
    run.SetBeforeSaveHook([&](const QByteArray&) {
        if (cause == "edited")
            QVERIFY(WriteFile(page, kPage));
    });
    run.Execute();
    TReasonText::SetLanguage(TReasonText::English);

    QCOMPARE(observer.outcomes.size(), 1);
    QCOMPARE(int(observer.outcomes[0].status), status);
    QCOMPARE(observer.outcomes[0].reason, reason);
    QCOMPARE(m_list->At(0).StatusText(), QStringLiteral("失败"));
    QCOMPARE(int(m_list->Snapshot(0).failure), status);
    QCOMPARE(QDir(QFileInfo(page).path()).entryList(QDir::Hidden | QDir::Files).filter(".corvane"), QStringList());
}

void TCompressRunTest::testStopAfterPageInHand()
{
    // More pages than several jobs hold in hand at once.
    const int pages = g_jobs == 1 ? 3 : 40;
    for (int i = 0; i < pages; ++i)
        AddPage(QStringLiteral("p%1.htm").arg(i, 2, 10, QLatin1Char('0')));
    RecordingObserver observer;
    TCompressRun run(*m_list, m_engine, &observer);
    run.SetJobs(g_jobs);
    run.SetLogFile(LogPath());
    // Asked to stop once the first page is in hand: the pages in hand are finished (one with one
    // job), the others are not read.
    std::atomic<int> inHand = 0;
    run.SetBeforeSaveHook([&](const QByteArray&) { ++inHand; });
    run.SetStopRequest([&] { return inHand > 0; });
    const TRunTotals totals = run.Execute();

    QVERIFY(totals.stopped);
    QVERIFY(totals.compressed >= 1 && totals.compressed < pages);
    if (g_jobs == 1)
        QCOMPARE(totals.compressed, 1);
    for (int row = 0; row < pages; ++row) {
        const bool done = row < totals.compressed;
        QCOMPARE(m_list->At(row).StatusText(), done ? QStringLiteral("已完成") : QStringLiteral("默认值"));
        QCOMPARE(ReadFile(m_list->At(row).FullPath()).size() < kPage.size(), done);
    }
    QCOMPARE(TLogFile::ReadLines(LogPath()).size(), 1 + totals.compressed); // the header and the pages done
    QCOMPARE(observer.calls.mid(observer.calls.size() - 2), (QStringList{"hidden", "gauge 0"}));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Hidden | QDir::Files).filter(".corvane"), QStringList());
}

void TCompressRunTest::testInBackgroundAsInline()
{
    // Two copies of one list, one run inline and one on a worker thread.
    QTemporaryDir other;
    QVERIFY(other.isValid());
    TFileList copy;
    for (const QString name : {"a.htm", "gone.htm", "b.htm"}) {
        AddPage(name, kPage.repeated(name.size()));
        QVERIFY(WriteFile(other.filePath(name), kPage.repeated(name.size())));
        QVERIFY(copy.AddPath(other.filePath(name)));
    }
    QVERIFY(QFile::remove(PathOf("gone.htm")) && QFile::remove(other.filePath("gone.htm")));
    RecordingObserver inlineCalls;
    const TRunTotals inlineTotals = Run(inlineCalls);

    RecordingObserver backgroundCalls;
    TBackgroundRun background(backgroundCalls);
    TCompressRun run(copy, m_engine, background.Relay());
    run.SetJobs(g_jobs);
    const TRunTotals totals = background.Execute(run);

    QVERIFY(!background.IsRunning());
    QCOMPARE(backgroundCalls.calls, inlineCalls.calls);
    QCOMPARE(backgroundCalls.labels, inlineCalls.labels);
    QCOMPARE(totals.compressedBytes, inlineTotals.compressedBytes);
    QCOMPARE(totals.failed, 1);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(copy.At(row).StatusText(), m_list->At(row).StatusText());
}

void TCompressRunTest::testPageEditedWhileItsBatchWaits()
{
    for (const char* name : {"a.htm", "b.htm", "c.htm"})
        AddPage(QLatin1String(name));
    const QString a = PathOf(QStringLiteral("a.htm"));
    RecordingObserver observer;
    TCompressRun run(*m_list, m_engine, &observer);
    run.SetJobs(g_jobs);
    run.SetLogFile(LogPath());
    // Pages wait in one batch: a is edited after it was read and written beside itself.
    run.SetBeforeSaveHook([&](const QByteArray& path) {
        if (path.endsWith("c.htm")) {
            QFile file(a);
            QVERIFY(file.open(QIODevice::Append));
            file.write("<p>new</p>\r\n");
        }
    });
    const TRunTotals totals = run.Execute();
    QCOMPARE(totals.failed, 1);
    QCOMPARE(totals.compressed, 2);
    QCOMPARE(ReadFile(a), kPage + "<p>new</p>\r\n");
    QCOMPARE(observer.outcomes.size(), 3);
    QCOMPARE(observer.outcomes[0].reason, QStringLiteral("changed during compression"));
    const QStringList expected{"status 0 压缩...", "status 1 压缩...", "status 2 压缩...", "size 0 0K",
                               "status 0 失败",    "gauge 33",         "size 1 0K",        "status 1 已完成",
                               "gauge 66",         "size 2 0K",        "status 2 已完成",  "gauge 100"};
    QCOMPARE(observer.calls.mid(1, expected.size()), expected);
    const QStringList log = TLogFile::ReadLines(LogPath());
    QCOMPARE(log.size(), 3);
    QVERIFY(log[1].contains(QStringLiteral("b.htm")) && log[2].contains(QStringLiteral("c.htm")));
}

void TCompressRunTest::testTwoNamesOfOnePage()
{
    // The second name is read only after the first is in place, so it is not "changed".
    AddPage(QStringLiteral("a.htm"));
    QVERIFY(::link(QFile::encodeName(PathOf(QStringLiteral("a.htm"))),
                   QFile::encodeName(PathOf(QStringLiteral("b.htm")))) == 0);
    QVERIFY(QFile::link(PathOf(QStringLiteral("a.htm")), PathOf(QStringLiteral("c.htm"))));
    QVERIFY(m_list->AddPath(PathOf(QStringLiteral("b.htm"))));
    QVERIFY(m_list->AddPath(PathOf(QStringLiteral("c.htm"))));
    RecordingObserver observer;
    const TRunTotals totals = Run(observer);
    QCOMPARE(totals.failed, 0);
    QCOMPARE(totals.compressed, 3);
    QVERIFY(ReadFile(PathOf(QStringLiteral("b.htm"))).size() < kPage.size());
}

// Leaves the page as a run that died rewriting it in place leaves it: the start of its new
// content over the old bytes, and a recovery copy in its folder.
void Interrupt(const QString& page)
{
    const QByteArray path = QFile::encodeName(page);
    const int folder = ::open(QFile::encodeName(QFileInfo(page).path()).constData(), O_RDONLY | O_DIRECTORY);
    const int fd = ::open(path.constData(), O_RDWR);
    filestore::Identity identity;
    QVERIFY(folder >= 0 && fd >= 0 && filestore::IdentityOfFd(fd, identity));
    const std::string old = ReadFile(page).toStdString();
    const std::string fresh = THTMLCompressor().CompressBytes(old);
    filestore::RecoveryCopy copy;
    QCOMPARE(copy.Make(folder, QFileInfo(page).path().toStdString(), fd, identity,
                       QFileInfo(page).fileName().toStdString(), old, fresh),
             FileStatus::Ok);
    QCOMPARE(::pwrite(fd, fresh.data(), fresh.size(), 0), ssize_t(fresh.size()));
    copy.Leave();
    ::close(fd);
    ::close(folder);
}

void TCompressRunTest::testInterruptedRunsAreSeenToFirst()
{
    // A page torn in folder "a" is listed by its name in "b", before any page of "a": it is put
    // back before it is read, so it compresses and nothing fails.
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("a")) && QDir(m_dir->path()).mkpath(QStringLiteral("b")));
    QVERIFY(WriteFile(PathOf(QStringLiteral("a/p.htm")), kPage));
    QVERIFY(::link(QFile::encodeName(PathOf(QStringLiteral("a/p.htm"))),
                   QFile::encodeName(PathOf(QStringLiteral("b/p.htm")))) == 0);
    Interrupt(PathOf(QStringLiteral("a/p.htm")));
    QVERIFY(m_list->AddPath(PathOf(QStringLiteral("b/p.htm"))));
    // A copy that cannot be trusted: its page fails, and the user is told where the copy is.
    AddPage(QStringLiteral("a/q.htm"));
    Interrupt(PathOf(QStringLiteral("a/q.htm")));
    char copy[4096] = {};
    QVERIFY(::getxattr(QFile::encodeName(PathOf(QStringLiteral("a/q.htm"))), "user.corvane.recovery", copy,
                       sizeof copy - 1) > 0);
    QVERIFY(QFile::resize(QFile::decodeName(copy), 10));

    RecordingObserver observer;
    const TRunTotals totals = Run(observer);
    QCOMPARE(totals.failed, 1);
    QCOMPARE(totals.recoveryNotices, 1);
    QCOMPARE(ReadFile(PathOf(QStringLiteral("b/p.htm"))), QByteArray::fromStdString(THTMLCompressor().CompressBytes(kPage.toStdString())));
    QCOMPARE(observer.outcomes[1].status, FileStatus::Damaged);
    QCOMPARE(observer.calls[1], QStringLiteral("notice %1 %2")
                                    .arg(TReasonText::OfDeadRunFinding(filestore::DeadRunFinding::Damaged),
                                         QFile::decodeName(copy)));
}

// A full batch is put in place while later pages are still in hand; another name of one of those
// must still wait until it is in place.
void TCompressRunTest::testOtherNameAfterAFullBatch()
{
    const int pages = int(filestore::PageBatch::DefaultPages) + 16;
    for (int i = 0; i < pages; ++i) {
        const QString name = QStringLiteral("p%1.htm").arg(i, 3, 10, QLatin1Char('0'));
        if (i == pages - 8)
            QVERIFY(::link(QFile::encodeName(PathOf(QStringLiteral("p%1.htm").arg(pages - 12))),
                           QFile::encodeName(PathOf(name))) == 0);
        else
            QVERIFY(WriteFile(PathOf(name), kPage));
        QVERIFY(m_list->AddPath(PathOf(name)));
    }
    RecordingObserver observer;
    const TRunTotals totals = Run(observer);
    QCOMPARE(totals.failed, 0);
    QCOMPARE(totals.compressed, pages);
}

void TCompressRunTest::testLogOfTwoRuns()
{
    for (int run = 0; run < 2; ++run) {
        AddPage(QStringLiteral("r%1a.htm").arg(run));
        AddPage(QStringLiteral("r%1b.htm").arg(run), QByteArray());
        RecordingObserver observer;
        Run(observer, true);
    }
    const QStringList lines = TLogFile::ReadLines(LogPath());
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], TLogFile::HeaderLine());
    const QRegularExpression record(
        QStringLiteral("^\\d{4}-\\d{1,2}-\\d{1,2}( \\d\\d:\\d\\d:\\d\\d)?  (.+)   (\\d+)B   (\\d+)B$"));
    const QStringList names{"r0a.htm", "r0b.htm", "r1a.htm", "r1b.htm"};
    for (int i = 0; i < names.size(); ++i) {
        const QRegularExpressionMatch match = record.match(lines[i + 1]);
        QVERIFY2(match.hasMatch(), qPrintable(lines[i + 1]));
        QCOMPARE(match.captured(2), PathOf(names[i]));
        const bool empty = names[i].contains(QLatin1Char('b'));
        QCOMPARE(match.captured(3).toLongLong(), empty ? 0 : kPage.size());
        QCOMPARE(match.captured(4).toLongLong(), ReadFile(PathOf(names[i])).size());
    }
}

void TCompressRunTest::testClearedLogStartsAgain()
{
    AddPage(QStringLiteral("a.htm"));
    RecordingObserver first;
    Run(first, true);
    QVERIFY(TLogFile::Clear(LogPath()));
    AddPage(QStringLiteral("b.htm"));
    RecordingObserver second;
    Run(second, true);
    const QStringList lines = TLogFile::ReadLines(LogPath());
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], TLogFile::HeaderLine());
    QVERIFY(lines[1].contains(PathOf(QStringLiteral("b.htm"))));
}

void TCompressRunTest::testUnavailableLog()
{
    QVERIFY(QDir(m_dir->path()).rmdir(QStringLiteral("log")));
    AddPage(QStringLiteral("a.htm"));
    RecordingObserver observer;
    Run(observer, true);
    QVERIFY(!observer.logProblem.isEmpty());
    QCOMPARE(m_list->At(0).StatusText(), QStringLiteral("已完成"));
    QCOMPARE(observer.calls.last(), QStringLiteral("gauge 0"));
    QVERIFY(observer.calls.contains(QStringLiteral("hidden")));
}

void TCompressRunTest::testDryRunWritesNothing()
{
    AddPage(QStringLiteral("a.htm"));
    AddPage(QStringLiteral("empty.htm"), QByteArray());
    RecordingObserver observer;
    TCompressRun run(*m_list, m_engine, &observer);
    run.SetJobs(g_jobs);
    run.SetDryRun(true);
    run.SetLogFile(LogPath());
    const TRunTotals totals = run.Execute();
    QCOMPARE(ReadFile(PathOf(QStringLiteral("a.htm"))), kPage);
    QVERIFY(!QFile::exists(LogPath()));
    QCOMPARE(observer.outcomes[0].result, TFileOutcome::Compressed);
    QVERIFY(observer.outcomes[0].sizeAfter < quint64(kPage.size()));
    QCOMPARE(observer.outcomes[1].result, TFileOutcome::NothingToSave);
    QCOMPARE(totals.compressed, 2);
}

void TCompressRunTest::testPercentText_data()
{
    QTest::addColumn<quint64>("before");
    QTest::addColumn<quint64>("after");
    QTest::addColumn<QString>("text");

    QTest::newRow("saving rounds up") << quint64(1000) << quint64(701) << QStringLiteral("30%");
    QTest::newRow("no change") << quint64(1000) << quint64(1000) << QStringLiteral("0%");
    QTest::newRow("grew") << quint64(1000) << quint64(1030) << QStringLiteral("-3%");
    QTest::newRow("nothing") << quint64(0) << quint64(0) << QStringLiteral("0%");
    QTest::newRow("beyond 32-bit products")
        << quint64(50'000'000) << quint64(25'000'000) << QStringLiteral("50%");
    QTest::newRow("petabytes") << quint64(100'000'000'000'000'000) << quint64(30'000'000'000'000'001)
                               << QStringLiteral("70%");
}

void TCompressRunTest::testPercentText()
{
    QFETCH(quint64, before);
    QFETCH(quint64, after);
    QFETCH(QString, text);
    QCOMPARE(TCompressRun::PercentText(before, after), text);
}

// Every check holds whatever the number of jobs: each runs with one, two and eight.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int status = 0;
    for (const int jobs : {1, 2, 8}) {
        g_jobs = jobs;
        TCompressRunTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}
#include "TCompressRunTest.moc"
