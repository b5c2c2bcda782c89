#include "app/core/TIniFile32.h"

#include "ReadOnlyFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// A literal with its embedded NUL bytes.
template <std::size_t N> QByteArray Bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

} // namespace

class TIniFile32Test final : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void testReadString_data();
    void testReadString();
    void testReadInteger_data();
    void testReadInteger();
    void testReadBool_data();
    void testReadBool();
    void testWriteString_data();
    void testWriteString();
    void testSplitLines_data();
    void testSplitLines();
    void testUnsavableFileKeepsItsLines_data();
    void testUnsavableFileKeepsItsLines();

private:
    QString IniPath() const { return m_dir->filePath(QStringLiteral("option.ini")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TIniFile32Test::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TIniFile32Test::testReadString_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("expected");

    // All rows read section "option" with the default "dflt".
    QTest::newRow("section case blind")
        << QByteArray("[OPTION]\r\nbLog=0\r\n") << QByteArray("bLog") << QByteArray("0");
    QTest::newRow("key case exact") << QByteArray("[option]\r\nBLOG=0\r\n") << QByteArray("bLog")
                                    << QByteArray("dflt");
    QTest::newRow("blanks around key and value")
        << QByteArray("[option]\r\n bLog = 0 \r\n") << QByteArray("bLog") << QByteArray("0");
    QTest::newRow("control bytes trimmed")
        << QByteArray("[option]\r\n\tbLog\x01=\x1f 7\t\r\n") << QByteArray("bLog") << QByteArray("7");
    QTest::newRow("empty value") << QByteArray("[option]\r\nbLog=\r\n") << QByteArray("bLog")
                                 << QByteArray("dflt");
    QTest::newRow("first equals splits")
        << QByteArray("[option]\nk=a=b\n") << QByteArray("k") << QByteArray("a=b");
    QTest::newRow("quotes are value")
        << QByteArray("[option]\nk=\"x\"\n") << QByteArray("k") << QByteArray("\"x\"");
    QTest::newRow("first matching key wins")
        << QByteArray("[option]\nk=1\nk=2\n") << QByteArray("k") << QByteArray("1");
    QTest::newRow("indented header not found")
        << QByteArray(" [option]\r\nbLog=0\r\n") << QByteArray("bLog") << QByteArray("dflt");
    QTest::newRow("header name not trimmed")
        << QByteArray("[ option ]\r\nbLog=0\r\n") << QByteArray("bLog") << QByteArray("dflt");
    QTest::newRow("keys before first header")
        << QByteArray("bLog=0\r\n[option]\r\n") << QByteArray("bLog") << QByteArray("dflt");
    QTest::newRow("next header ends section")
        << QByteArray("[option]\r\n[other]\r\nbLog=0\r\n") << QByteArray("bLog") << QByteArray("dflt");
    QTest::newRow("indented header ends section")
        << QByteArray("[option]\r\n  [x]\r\nbLog=0\r\n") << QByteArray("bLog") << QByteArray("dflt");
    QTest::newRow("later section of same name unread")
        << QByteArray("[option]\r\n[option]\r\nbLog=0\r\n") << QByteArray("bLog") << QByteArray("dflt");
    QTest::newRow("CR-only line ends")
        << QByteArray("[option]\rbLog=0\rlvwidth0=5\r") << QByteArray("lvwidth0") << QByteArray("5");
    QTest::newRow("NUL ends the file")
        << Bytes("[option]\r\nbLog=0\r\n\0lvwidth0=5\r\n") << QByteArray("lvwidth0") << QByteArray("dflt");
    QTest::newRow("before NUL still read")
        << Bytes("[option]\r\nbLog=0\0junk\r\n") << QByteArray("bLog") << QByteArray("0");
    QTest::newRow("empty key") << QByteArray("[option]\r\n=5\r\nplain\r\n") << QByteArray()
                               << QByteArray("dflt");
    QTest::newRow("bytes above 127 untouched") << QByteArray("[option]\r\nname=\xc4\xe3\xba\xc3\r\n")
                                               << QByteArray("name") << QByteArray("\xc4\xe3\xba\xc3");
}

void TIniFile32Test::testReadString()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expected);
    QVERIFY(WriteFile(IniPath(), content));
    const TIniFile32 ini(IniPath());
    QCOMPARE(ini.ReadString("option", key, "dflt"), expected);
}

