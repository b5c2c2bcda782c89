#include "app/core/TFileList.h"

#include "app/core/TFileListObserver.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <memory>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

void MakeFile(const QString& path, qint64 size = 10)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QVERIFY(file.resize(size));
}

// Checks that every notification arrives in a consistent order and describes the list as a
// model would need it: inserted rows are at the end, removed rows exist before removal.
class RecordingObserver final : public TFileListObserver
{
public:
    explicit RecordingObserver(const TFileList& list) : m_list(list) {}

    void RowsAboutToBeInserted(int first, int last) override
    {
        QCOMPARE(first, m_list.Count());
        m_pending = last + 1;
        events << QStringLiteral("insert %1-%2").arg(first).arg(last);
    }
    void RowsInserted() override { QCOMPARE(m_list.Count(), m_pending); }
    void RowsAboutToBeRemoved(int first, int last) override
    {
        QVERIFY(last < m_list.Count());
        m_pending = m_list.Count() - (last - first + 1);
        events << QStringLiteral("remove %1-%2").arg(first).arg(last);
    }
    void RowsRemoved() override { QCOMPARE(m_list.Count(), m_pending); }
    void AboutToReset() override { events << QStringLiteral("reset"); }
    void Reset() override {}
    void RowChanged(int row) override { events << QStringLiteral("changed %1").arg(row); }

    QStringList events;

private:
    const TFileList& m_list;
    int m_pending = 0;
};

} // namespace

class TFileListTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void testAddingTwice_data();
    void testAddingTwice();
    void testFindFilesOrderAndSkips();
    void testObserverSeesOneBatchPerFolder();
    void testRemoveRows_data();
    void testRemoveRows();
    void testRemoveAllThenReAdd();
    void testDuplicatesAmongManyAfterRemovals();
    void testSizeTexts_data();
    void testSizeTexts();
    void testPaths_data();
    void testPaths();
    void testAnyBytesInNames();
    void testRemovedWorkingFolder();

private:
    QString Root() const { return m_dir->path(); }
    QStringList RelativePaths(const TFileList& list) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TFileListTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // Root: own files in mixed case and extension, a hidden file, files that must not match.
    for (const char* name :
         {"b.html", "a.htm", "C.HTM", ".hidden.htm", "page.HtMl", "notes.txt", "x.htmx", "htm"})
        MakeFile(m_dir->filePath(QLatin1String(name)));
    MakeFile(m_dir->filePath(QStringLiteral("sub/d.htm")));
    MakeFile(m_dir->filePath(QStringLiteral("sub/deeper/f.htm")));
    MakeFile(m_dir->filePath(QStringLiteral(".git/e.htm")));
    MakeFile(m_dir->filePath(QStringLiteral("zz/g.htm")));
    // A loop back to the root and a link to a sibling: neither may be followed.
    QVERIFY(QFile::link(Root(), m_dir->filePath(QStringLiteral("sub/loop"))));
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("sub")), m_dir->filePath(QStringLiteral("zz/alias"))));
    QVERIFY(QDir(Root()).mkdir(QStringLiteral("folder.htm")));
#ifdef Q_OS_UNIX
    // A pipe would block the load forever.
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir->filePath(QStringLiteral("pipe.htm"))).constData(), 0600), 0);
#endif
}

void TFileListTest::cleanup()
{
    // Also what QDir cannot name: folders and files whose names the locale cannot decode.
    std::filesystem::remove_all(QFile::encodeName(m_dir->path()).toStdString());
}

QStringList TFileListTest::RelativePaths(const TFileList& list) const
{
    QStringList paths;
    const QDir root(Root());
    for (const TFileEntry& entry : list.Entries())
        paths << QDir::fromNativeSeparators(root.relativeFilePath(entry.DisplayPath()));
    return paths;
}

