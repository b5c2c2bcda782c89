#include "app/core/TSettings.h"

#include "ReadOnlyFile.h"
#include "app/core/TAppPaths.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TSettingsTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void testFreshFileHasEightLines();
    void testRoundTripKeepsForeignLines();
    void testReadOnlyFileUntouched();
    void testChooseDirectory();

private:
    QString IniPath() const { return m_dir->filePath(QStringLiteral("option.ini")); }
    QByteArray FileBytes() const { return ReadFile(IniPath()); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TSettingsTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TSettingsTest::testFreshFileHasEightLines()
{
    TSettings settings;
    settings.Read(IniPath());
    QVERIFY(settings.Logging()); // no file: logging on, every width 0 and not stored
    for (int i = 0; i < TSettings::ColumnCount; ++i) {
        QCOMPARE(settings.ColumnWidth(i), 0);
        QVERIFY(!settings.ColumnWidthStored(i));
        settings.setColumnWidth(i, 60 + i);
    }
    QVERIFY(settings.Write(IniPath()));
    QCOMPARE(FileBytes(), QByteArray("\r\n[option]\r\nbLog=1\r\nlvwidth0=60\r\nlvwidth1=61\r\nlvwidth2=62\r\n"
                                     "lvwidth3=63\r\nlvwidth4=64\r\n"));
}

void TSettingsTest::testRoundTripKeepsForeignLines()
{
    QVERIFY(WriteFile(IniPath(),
                      "[mine]\r\nkeep=1\r\n[Option]\r\nbLog=1\r\nlvwidth2=0x20\r\n[later]\r\nx=y\r\n"));

    TSettings settings;
    settings.Read(IniPath());
    QCOMPARE(settings.ColumnWidth(2), 32);
    QVERIFY(settings.ColumnWidthStored(2));
    QVERIFY(!settings.ColumnWidthStored(0));
    settings.setLogging(false);
    settings.setColumnWidth(4, -5);
    QVERIFY(settings.Write(IniPath()));
    QCOMPARE(FileBytes(), QByteArray("[mine]\r\nkeep=1\r\n[Option]\r\nbLog=0\r\nlvwidth2=32\r\nlvwidth0=0\r\n"
                                     "lvwidth1=0\r\nlvwidth3=0\r\nlvwidth4=-5\r\n[later]\r\nx=y\r\n"));

    TSettings again;
    again.Read(IniPath());
    QCOMPARE(again.Logging(), false);
    QCOMPARE(again.ColumnWidth(4), -5);
}

void TSettingsTest::testReadOnlyFileUntouched()
{
    const QByteArray content("[option]\r\nbLog=0\r\nuser=line\r\n");
    QVERIFY(WriteFile(IniPath(), content));
    ReadOnlyFile guard(IniPath());
    TSettings settings;
    settings.Read(IniPath());
    settings.setLogging(true);
    QVERIFY(!settings.Write(IniPath()));
    QCOMPARE(FileBytes(), content);
}

void TSettingsTest::testChooseDirectory()
{
    const QString fallback = m_dir->filePath(QStringLiteral("config/Corvane"));
    QCOMPARE(TAppPaths::ChooseDirectory(m_dir->path(), fallback), m_dir->path());
    QVERIFY(!QFileInfo::exists(fallback));
    const QString missing = m_dir->filePath(QStringLiteral("no/such/program/folder"));
    QCOMPARE(TAppPaths::ChooseDirectory(missing, fallback), fallback);
    QVERIFY(QFileInfo(fallback).isDir());
}

QTEST_GUILESS_MAIN(TSettingsTest)
#include "TSettingsTest.moc"
