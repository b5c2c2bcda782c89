#include "app/core/TFailuresByReason.h"

#include <QTest>

class TFailuresByReasonTest final : public QObject
{
    Q_OBJECT

private slots:
    void testSummary_data()
    {
        QTest::addColumn<QStringList>("reasons");
        QTest::addColumn<QString>("summary");
        QTest::newRow("one") << QStringList{"只读文件"} << QString("1 个文件压缩失败:\n只读文件: 1 个");
        QTest::newRow("interleaved reasons keep the order first met")
            << QStringList{"文件不存在", "只读文件", "文件不存在", "文件不存在", "只读文件"}
            << QString("5 个文件压缩失败:\n文件不存在: 3 个\n只读文件: 2 个");
    }
    void testSummary()
    {
        QFETCH(QStringList, reasons);
        QFETCH(QString, summary);
        TFailuresByReason failures;
        QVERIFY(failures.IsEmpty());
        for (const QString& reason : reasons)
            failures.Add(reason);
        QVERIFY(!failures.IsEmpty());
        QCOMPARE(failures.Summary(), summary);
    }

    // A run starts from nothing: what the last one counted is gone.
    void testClearedForTheNextRun()
    {
        TFailuresByReason failures;
        failures.Add("只读文件");
        failures.Add("只读文件");
        failures.Clear();
        QVERIFY(failures.IsEmpty());
        failures.Add("文件不存在");
        QCOMPARE(failures.Summary(), QString("1 个文件压缩失败:\n文件不存在: 1 个"));
    }
};

QTEST_MAIN(TFailuresByReasonTest)
#include "TFailuresByReasonTest.moc"
