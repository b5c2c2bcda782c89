#include "app/core/TOutputManifest.h"
#include "app/core/TOutputPlan.h"
#include "app/core/TOutputTreeRun.h"
#include "engine/HTMLCompressor.h"
#include "tests/app/core/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

const QByteArray kPage("<html>\n  <body>\n    <p>  Hello,   world  </p>\n\n\n  </body>\n</html>\n");

// Every outcome, in the order told.
class Recorder final : public TCompressRunObserver
{
public:
    void FileFinished(int row, const TFileOutcome& outcome) override { outcomes.append({row, outcome}); }

    [[nodiscard]] QList<int> Results() const
    {
        QList<int> results;
        for (const auto& [row, outcome] : outcomes)
            results << outcome.result;
        return results;
    }

    QList<std::pair<int, TFileOutcome>> outcomes;
};

QByteArray Bytes(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

class TOutputTreeRunTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void testManifestRoundTrip();
    void testPlanOrderAndChecks();
    void testJobsAgreeAndRerunsSkip();
    void testDeleteRemovesOnlyItsOwn();
    void testWideTreeOnSeveralJobs();
    void testRerunClearsDeadRunLeftovers();

private:
    TRunTotals RunInto(const QString& out, Recorder& recorder, int jobs = 1, const QByteArray& recipe = "a",
                       bool remove = false);
    QString Site() const { return m_dir->filePath(QStringLiteral("site")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TOutputTreeRunTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(WriteFile(Site() + QStringLiteral("/b.htm"), kPage));
    QVERIFY(WriteFile(Site() + QStringLiteral("/A.html"), kPage + kPage));
    QVERIFY(WriteFile(Site() + QStringLiteral("/sub/c.htm"), kPage));
    QVERIFY(WriteFile(Site() + QStringLiteral("/sub/style.css"), "p { }"));
}

TRunTotals TOutputTreeRunTest::RunInto(const QString& out, Recorder& recorder, int jobs, const QByteArray& recipe,
                                       bool remove)
{
    TOutputPlan plan;
    plan.SetJobs(jobs);
    QString error;
    if (!plan.Build(Bytes(out), {Bytes(Site())}, error))
        qFatal("%s", qPrintable(error));
    THTMLCompressor HC;
    TOutputTreeRun run(plan, HC, &recorder);
    run.SetJobs(jobs);
    run.SetRecipe(recipe);
    run.SetDelete(remove);
    return run.Execute();
}

void TOutputTreeRunTest::testManifestRoundTrip()
{
    // Any bytes in a name survive, line ends and spaces included.
    TOutputManifest written;
    written.Set("a b/c%d\n\xff.htm", {'p', 12, 1700000000, 123456789, 7, TOutputManifest::RecipeDigest("x")});
    written.Set("sub", {'d', 0, 5, 0, 0, "-"});
    written.Set("link", {'l', 0, -3, 1, 0, "-"});
    const QByteArray folder = Bytes(m_dir->path());
    QCOMPARE(written.Save(folder), 0);
    TOutputManifest read;
    QVERIFY(read.Load(folder));
    QVERIFY(read == written);

    // A path on two lines: the later holds, looked up in order or not.
    QVERIFY(WriteFile(m_dir->filePath(QStringLiteral(".corvane-manifest")),
                      "corvane-manifest 1\np 1 2 3 4 - a\np 5 2 3 4 - a\n"));
    QVERIFY(read.Load(folder));
    std::size_t next = 0;
    QCOMPARE(read.FindNext("a", next)->sourceSize, quint64(5));
    QCOMPARE(read.Current().size(), std::size_t(1));

    // A damaged record reads as none, so nothing is taken for current or removed as ours.
    QVERIFY(WriteFile(m_dir->filePath(QStringLiteral(".corvane-manifest")), "corvane-manifest 1\np 1 2 x 4 - a\n"));
    QVERIFY(!read.Load(folder));
    QVERIFY(read.Current().empty());
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral(".corvane-manifest"))));
    QVERIFY(read.Load(folder)); // none yet is no damage
}

void TOutputTreeRunTest::testPlanOrderAndChecks()
{
    // The output folder first, then a folder's own files in name order before its subfolders;
    // an output folder inside the source is left out.
    QVERIFY(QDir().mkpath(Site() + QStringLiteral("/out")));
    TOutputPlan plan;
    QString error;
    QVERIFY(plan.Build(Bytes(Site() + QStringLiteral("/out")), {Bytes(Site())}, error));
    QStringList order;
    for (const TTreeItem& item : plan.Items())
        order << QString::fromLatin1(item.Relative()) + QLatin1Char(':') + QString::number(item.kind);
    QCOMPARE(order, QStringList({":0", "A.html:1", "b.htm:1", "sub:0", "sub/c.htm:1", "sub/style.css:2"}));
    QCOMPARE(plan.FileCount(), 4);

    // Two files of one name cannot share the output folder.
    QVERIFY(WriteFile(m_dir->filePath(QStringLiteral("other/b.htm")), kPage));
    QVERIFY(!plan.Build(Bytes(m_dir->filePath(QStringLiteral("out"))),
                        {Bytes(Site() + QStringLiteral("/b.htm")), Bytes(m_dir->filePath(QStringLiteral("other/b.htm")))},
                        error));
    QVERIFY2(error.contains(QStringLiteral("would both be written")), qPrintable(error));
}