void TFileListTest::testAddingTwice_data()
{
    QTest::addColumn<QStringList>("steps"); // "file:<dir>|<name>" or "walk:<dir>", relative to the root
    QTest::addColumn<int>("count");

    QTest::newRow("same file twice") << QStringList{"file:sub|d.htm", "file:sub|d.htm"} << 1;
    QTest::newRow("dialog then walk") << QStringList{"file:sub|d.htm", "walk:sub"} << 2;
    QTest::newRow("walk then dialog") << QStringList{"walk:sub", "file:sub|d.htm"} << 2;
    QTest::newRow("walk twice") << QStringList{"walk:", "walk:"} << 8;
    QTest::newRow("walk inside walked tree") << QStringList{"walk:", "walk:sub"} << 8;
    QTest::newRow("trailing separator and dot segments")
        << QStringList{"file:sub|d.htm", "file:sub/|d.htm", "file:./sub/deeper/..|d.htm"} << 1;
    QTest::newRow("directory differing in case") << QStringList{"file:sub|d.htm", "file:SUB|d.htm"} << 2;
    QTest::newRow("name differing in case") << QStringList{"file:sub|d.htm", "file:sub|D.htm"} << 2;
}

void TFileListTest::testAddingTwice()
{
    QFETCH(QStringList, steps);
    QFETCH(int, count);
    TFileList list;
    for (const QString& step : steps) {
        const QString arg = step.section(QLatin1Char(':'), 1);
        if (step.startsWith(QLatin1String("walk:"))) {
            list.FindFiles(Root() + QLatin1Char('/') + arg);
        } else {
            list.AddFile(Root() + QLatin1Char('/') + arg.section(QLatin1Char('|'), 0, 0),
                         arg.section(QLatin1Char('|'), 1));
        }
    }
    QCOMPARE(list.Count(), count);
    quint64 sum = 0;
    for (const TFileEntry& entry : list.Entries())
        sum += entry.uncompressedSize;
    QCOMPARE(list.TotalSize(), sum);
}

void TFileListTest::testFindFilesOrderAndSkips()
{
    TFileList list;
    QCOMPARE(list.FindFiles(Root()), 8);
    // Own files in name order before the subfolders, depth first; hidden folder, links,
    // folders named like pages, the pipe and non-matching names left out.
    QCOMPARE(RelativePaths(list), (QStringList{".hidden.htm", "a.htm", "b.html", "C.HTM", "page.HtMl",
                                               "sub/d.htm", "sub/deeper/f.htm", "zz/g.htm"}));
    QCOMPARE(list.TotalSize(), quint64(80));
    for (const TFileEntry& entry : list.Entries()) {
        QCOMPARE(entry.state, int(TFileEntry::New));
        QCOMPARE(entry.StatusText(), QStringLiteral("默认值"));
        QVERIFY(!entry.directory.endsWith(QDir::separator().toLatin1()));
    }
}

void TFileListTest::testObserverSeesOneBatchPerFolder()
{
    TFileList list;
    RecordingObserver observer(list);
    list.SetObserver(&observer);
    list.FindFiles(Root());
    list.AddFile(Root(), QStringLiteral("a.htm")); // duplicate: nothing to hear
    QCOMPARE(observer.events, (QStringList{"insert 0-4", "insert 5-5", "insert 6-6", "insert 7-7"}));
}

void TFileListTest::testRemoveRows_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QString>("event");

    const QStringList all{".hidden.htm", "a.htm", "b.html", "C.HTM", "page.HtMl"};
    QTest::newRow("nothing selected") << QList<int>{} << all << QString();
    QTest::newRow("block") << QList<int>{2, 1} << QStringList{".hidden.htm", "C.HTM", "page.HtMl"}
                           << QStringLiteral("remove 1-2");
    QTest::newRow("scattered with repeats and strays")
        << QList<int>{4, 0, 4, 2, -1, 99} << QStringList{"a.htm", "C.HTM"} << QStringLiteral("reset");
    QTest::newRow("everything") << QList<int>{0, 1, 2, 3, 4} << QStringList{} << QStringLiteral("remove 0-4");
}

