#include "app/ui/FileListModel.h"
#include "app/core/TFileList.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void WriteFile(const QString& path, int bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
}

} // namespace

class TestFileListModel final : public QObject
{
    Q_OBJECT

private slots:
    // The model tester checks every announcement against the rows it sees, so a missing or
    // misplaced begin/end call from the list fails here.
    void testChangesAreAnnounced()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 30; ++i)
            WriteFile(dir.filePath(QString("site/%1/p%2.htm").arg(i % 3).arg(i)), 100 + i);
        TFileList list;
        TFileListModel model(list);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

        QVERIFY(list.AddPath(dir.filePath("site/0/p0.htm")));
        QCOMPARE(list.FindFiles(dir.filePath("site")), 29);
        QCOMPARE(model.rowCount(), 30);
        list.DelFile(5);
        list.RemoveRows({0, 7, 7, 20});
        QCOMPARE(model.rowCount(), 26);
        list.MarkCompressing(3);
        list.MarkDone(3, 50);
        QCOMPARE(model.index(3, 4).data().toString(), QString("已完成"));
        list.Clear();
        QCOMPARE(model.rowCount(), 0);
    }

    void testCells_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("right");
        QTest::newRow("name") << 0 << "文件名称" << "a.htm" << false;
        QTest::newRow("folder") << 1 << "路径" << "" << false;
        QTest::newRow("reduced size") << 2 << "缩减的大小" << "0K" << true;
        QTest::newRow("size") << 3 << "大小" << "2K" << true;
        QTest::newRow("status") << 4 << "状态" << "默认值" << false;
    }
    void testCells()
    {
        QFETCH(int, column);
        QFETCH(QString, header);
        QFETCH(QString, text);
        QFETCH(bool, right);
        QTemporaryDir dir;
        WriteFile(dir.filePath("a.htm"), 2100);
        WriteFile(dir.filePath("b.htm"), 10);
        TFileList list;
        TFileListModel model(list);
        list.AddPath(dir.filePath("a.htm"));
        list.AddPath(dir.filePath("b.htm"));
        if (text.isEmpty())
            text = list.At(0).DisplayDirectory();
        QCOMPARE(model.headerData(column, Qt::Horizontal).toString(), header);
        QCOMPARE(model.index(0, column).data().toString(), text);
        const auto alignment = model.index(0, column).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
        QCOMPARE(bool(alignment & Qt::AlignRight), right);
        QCOMPARE(model.index(0, column).data(Qt::BackgroundRole).value<QColor>(), QColor(0xFF, 0xFF, 0xFF));
        QCOMPARE(model.index(1, column).data(Qt::BackgroundRole).value<QColor>(), QColor(0xF8, 0xF6, 0xE6));
    }
};

QTEST_MAIN(TestFileListModel)
#include "tst_FileListModel.moc"