void TOutputTreeRunTest::testJobsAgreeAndRerunsSkip()
{
    const QString one = m_dir->filePath(QStringLiteral("one"));
    const QString three = m_dir->filePath(QStringLiteral("three"));
    Recorder first;
    Recorder threaded;
    QCOMPARE(RunInto(one, first).compressed, 4);
    QCOMPARE(RunInto(three, threaded, 3).compressed, 4);
    using R = TFileOutcome;
    QCOMPARE(first.Results(), QList<int>({R::Compressed, R::Compressed, R::Compressed, R::Copied}));
    QCOMPARE(threaded.Results(), first.Results());
    for (const QString name : {"A.html", "b.htm", "sub/c.htm", "sub/style.css"}) {
        QCOMPARE(ReadFile(three + QLatin1Char('/') + name), ReadFile(one + QLatin1Char('/') + name));
        QCOMPARE(QFileInfo(one + QLatin1Char('/') + name).lastModified(),
                 QFileInfo(Site() + QLatin1Char('/') + name).lastModified());
    }

    // Unchanged: all up to date. Another recipe: the pages again, the copy stays.
    Recorder again;
    QCOMPARE(RunInto(one, again).upToDate, 4);
    Recorder recipe;
    RunInto(one, recipe, 2, "b");
    QCOMPARE(recipe.Results(), QList<int>({R::Compressed, R::Compressed, R::Compressed, R::UpToDate}));
    // An output changed by hand is made again, even with its source as it was.
    QVERIFY(WriteFile(one + QStringLiteral("/b.htm"), "hand"));
    Recorder mended;
    RunInto(one, mended, 1, "b");
    QCOMPARE(mended.Results(), QList<int>({R::UpToDate, R::Compressed, R::UpToDate, R::UpToDate}));
}

void TOutputTreeRunTest::testDeleteRemovesOnlyItsOwn()
{
    const QString out = m_dir->filePath(QStringLiteral("out"));
    Recorder made;
    RunInto(out, made);
    QVERIFY(WriteFile(out + QStringLiteral("/sub/notes.txt"), "mine"));
    QVERIFY(QDir(Site() + QStringLiteral("/sub")).removeRecursively());
    Recorder kept;
    QCOMPARE(RunInto(out, kept).removed, 0);
    QVERIFY(QFileInfo::exists(out + QStringLiteral("/sub/c.htm")));
    Recorder removed;
    const TRunTotals totals = RunInto(out, removed, 1, "a", true);
    QCOMPARE(totals.removed, 2);
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/sub/c.htm")));
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/sub/style.css")));
    // The folder it made stays while it holds what is not its own.
    QCOMPARE(ReadFile(out + QStringLiteral("/sub/notes.txt")), QByteArray("mine"));
    QVERIFY(QFile::remove(out + QStringLiteral("/sub/notes.txt")));
    Recorder emptied;
    RunInto(out, emptied, 1, "a", true);
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/sub")));
    QVERIFY(QFileInfo::exists(out + QStringLiteral("/b.htm")));
}

void TOutputTreeRunTest::testRerunClearsDeadRunLeftovers()
{
    // What a killed run left in an output folder goes on the next run, however current the rest.
    const QString out = m_dir->filePath(QStringLiteral("out"));
    Recorder made;
    RunInto(out, made, 2);
    const QString leftover = out + QStringLiteral("/sub/.corvane-0123456789ab.tmp");
    QVERIFY(WriteFile(leftover, "torn"));
    Recorder again;
    QCOMPARE(RunInto(out, again, 2).upToDate, 4);
    QVERIFY(!QFileInfo::exists(leftover));
}

QTEST_GUILESS_MAIN(TOutputTreeRunTest)
#include "TOutputTreeRunTest.moc"

void TOutputTreeRunTest::testWideTreeOnSeveralJobs()
{
    // Folders listed and outputs checked on several threads: the walk's order stays the one-job
    // order, and a rerun finds each output of a large folder as it is.
    for (int i = 0; i < 70; ++i)
        QVERIFY(WriteFile(Site() + QStringLiteral("/wide/p%1.html").arg(i), kPage));
    for (const QString name : {"x/y/z/deep.html", "x/y/a.css", "x/b.html", "w/c.html"})
        QVERIFY(WriteFile(Site() + QLatin1Char('/') + name, kPage));
    const auto order = [&](int jobs) {
        TOutputPlan plan;
        plan.SetJobs(jobs);
        QString error;
        if (!plan.Build(Bytes(m_dir->filePath(QStringLiteral("out"))), {Bytes(Site())}, error))
            qFatal("%s", qPrintable(error));
        QByteArrayList relative;
        for (const TTreeItem& item : plan.Items())
            relative << item.Relative().toByteArray();
        return relative;
    };
    const QByteArrayList one = order(1);
    QCOMPARE(one.size(), 3 + 3 + 2 + 71 + 6); // site, sub, w, wide, x with y and z
    QCOMPARE(order(3), one);

    const QString out = m_dir->filePath(QStringLiteral("out"));
    Recorder first;
    QCOMPARE(RunInto(out, first, 3).compressed, 78);
    Recorder again;
    QCOMPARE(RunInto(out, again, 3).upToDate, 78);
    QVERIFY(WriteFile(out + QStringLiteral("/wide/p42.html"), "hand"));
    Recorder mended;
    const TRunTotals totals = RunInto(out, mended, 3);
    QCOMPARE(totals.upToDate, 77);
    QCOMPARE(ReadFile(out + QStringLiteral("/wide/p42.html")), ReadFile(out + QStringLiteral("/wide/p41.html")));
}