void TFileListTest::testRemoveRows()
{
    QFETCH(QList<int>, rows);
    QFETCH(QStringList, left);
    QFETCH(QString, event);

    TFileList list;
    for (const QString& name : QStringList{"b.html", "a.htm", "C.HTM", ".hidden.htm", "page.HtMl"})
        MakeFile(m_dir->filePath(QStringLiteral("flat/") + name), name.size() * 100);
    list.FindFiles(m_dir->filePath(QStringLiteral("flat")));
    // Compressed entries leave by their uncompressed size, not their compressed one.
    list.MarkDone(0, 1);
    list.MarkDone(2, 1);

    RecordingObserver observer(list);
    list.SetObserver(&observer);
    list.RemoveRows(rows);

    QCOMPARE(RelativePaths(list).replaceInStrings(QStringLiteral("flat/"), QString()), left);
    QCOMPARE(observer.events, event.isEmpty() ? QStringList{} : QStringList{event});
    quint64 expected = 0;
    for (const QString& name : left)
        expected += quint64(name.size()) * 100;
    QCOMPARE(list.TotalSize(), expected);

    // Whatever left the list can come back, and what stayed is still refused.
    const int before = list.Count();
    QCOMPARE(list.FindFiles(m_dir->filePath(QStringLiteral("flat"))), 5 - before);
}

void TFileListTest::testDuplicatesAmongManyAfterRemovals()
{
    // Enough entries that the index grows and is rebuilt several times; same names in other folders.
    TFileList list;
    const auto add = [&](int i) {
        return list.AddFile(QStringLiteral("/nowhere/%1").arg(i % 7), QStringLiteral("p%1.htm").arg(i / 7));
    };
    for (int i = 0; i < 5000; ++i)
        QVERIFY(add(i));
    QList<int> everyThird;
    for (int i = 0; i < 5000; i += 3)
        everyThird << i;
    QCOMPARE(list.RemoveRows(everyThird), everyThird.size());
    list.DelFile(0); // entry 1
    for (int i = 0; i < 5000; ++i)
        QCOMPARE(add(i), i % 3 == 0 || i == 1);
    QCOMPARE(list.Count(), 5000);
}

void TFileListTest::testRemoveAllThenReAdd()
{
    TFileList list;
    list.FindFiles(Root());
    list.DelFile(1);
    QCOMPARE(list.Count(), 7);
    QCOMPARE(list.At(1).name, QByteArray("b.html"));
    list.Clear();
    QCOMPARE(list.Count(), 0);
    QCOMPARE(list.TotalSize(), quint64(0));
    QCOMPARE(list.TotalText(), QStringLiteral("0K (0 字节)"));
    QVERIFY(list.AddPath(m_dir->filePath(QStringLiteral("sub/d.htm"))));
    QCOMPARE(list.At(0).name, QByteArray("d.htm"));
    QCOMPARE(list.CountText(), QStringLiteral("1"));
}

void TFileListTest::testSizeTexts_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("label");

    QTest::newRow("1023 bytes") << qint64(1023) << QStringLiteral("0K") << QStringLiteral("0K (1023 字节)");
    QTest::newRow("12800 bytes") << qint64(12800) << QStringLiteral("12K")
                                 << QStringLiteral("12K (12800 字节)");
    QTest::newRow("5 GiB") << (qint64(5) << 30) << QStringLiteral("5242880K")
                           << QStringLiteral("5242880K (5368709120 字节)");
}

void TFileListTest::testSizeTexts()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, column);
    QFETCH(QString, label);
    // Sparse files: a 5 GiB file costs no disk and proves sizes do not wrap at 32 bits.
    MakeFile(m_dir->filePath(QStringLiteral("size/one.htm")), bytes);
    TFileList list;
    list.FindFiles(m_dir->filePath(QStringLiteral("size")));
    QCOMPARE(list.At(0).uncompressedSize, quint64(bytes));
    QCOMPARE(TFileList::ColumnSizeText(list.At(0).uncompressedSize), column);
    QCOMPARE(list.TotalText(), label);
}