void TIniFile32Test::testReadInteger_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");

    // The default is 7 in every row.
    QTest::newRow("decimal") << QByteArray("80") << 80;
    QTest::newRow("0x50") << QByteArray("0x50") << 80;
    QTest::newRow("0X1f") << QByteArray("0X1f") << 31;
    QTest::newRow("$50") << QByteArray("$50") << 80;
    QTest::newRow("negative hex") << QByteArray("-$10") << -16;
    QTest::newRow("80px") << QByteArray("80px") << 7;
    QTest::newRow("bare 0x") << QByteArray("0x") << 7;
    QTest::newRow("bare $") << QByteArray("$") << 7;
    QTest::newRow("signs") << QByteArray("-12") << -12;
    QTest::newRow("plus") << QByteArray("+5") << 5;
    QTest::newRow("inner blank") << QByteArray("1 2") << 7;
    QTest::newRow("int max") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("int min") << QByteArray("-2147483648") << int(-2147483648LL);
    QTest::newRow("above int max") << QByteArray("2147483648") << 7;
    QTest::newRow("huge") << QByteArray("99999999999999999999999") << 7;
    QTest::newRow("hex all bits") << QByteArray("0xFFFFFFFF") << -1;
    QTest::newRow("dollar all bits") << QByteArray("$FFFFFFFF") << -1;
    QTest::newRow("hex over 32 bits") << QByteArray("0x100000000") << 7;
    QTest::newRow("word") << QByteArray("true") << 7;
}

void TIniFile32Test::testReadInteger()
{
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    QVERIFY(WriteFile(IniPath(), "[option]\r\nn=" + value + "\r\n"));
    const TIniFile32 ini(IniPath());
    QCOMPARE(ini.ReadInteger("option", "n", 7), expected);
}

void TIniFile32Test::testReadBool_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");

    QTest::newRow("1") << QByteArray("1") << false << true;
    QTest::newRow("0") << QByteArray("0") << true << false;
    QTest::newRow("2 is true") << QByteArray("2") << false << true;
    QTest::newRow("hex zero") << QByteArray("0x0") << true << false;
    QTest::newRow("empty gives default on") << QByteArray("") << true << true;
    QTest::newRow("word gives default off") << QByteArray("true") << false << false;
}

void TIniFile32Test::testReadBool()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    QVERIFY(WriteFile(IniPath(), "[option]\r\nbLog=" + value + "\r\n"));
    const TIniFile32 ini(IniPath());
    QCOMPARE(ini.ReadBool("option", "bLog", defaultValue), expected);
}

void TIniFile32Test::testWriteString_data()
{
    QTest::addColumn<QByteArray>("before"); // empty: no file
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("after");

    // Every row writes value "1" into section "option".
    QTest::newRow("no file") << QByteArray() << QByteArray("bLog")
                             << QByteArray("\r\n[option]\r\nbLog=1\r\n");
    QTest::newRow("empty key adds only header")
        << QByteArray() << QByteArray() << QByteArray("\r\n[option]\r\n");
    QTest::newRow("replace drops spacing") << QByteArray("[option]\r\n bLog = 0 \r\n") << QByteArray("bLog")
                                           << QByteArray("[option]\r\nbLog=1\r\n");
    QTest::newRow("insert before next header after blank lines")
        << QByteArray("[option]\r\na=1\r\n\r\n[next]\r\nb=2\r\n") << QByteArray("bLog")
        << QByteArray("[option]\r\na=1\r\n\r\nbLog=1\r\n[next]\r\nb=2\r\n");
    QTest::newRow("append to last section")
        << QByteArray("[Option]\na=1") << QByteArray("bLog") << QByteArray("[Option]\r\na=1\r\nbLog=1\r\n");
    QTest::newRow("indented header appends new section")
        << QByteArray(" [option]\r\nx=1\r\n") << QByteArray("bLog")
        << QByteArray(" [option]\r\nx=1\r\n\r\n[option]\r\nbLog=1\r\n");
    QTest::newRow("same key elsewhere untouched")
        << QByteArray("bLog=5\r\n[a]\r\nbLog=6\r\n[option]\r\n") << QByteArray("bLog")
        << QByteArray("bLog=5\r\n[a]\r\nbLog=6\r\n[option]\r\nbLog=1\r\n");
    QTest::newRow("CR-only file saved with CR LF")
        << QByteArray("[option]\rbLog=0\rplain line\r") << QByteArray("bLog")
        << QByteArray("[option]\r\nbLog=1\r\nplain line\r\n");
    QTest::newRow("unknown bytes kept")
        << QByteArray("[\xd1\xa1\xcf\xee]\r\nk=\xc4\xe3\r\n") << QByteArray("bLog")
        << QByteArray("[\xd1\xa1\xcf\xee]\r\nk=\xc4\xe3\r\n\r\n[option]\r\nbLog=1\r\n");
}

