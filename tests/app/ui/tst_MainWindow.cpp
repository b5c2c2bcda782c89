#include "app/platform/FileDialogs.h"
#include "app/ui/Program.h"
#include "app/core/TCompressRun.h"
#include "app/ui/AboutBox.h"
#include "app/ui/LogViewer.h"
#include "app/ui/MainWindow.h"
#include "app/ui/PreferencesDialog.h"
#include "TestDoubles.h"
#include "widgets/XP_CheckBox.h"
#include "widgets/XP_Form.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A page with plenty for the engine to remove: runs of blanks and line breaks, quoted values.
QByteArray Page(int paragraphs)
{
    QByteArray page = "<html>\r\n<head>  <title> Test </title>  </head>\r\n<body bgcolor=\"#ffffff\">\r\n";
    for (int i = 0; i < paragraphs; ++i)
        page += "<p align=\"center\">   Some    text   " + QByteArray::number(i) + "    here   </p>\r\n\r\n";
    return page + "</body>\r\n</html>\r\n";
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestMainWindow final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TScriptedPrompts> m_prompts;
    std::unique_ptr<TRecordingShell> m_shell;
    std::unique_ptr<MainWindow> m_form;
    QTemporaryDir m_config;

    QString Path(const QString& relative) const { return QDir::cleanPath(m_dir->filePath(relative)); }
    QString DataDir() const { return Path("data"); }
    template <class Widget>
    Widget* Child(const char* name) const
    {
        return m_form->findChild<Widget*>(QString::fromLatin1(name));
    }
    QTreeView* FileView() const { return Child<QTreeView>("fileView"); }
    QString Text(const char* label) const { return Child<QLabel>(label)->text(); }
    void Trigger(const char* action) const { Child<QAction>(action)->trigger(); }
    void Click(const char* button) const { Child<QToolButton>(button)->click(); }
    bool ProgressShown() const { return Child<QWidget>("progressPanel")->isVisible(); }
    int GaugeValue() const { return Child<QProgressBar>("gauge")->value(); }
    QString Cell(int row, int column) const { return FileView()->model()->index(row, column).data().toString(); }
    int Rows() const { return FileView()->model()->rowCount(); }

    void CreateForm(bool show = true)
    {
        m_form = CreateForms(*m_shell, *m_prompts, DataDir());
        if (show) {
            m_form->show();
            QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        }
    }

    void AddThroughDialog(const QStringList& paths)
    {
        m_prompts->nextFiles.push_back([paths] { return std::optional<QStringList>(paths); });
        Trigger("addFilesAction");
    }

    void AddThroughFolder(const QString& folder)
    {
        m_shell->nextFolders.push_back(folder);
        Trigger("addFolderAction");
    }

    // Runs Compress with its first page held before saving; `during` plays the user meanwhile.
    void CompressWithPause(const std::function<void()>& during)
    {
        QSemaphore paused;
        QSemaphore resume;
        m_form->setRunSetup([&](TCompressRun& run) {
            run.SetBeforeSaveHook([&, first = true](const QByteArray&) mutable {
                if (std::exchange(first, false)) {
                    paused.release();
                    resume.acquire();
                }
            });
        });
        QTimer::singleShot(0, m_form.get(), [&] {
            const auto go = qScopeGuard([&] { resume.release(); });
            paused.acquire();
            QTRY_VERIFY(ProgressShown()); // the window is painting meanwhile
            QCOMPARE(Cell(0, 4), QString("压缩..."));
            QVERIFY(m_form->isRunning());
            during();
        });
        Trigger("compressAction");
        m_form->setRunSetup(nullptr);
        QVERIFY(!m_form->isRunning());
    }

    QStringList Leftovers() const
    {
        return QDir(Path("site")).entryList(QDir::Files | QDir::Hidden).filter(".corvane");
    }

    AboutBox* About() const { return m_form->findChild<AboutBox*>(); }
    PreferencesDialog* Preferences() const { return m_form->findChild<PreferencesDialog*>(); }
    LogViewer* Viewer() const { return m_form->findChild<LogViewer*>(); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir().mkpath(DataDir());
        WriteFile(Path("site/a.htm"), Page(40));
        WriteFile(Path("site/b.htm"), Page(80));
        WriteFile(Path("site/sub/c.htm"), Page(20));
        WriteFile(Path("site/notes.txt"), "not a page");
        m_prompts = std::make_unique<TScriptedPrompts>();
        m_shell = std::make_unique<TRecordingShell>();
        SetApplicationTitle("Tessan XP");
    }

    void initTestCase()
    {
        // Where Qt's own user settings would land, before anything reads its paths.
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
    }

    void testStartUp()
    {
        CreateForm(false);
        QCOMPARE(m_form->windowTitle(), QString("Corvane XP"));
        QCOMPARE(ApplicationTitle(), QString("Tessan XP"));
        const QList<QDialog*> dialogs = m_form->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(dialogs.size(), 3);
        QVERIFY(qobject_cast<AboutBox*>(dialogs[0]) && qobject_cast<PreferencesDialog*>(dialogs[1]) &&
                qobject_cast<LogViewer*>(dialogs[2]));
        for (QDialog* dialog : dialogs)
            QVERIFY(!dialog->isVisible());

        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QCOMPARE(ApplicationTitle(), QString("Corvane XP"));
        // Qt's display name stays unset: desktops would append it to every window title.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        QCOMPARE(Text("makerLink"), QString("Mirel Software,Inc."));
        QCOMPARE(About()->windowTitle(), QString("关于"));
        QCOMPARE(About()->findChild<QLabel*>("homePageLink")->text(), QString("http://www.corvane.example"));
        QCOMPARE(m_form->formSize(), QSize(600, 485));
        QVERIFY(!ProgressShown());
    }

    void testLoggingSwitchAtStart_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("logging");
        QTest::newRow("no settings file") << QByteArray() << true;
        QTest::newRow("switched off") << QByteArray("[option]\r\nbLog=0\r\n") << false;
        QTest::newRow("switched on") << QByteArray("[option]\r\nbLog=1\r\n") << true;
    }
    void testLoggingSwitchAtStart()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, logging);
        if (!ini.isEmpty())
            WriteFile(DataDir() + "/option.ini", ini);
        CreateForm();
        QCOMPARE(Child<QAction>("viewLogAction")->isEnabled(), logging);
        QCOMPARE(Preferences()->logging(), logging);
    }

    // Everything a user does in one sitting, checked against the files on disk.
    void testSession()
    {
        CreateForm();
        AddThroughDialog({Path("site/a.htm"), Path("site/b.htm")});
        QCOMPARE(Rows(), 2);
        QCOMPARE(Text("fileCountValue"), QString("2"));
        AddThroughFolder(Path("site"));
        QCOMPARE(Rows(), 3); // a and b are already listed; notes.txt is no page
        QCOMPARE(Cell(2, 0), QString("c.htm"));
        QCOMPARE(Cell(2, 1), QDir::toNativeSeparators(Path("site/sub")));
        QCOMPARE(Cell(2, 4), QString("默认值"));
        QCOMPARE(Cell(2, 2), QString("0K"));

        quint64 before = 0;
        for (const char* name : {"site/a.htm", "site/b.htm", "site/sub/c.htm"})
            before += QFileInfo(Path(name)).size();
        QCOMPARE(Text("totalSizeValue"), TFileList::LabelSizeText(before));

        Trigger("compressAction");
        quint64 after = 0;
        for (int row = 0; row < 3; ++row) {
            const QString path = Cell(row, 1) + QDir::separator() + Cell(row, 0);
            const quint64 size = QFileInfo(path).size();
            QCOMPARE(Cell(row, 4), QString("已完成"));
            QCOMPARE(Cell(row, 2), TFileList::ColumnSizeText(size));
            after += size;
        }
        QVERIFY(after < before);
        QCOMPARE(Text("totalSizeValue"), TFileList::LabelSizeText(before));
        QCOMPARE(Text("compressedSizeValue"), TFileList::LabelSizeText(after));
        QCOMPARE(Text("reductionValue"), TCompressRun::PercentText(before, after));
        QVERIFY(!ProgressShown());
        QCOMPARE(GaugeValue(), 0);
        QVERIFY(m_prompts->errors.isEmpty());

        const QList<QByteArray> log = ReadFile(DataDir() + "/log.txt").split('\n');
        QCOMPARE(log.size(), 5); // header, three records, nothing after the last CR LF
        QVERIFY(log[0].contains("Corvane XP"));
        QVERIFY(log[3].endsWith("B\r"));
        QVERIFY(log[3].contains(QFile::encodeName(QDir::toNativeSeparators(Path("site/sub/c.htm")))));

        // A second run has nothing left to do.
        Trigger("compressAction");
        QCOMPARE(ReadFile(DataDir() + "/log.txt").count('\n'), 4);

        m_form->close();
        QCOMPARE(ReadFile(DataDir() + "/option.ini"),
                 QByteArray("\r\n[option]\r\nbLog=1\r\nlvwidth0=60\r\nlvwidth1=150\r\nlvwidth2=85\r\n"
                            "lvwidth3=55\r\nlvwidth4=60\r\n"));
    }

    void testDuplicates_data()
    {
        QTest::addColumn<bool>("firstByFolder");
        QTest::addColumn<bool>("secondByFolder");
        QTest::newRow("dialog twice") << false << false;
        QTest::newRow("dialog, then folder") << false << true;
        QTest::newRow("folder, then dialog") << true << false;
        QTest::newRow("folder twice") << true << true;
    }
    void testDuplicates()
    {
        QFETCH(bool, firstByFolder);
        QFETCH(bool, secondByFolder);
        CreateForm();
        for (bool byFolder : {firstByFolder, secondByFolder}) {
            if (byFolder)
                AddThroughFolder(Path("site/sub"));
            else
                AddThroughDialog({Path("site/sub/c.htm")});
        }
        QCOMPARE(Rows(), 1);
        QCOMPARE(Text("fileCountValue"), QString("1"));
        QCOMPARE(Text("totalSizeValue"), TFileList::LabelSizeText(QFileInfo(Path("site/sub/c.htm")).size()));
    }

    void testCancelledDialogsChangeNothing()
    {
        CreateForm();
        AddThroughDialog({Path("site/a.htm")});
        Trigger("addFilesAction");  // nothing scripted: cancelled
        Trigger("addFolderAction"); // likewise
        QCOMPARE(Rows(), 1);
        QCOMPARE(m_shell->prompts, QStringList{"选择你想要添加的包含有 HTML 文件的目录:"});
    }

    void testDeleteKey_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("first and last") << QList<int>{0, 2} << QStringList{"b.htm"};
        QTest::newRow("nothing selected") << QList<int>{} << QStringList{"a.htm", "b.htm", "c.htm"};
        QTest::newRow("everything") << QList<int>{0, 1, 2} << QStringList{};
    }
    void testDeleteKey()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QStringList, left);
        CreateForm();
        AddThroughDialog({Path("site/a.htm"), Path("site/b.htm"), Path("site/sub/c.htm")});
        Trigger("compressAction");
        const QString compressed = Text("compressedSizeValue");
        QTreeView* view = FileView();
        view->clearSelection();
        for (int row : selected)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Delete);

        QStringList names;
        quint64 total = 0;
        for (int row = 0; row < Rows(); ++row) {
            names << Cell(row, 0);
            total += m_form->files().At(row).uncompressedSize;
        }
        QCOMPARE(names, left);
        QCOMPARE(Text("fileCountValue"), QString::number(left.size()));
        QCOMPARE(Text("totalSizeValue"), TFileList::LabelSizeText(total));
        // The last run's result stays until the list is empty.
        QCOMPARE(Text("compressedSizeValue"), left.isEmpty() ? QString("0K (0 字节)") : compressed);
    }

    void testSelectAllAndInvert()
    {
        CreateForm();
        AddThroughFolder(Path("site"));
        QCOMPARE(Rows(), 3);
        const auto selectedRows = [this] {
            QList<int> rows;
            for (const QModelIndex& index : FileView()->selectionModel()->selectedRows())
                rows << index.row();
            std::sort(rows.begin(), rows.end());
            return rows;
        };
        FileView()->selectionModel()->select(FileView()->model()->index(1, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        Trigger("invertSelectionAction");
        QCOMPARE(selectedRows(), (QList<int>{0, 2}));
        Trigger("selectAllAction");
        QCOMPARE(selectedRows(), (QList<int>{0, 1, 2}));
        Trigger("invertSelectionAction");
        QCOMPARE(selectedRows(), QList<int>{});
    }

    void testRemoveAll_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void testRemoveAll()
    {
        QFETCH(bool, answer);
        CreateForm();
        Click("removeAllButton"); // empty list: not even asked
        QVERIFY(m_prompts->questions.isEmpty());

        AddThroughFolder(Path("site"));
        Trigger("compressAction");
        const QString compressed = Text("compressedSizeValue");
        m_prompts->nextAnswers.push_back(answer);
        Trigger("removeAllAction");
        QCOMPARE(m_prompts->questions, QStringList{"确认|你确定要删除所有文件吗?"});
        QCOMPARE(Rows(), answer ? 0 : 3);
        QCOMPARE(Text("fileCountValue"), answer ? QString("0") : QString("3"));
        QCOMPARE(Text("compressedSizeValue"), answer ? QString("0K (0 字节)") : compressed);
        QCOMPARE(Text("reductionValue") == "0%", answer);
        if (answer) {
            QCOMPARE(Text("totalSizeValue"), QString("0K (0 字节)"));
            AddThroughDialog({Path("site/a.htm")}); // a file listed before comes back as row 0
            QCOMPARE(Cell(0, 0), QString("a.htm"));
        }
    }

    void testLayout_data()
    {
        QTest::addColumn<QSize>("asked");
        QTest::addColumn<QSize>("form");
        QTest::newRow("start size") << QSize(600, 485) << QSize(600, 485);
        QTest::newRow("larger") << QSize(801, 640) << QSize(801, 640);
        QTest::newRow("too small is refused") << QSize(500, 300) << QSize(575, 485);
        QTest::newRow("too narrow only") << QSize(400, 700) << QSize(575, 700);
    }
    void testLayout()
    {
        QFETCH(QSize, asked);
        QFETCH(QSize, form);
        CreateForm();
        m_form->resize(asked);
        QCOMPARE(m_form->formSize(), form);
        const int W = form.width();
        const int H = form.height();
        QCOMPARE(FileView()->geometry(), QRect(16, 80, W - 37, H - 64 - 115 - 90));
        QCOMPARE(Child<QWidget>("fileInfoGroup")->geometry(), QRect(16, H - 64 - 115, W - 37, 105));
        QCOMPARE(Child<QLabel>("makerLink")->geometry(), QRect(19, H - 64, 180, 24));
        QCOMPARE(Child<QWidget>("progressPanel")->geometry(), QRect((W - 345) / 2, (H - 137) / 3, 345, 137));
        QCOMPARE(Child<QToolBar>("pictureToolBar")->geometry(), QRect(0, 23, W - 6, 50));
    }

    // The menu bar starts with an 8-pixel separator that shows the bar's face and draws no line.
    void testMenuBarLeadingSeparator()
    {
        CreateForm();
        auto* bar = Child<QToolBar>("menuToolBar");
        const QList<QToolButton*> buttons = bar->findChildren<QToolButton*>();
        const auto file = std::find_if(buttons.begin(), buttons.end(),
                                       [](QToolButton* button) { return button->text() == "文件(&F)"; });
        QVERIFY(file != buttons.end());
        const QRect first = (*file)->geometry();
        QCOMPARE(first.left(), 8);
        const QImage image = bar->grab().toImage();
        const QRgb face = image.pixel(first.left() + 1, first.top() + 1); // beside the caption
        for (int y = first.top(); y <= first.bottom(); ++y) {
            for (int x = 0; x < first.left(); ++x)
                QCOMPARE(QColor(image.pixel(x, y)), QColor(face));
        }
    }

    void testColumnWidths_data()
    {
        QTest::addColumn<QByteArray>("widths"); // lvwidth0..4 as stored
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("stored widths") << QByteArray("100,200,0,70,90") << QList<int>{100, 200, 0, 70, 90};
        QTest::newRow("below the minimum") << QByteArray("5,5,5,5,5") << QList<int>{20, 20, 5, 20, 20};
        QTest::newRow("not stored yet") << QByteArray() << QList<int>{60, 150, 85, 55, 60};
        QTest::newRow("not a number") << QByteArray("80px,$50,x,0x10,") << QList<int>{60, 80, 85, 20, 60};
    }
    void testColumnWidths()
    {
        QFETCH(QByteArray, widths);
        QFETCH(QList<int>, shown);
        QByteArray ini = "[option]\r\n";
        const QList<QByteArray> values = widths.split(',');
        for (int i = 0; i < values.size() && !widths.isEmpty(); ++i)
            ini += "lvwidth" + QByteArray::number(i) + "=" + values[i] + "\r\n";
        WriteFile(DataDir() + "/option.ini", ini);
        CreateForm();
        QHeaderView* header = FileView()->header();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(header->sectionSize(i), shown[i]);

        // Dragging below a minimum is undone; the reduced-size column may vanish.
        header->resizeSection(1, 3);
        header->resizeSection(2, 0);
        QCOMPARE(header->sectionSize(1), 20);
        QCOMPARE(header->sectionSize(2), 0);
        m_form->close();
        QVERIFY(ReadFile(DataDir() + "/option.ini").contains("lvwidth1=20\r\nlvwidth2=0\r\n"));
    }

    void testPreferences_data()
    {
        QTest::addColumn<bool>("loggingBefore");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("loggingAfter");
        QTest::newRow("switched off, accepted") << true << true << false;
        QTest::newRow("switched off, cancelled") << true << false << true;
        QTest::newRow("switched on, accepted") << false << true << true;
        QTest::newRow("switched on, cancelled") << false << false << false;
    }
    void testPreferences()
    {
        QFETCH(bool, loggingBefore);
        QFETCH(bool, accept);
        QFETCH(bool, loggingAfter);
        WriteFile(DataDir() + "/option.ini", loggingBefore ? "[option]\r\nbLog=1\r\n" : "[option]\r\nbLog=0\r\n");
        CreateForm();
        bool boxShown = !loggingBefore;
        m_prompts->nextModal.push_back([&](QDialog& dialog) {
            dialog.show();
            boxShown = static_cast<PreferencesDialog&>(dialog).logging();
            dialog.findChild<TXP_CheckBox*>("logSwitch")->click();
            QTest::keyClick(&dialog, accept ? Qt::Key_Return : Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        });
        Click("preferencesButton");
        QCOMPARE(m_prompts->modals, QStringList{"PreferencesDialog"});
        QCOMPARE(boxShown, loggingBefore);
        QCOMPARE(m_form->settings().Logging(), loggingAfter);
        QCOMPARE(Child<QAction>("viewLogAction")->isEnabled(), loggingAfter);

        // The switch decides whether a run keeps a log, and it is saved at close.
        AddThroughDialog({Path("site/a.htm")});
        Trigger("compressAction");
        QCOMPARE(QFile::exists(DataDir() + "/log.txt"), loggingAfter);
        m_form->close();
        QVERIFY(ReadFile(DataDir() + "/option.ini").contains(loggingAfter ? "bLog=1" : "bLog=0"));
    }

    void testLogViewer()
    {
        CreateForm();
        AddThroughFolder(Path("site"));
        Trigger("compressAction");
        const QString logText = QString::fromLocal8Bit(ReadFile(DataDir() + "/log.txt"));
        QString shown;
        bool stillOpen = false;
        m_prompts->nextModal.push_back([&](QDialog& dialog) {
            const auto* text = dialog.findChild<QPlainTextEdit*>("logText");
            dialog.show();
            shown = text->toPlainText();
            QTest::keyClick(&dialog, Qt::Key_Escape); // neither button answers Esc
            dialog.findChild<QAbstractButton*>("clearButton")->click();
            stillOpen = dialog.isVisible() && text->toPlainText().isEmpty();
            dialog.findChild<QAbstractButton*>("closeButton")->click();
        });
        Trigger("viewLogAction");
        QCOMPARE(shown.split('\n'), logText.split("\r\n", Qt::SkipEmptyParts));
        QCOMPARE(shown.count('\n'), 3); // header and three records
        QVERIFY(stillOpen);
        QVERIFY(!Viewer()->isVisible());
        QVERIFY(!QFile::exists(DataDir() + "/log.txt"));

        // The next run starts a new file with its header.
        AddThroughDialog({Path("site/notes.txt")});
        Trigger("compressAction");
        QVERIFY(ReadFile(DataDir() + "/log.txt").startsWith("--------------   Corvane XP"));
    }

    void testDragAndDrop()
    {
        CreateForm();
        QMimeData web;
        web.setUrls({QUrl("http://www.corvane.example/index.htm")});
        QDragEnterEvent refused(QPoint(100, 150), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_form.get(), &refused);
        QVERIFY(!refused.isAccepted());

        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(Path("site/notes.txt")), QUrl::fromLocalFile(Path("site/sub")),
                       QUrl::fromLocalFile(Path("site/sub/c.htm")), QUrl::fromLocalFile(Path("site/gone.htm"))});
        QDragEnterEvent enter(QPoint(100, 150), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_form.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(100, 150), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_form.get(), &drop);
        QCOMPARE(Rows(), 2); // the file as chosen, the folder walked; c.htm only once
        QCOMPARE(Cell(0, 0), QString("notes.txt"));
        QCOMPARE(Cell(1, 0), QString("c.htm"));
        QCOMPARE(Text("fileCountValue"), QString("2"));

        // Paths from the command line come as the system's bytes: a name no locale decodes too.
        const QByteArray odd = QFile::encodeName(Path("site")) + "/caf\xe9.htm";
        const int fd = ::open(odd.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        m_form->addPaths({odd});
        QCOMPARE(Rows(), 3);
        QCOMPARE(m_form->files().At(2).FullPath(), odd);
    }

    void testShellCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QUrl>("opened");
        const QUrl home("http://www.corvane.example");
        QTest::newRow("home page menu") << "homePageAction" << home;
        QTest::newRow("home page button") << "homePageButton" << home;
        QTest::newRow("mail") << "mailAction" << QUrl("mailto:support@corvane.example");
        QTest::newRow("help button")
            << "helpButton" << QUrl::fromLocalFile(QDir(QCoreApplication::applicationDirPath()).filePath("HelpMirel.chm"));
    }
    void testShellCommands()
    {
        QFETCH(QString, command);
        QFETCH(QUrl, opened);
        CreateForm();
        if (auto* button = m_form->findChild<QToolButton*>(command))
            button->click();
        else
            m_form->findChild<QAction*>(command)->trigger();
        QCOMPARE(m_shell->opened, QList<QUrl>{opened});
    }

    void testLinkLabel()
    {
        CreateForm();
        QLabel* link = Child<QLabel>("makerLink");
        const auto colour = [link] { return link->palette().color(QPalette::WindowText); };
        QCOMPARE(colour(), QColor(128, 128, 128));
        QTest::mouseMove(link, QPoint(10, 10));
        QCOMPARE(colour(), QColor(255, 0, 0));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        QCOMPARE(colour(), QColor(128, 128, 128));
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(m_shell->opened, QList<QUrl>{QUrl("http://www.corvane.example")});
    }

    void testEscapingErrorIsShown()
    {
        CreateForm();
        m_prompts->nextFiles.push_back([]() -> std::optional<QStringList> { throw std::runtime_error("disk on fire"); });
        Trigger("addFilesAction");
        QCOMPARE(m_prompts->errors, QStringList{"disk on fire"});
        // The program goes on.
        AddThroughDialog({Path("site/a.htm")});
        QCOMPARE(Rows(), 1);
    }

    // Commands during a run are dropped, not kept for later; Esc stops after the page in hand.
    void testRunOffTheWindowsThread()
    {
        CreateForm();
        AddThroughFolder(Path("site"));
        CompressWithPause([this] {
            QTest::mouseClick(Child<QToolButton>("removeAllButton"), Qt::LeftButton);
            Trigger("removeAllAction");
            FileView()->setFocus();
            FileView()->selectAll();
            QTest::keyClick(FileView(), Qt::Key_Delete);
            QMimeData files;
            files.setUrls({QUrl::fromLocalFile(Path("site/notes.txt"))});
            QDragEnterEvent enter(QPoint(100, 150), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_form.get(), &enter);
            QVERIFY(!enter.isAccepted());
            QTest::keyClick(FileView(), Qt::Key_Escape);
        });
        QApplication::processEvents();
        QVERIFY(m_prompts->questions.isEmpty());
        QCOMPARE(Rows(), 3);
        QCOMPARE(Cell(0, 4), QString("已完成"));
        QCOMPARE(Cell(1, 4), QString("默认值"));
        QCOMPARE(Cell(2, 4), QString("默认值"));
        QCOMPARE(ReadFile(DataDir() + "/log.txt").count('\n'), 2); // header and the page done
        QCOMPARE(Leftovers(), QStringList());
        QVERIFY(!ProgressShown());
        QCOMPARE(GaugeValue(), 0);
        QVERIFY(m_prompts->errors.isEmpty());

        // The next run does the rest.
        Trigger("compressAction");
        QCOMPARE(Cell(2, 4), QString("已完成"));
    }

    void testClosingStopsTheRun_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<bool>("atEdge"); // the pixel one past the button, which the frame counts
        QTest::newRow("close") << false << false;
        QTest::newRow("frame's close button") << true << false; // stops on the press, as Esc does
        QTest::newRow("its far edge") << true << true;
    }

    void testClosingStopsTheRun()
    {
        QFETCH(bool, byButton);
        QFETCH(bool, atEdge);
        CreateForm();
        AddThroughFolder(Path("site"));
        auto* frame = Child<TXP_Form>("frame");
        const QRect close = frame->CloseRect();
        const QPoint button = atEdge ? QPoint(close.right() + 1, close.bottom() + 1) : close.center();
        CompressWithPause([&] {
            if (byButton)
                QTest::mousePress(frame, Qt::LeftButton, {}, button);
            else
                m_form->close();
            QVERIFY(m_form->isVisible()); // until the page in hand is done
        });
        if (byButton)
            QTest::mouseRelease(frame, Qt::LeftButton, {}, button);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(Cell(0, 4), QString("已完成"));
        QCOMPARE(Cell(1, 4), QString("默认值"));
        QCOMPARE(Leftovers(), QStringList());
        QVERIFY(QFile::exists(DataDir() + "/option.ini"));
    }

    void testFailuresExplained()
    {
        CreateForm();
        AddThroughFolder(Path("site"));
        QFile::setPermissions(Path("site/b.htm"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QVERIFY(QFile::remove(Path("site/sub/c.htm")));
        Trigger("compressAction");
        const auto tip = [this](int row) { return FileView()->model()->index(row, 4).data(Qt::ToolTipRole).toString(); };
        QCOMPARE(Cell(1, 4), QString("失败"));
        QCOMPARE(tip(1), QString("只读文件"));
        QCOMPARE(tip(2), QString("文件不存在"));
        QCOMPARE(tip(0), QString());
        QCOMPARE(m_prompts->errors, QStringList{"2 个文件压缩失败:\n只读文件: 1 个\n文件不存在: 1 个"});
    }

    void testUnsavedSettingsReported()
    {
        const QString ini = DataDir() + "/option.ini";
        WriteFile(ini, "[option]\r\nbLog=1\r\n");
        QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        CreateForm();
        m_prompts->nextModal.push_back([](QDialog& dialog) {
            dialog.findChild<TXP_CheckBox*>("logSwitch")->click();
            dialog.findChild<QAbstractButton*>("okButton")->click();
        });
        Trigger("preferencesAction");
        m_form->close();
        m_form->saveSettings(); // a session that ends writes once more, but says it once
        QCOMPARE(m_prompts->errors,
                 QStringList{"不能保存设置文件 " + QDir::toNativeSeparators(ini) + "\n只读文件"});
        QCOMPARE(ReadFile(ini), QByteArray("[option]\r\nbLog=1\r\n"));
    }

    void testChineseDialogsLeaveNoSettings()
    {
        CreateForm();
        QMessageBox box(QMessageBox::Critical, "Corvane XP", "x", QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QString("确定"));
        // The file dialogs' type column: Qt 6 asks under a context Debian's catalogue lacks.
        QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), QString("文件夹"));
        {
            const auto folder = TFileDialogs::Folder(m_form.get(), "选择你想要添加的包含有 HTML 文件的目录:");
            folder->show();
            QVERIFY(QTest::qWaitForWindowExposed(folder.get()));
            QCOMPARE(folder->findChild<QLineEdit*>("fileNameEdit")->text(), QString());
            QVERIFY(QFileInfo(folder->directory().path()).isDir());
            QCOMPARE(folder->findChild<QLabel*>("lookInLabel")->text(), QString("查找范围："));
            folder->reject();
            const auto files = TFileDialogs::OpenFiles(m_form.get(), "Html 文件 (*.htm *.html);;所有文件 (*)");
            files->setDirectory(Path("site"));
            files->show();
            QVERIFY(QTest::qWaitForWindowExposed(files.get()));
            QCOMPARE(files->findChild<QLabel*>("fileTypeLabel")->text(), QString("文件类型："));
            files->reject();
        }
        QCOMPARE(QDir(m_config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void testUnwritableLogIsReported()
    {
        CreateForm();
        QDir().mkpath(DataDir() + "/log.txt"); // a folder where the log should be
        AddThroughDialog({Path("site/a.htm")});
        Trigger("compressAction");
        QCOMPARE(Cell(0, 4), QString("已完成"));
        QCOMPARE(m_prompts->errors.size(), 1);
        QVERIFY(m_prompts->errors[0].startsWith("不能写入日志文件"));
        QVERIFY(!ProgressShown());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