void TFileListTest::testPaths_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("fullPath");

    QTest::newRow("plain") << QStringLiteral("/srv/site") << QStringLiteral("/srv/site")
                           << QStringLiteral("/srv/site/x.htm");
    QTest::newRow("trailing separators")
        << QStringLiteral("/srv/site//") << QStringLiteral("/srv/site") << QStringLiteral("/srv/site/x.htm");
    QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("/") << QStringLiteral("/x.htm");
}

void TFileListTest::testPaths()
{
#ifdef Q_OS_WIN
    QSKIP("Unix paths");
#endif
    QFETCH(QString, directory);
    QFETCH(QString, stored);
    QFETCH(QString, fullPath);
    TFileList list;
    QVERIFY(list.AddFile(directory, QStringLiteral("x.htm")));
    QCOMPARE(list.At(0).DisplayDirectory(), stored);
    QCOMPARE(list.At(0).DisplayPath(), fullPath);
    // A path that is not there any more measures 0.
    QCOMPARE(list.At(0).uncompressedSize, quint64(0));
    QCOMPARE(TFileList::GetDirectoryName(stored), stored.endsWith(QLatin1Char('/')) ? stored : stored + '/');
}

void TFileListTest::testAnyBytesInNames()
{
#ifdef Q_OS_WIN
    QSKIP("names are UTF-16 there");
#endif
    // Names the local encoding cannot decode are found and lead back to their files.
    const QByteArray root = QFile::encodeName(m_dir->filePath(QStringLiteral("bytes")));
    for (const QByteArray& name : {QByteArray("\xff.html"), QByteArray("caf\xe9.html"),
                                  QByteArray("\xff"
                                             "dir/x.htm")})
        QVERIFY(WriteFileBytes(root + '/' + name, "<p>x</p>"));
    TFileList list;
    QCOMPARE(list.FindFiles(root), 3);
    for (const TFileEntry& entry : list.Entries())
        QCOMPARE(TFileList::GetFileSize(entry.FullPath()), quint64(8));
    QVERIFY(list.At(0).DisplayName().contains(QChar::ReplacementCharacter));
    QVERIFY(list.TakeWalkProblems().empty());

    // A folder the walk cannot read is reported, once.
    QCOMPARE(list.FindFiles(root + "/gone"), 0);
    const std::vector<TWalkProblem> problems = list.TakeWalkProblems();
    QCOMPARE(problems.size(), std::size_t(1));
    QCOMPARE(problems[0].path, root + "/gone");
    QVERIFY(!problems[0].reason.isEmpty());
    QVERIFY(list.TakeWalkProblems().empty());
}

void TFileListTest::testRemovedWorkingFolder()
{
#ifdef Q_OS_WIN
    QSKIP("a working folder cannot be removed there");
#else
    // A relative path there names nothing: it must not become one below "/".
    const QByteArray gone = QFile::encodeName(m_dir->filePath(QStringLiteral("gone")));
    QCOMPARE(::mkdir(gone.constData(), 0700), 0);
    const int back = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(back >= 0);
    const auto restore = qScopeGuard([back] {
        QCOMPARE(::fchdir(back), 0);
        ::close(back);
    });
    QCOMPARE(::chdir(gone.constData()), 0);
    QCOMPARE(::rmdir(gone.constData()), 0);
    QCOMPARE(TFileList::NormalizedDirectory("sub"), QByteArray());
    TFileList list;
    QVERIFY(!list.AddPath(QByteArray("a.htm")));
    QCOMPARE(list.FindFiles(QByteArray(".")), 0);
    QCOMPARE(list.Count(), 0);
    QCOMPARE(list.TakeWalkProblems().size(), std::size_t(2));
#endif
}

QTEST_GUILESS_MAIN(TFileListTest)
#include "TFileListTest.moc"