void TIniFile32Test::testWriteString()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, after);
    if (!before.isEmpty())
        QVERIFY(WriteFile(IniPath(), before));
    TIniFile32 ini(IniPath());
    QVERIFY(ini.WriteString("option", key, "1"));
    QCOMPARE(ReadFile(IniPath()), after);
    if (!key.isEmpty())
        QCOMPARE(TIniFile32(IniPath()).ReadString("option", key, "dflt"), QByteArray("1"));

    // Deferred: the file stays as it was until UpdateFile writes the same bytes.
    QFile::remove(IniPath());
    if (!before.isEmpty())
        QVERIFY(WriteFile(IniPath(), before));
    TIniFile32 deferred(IniPath());
    deferred.DeferSaves();
    QVERIFY(deferred.WriteString("option", key, "1"));
    QCOMPARE(QFile::exists(IniPath()), !before.isEmpty());
    QCOMPARE(ReadFile(IniPath()), before);
    QVERIFY(deferred.UpdateFile());
    QCOMPARE(ReadFile(IniPath()), after);
}

void TIniFile32Test::testSplitLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("lines");

    QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
    QTest::newRow("no final line end") << QByteArray("a\r\nb") << QList<QByteArray>{"a", "b"};
    QTest::newRow("final line end adds nothing") << QByteArray("a\n") << QList<QByteArray>{"a"};
    QTest::newRow("mixed ends") << QByteArray("a\rb\nc\r\nd") << QList<QByteArray>{"a", "b", "c", "d"};
    QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << QList<QByteArray>{"a", "", "b"};
    QTest::newRow("blank lines kept") << QByteArray("\r\n\r\nx") << QList<QByteArray>{"", "", "x"};
    QTest::newRow("NUL mid line") << Bytes("ab\0cd\r\nef") << QList<QByteArray>{"ab"};
}

void TIniFile32Test::testSplitLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, lines);
    QCOMPARE(TIniFile32::SplitLines(bytes, true), lines);
}

void TIniFile32Test::testUnsavableFileKeepsItsLines_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only file") << QStringLiteral("readonly");
    QTest::newRow("unreadable path") << QStringLiteral("directory");
    QTest::newRow("missing folder") << QStringLiteral("nofolder");
}

void TIniFile32Test::testUnsavableFileKeepsItsLines()
{
    QFETCH(QString, kind);
    const QByteArray content("[other]\r\nkeep=me\r\n[option]\r\nbLog=0\r\n");
    QString path = IniPath();
    std::unique_ptr<ReadOnlyFile> guard;
    if (kind == QLatin1String("readonly")) {
        QVERIFY(WriteFile(path, content));
        guard = std::make_unique<ReadOnlyFile>(path);
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("option.ini")));
    } else {
        path = m_dir->filePath(QStringLiteral("gone/option.ini"));
    }

    TIniFile32 ini(path);
    QVERIFY(!ini.WriteBool("option", "bLog", true));
    QVERIFY(!ini.WriteInteger("option", "lvwidth0", 5));
    QVERIFY(!ini.ErrorString().isEmpty());
    if (kind == QLatin1String("readonly"))
        QCOMPARE(ReadFile(path), content);
    else if (kind == QLatin1String("directory"))
        QVERIFY(QFileInfo(path).isDir());
    else
        QVERIFY(!QFile::exists(path));
}

QTEST_GUILESS_MAIN(TIniFile32Test)
#include "TIniFile32Test.moc"
