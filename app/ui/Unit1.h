#pragma once

#include "HTMLCompressor.h"
#include "ProductInfo.h"
#include "TCompressRunObserver.h"
#include "TFileList.h"
#include "TSettings.h"

#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class QTreeView;
class TAbout;
class TBackgroundRun;
class TCompressRun;
class TFileListModel;
class TForm3;
class TForm4;
class TPrompts;
class TShell;
class TXP_Form;
class TXPMenu;

// The main window: the file list, its totals, the commands and the progress panel of a run.
class TForm1 : public QWidget, private TCompressRunObserver
{
    Q_OBJECT

public:
    // FormCreate runs here: product strings, caption, settings from dataDir's option.ini.
    TForm1(TShell& shell, TPrompts& prompts, const QString& dataDir, QWidget* parent = nullptr);
    ~TForm1() override;

    // The dialogs created after the main window, hidden, owned by it.
    void AttachDialogs(TAbout* about, TForm3* form3, TForm4* form4);

    [[nodiscard]] TFileList& Files() { return m_files; }
    [[nodiscard]] const TSettings& Settings() const { return m_settings; }
    [[nodiscard]] QString OptionFile() const;
    [[nodiscard]] QString LogFile() const;
    [[nodiscard]] const TProductInfo& Product() const { return m_product; }
    // The outer size the layout rules speak of: the window, its skinned frame included.
    [[nodiscard]] QSize FormSize() const;

    // Adds files as chosen and folders walked, as a drop does (the program's arguments).
    void AddPaths(const QList<QByteArray>& paths);
    // Whether a compression run is under way.
    [[nodiscard]] bool Running() const;
    // Called with each run before it starts (tests pause or stop a run here).
    void SetRunSetup(std::function<void(TCompressRun&)> setup) { m_runSetup = std::move(setup); }

    TXP_Form* XP_Form1;
    QWidget* Panel1;
    QToolBar* ToolBar1;
    QToolBar* ToolBar2;
    QTreeView* LV;
    QWidget* PackMessage;
    QLabel* FileCountLabel;
    QLabel* FileSizeLabel;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label1;
    QFrame* CompressPanel;
    QLabel* Label8;
    QProgressBar* p;
    THTMLCompressor HC;
    TXPMenu* XPMenu1;

    QMenu* File1;
    QMenu* Edit1;
    QMenu* Options1;
    QMenu* Help1;
    QAction* Addfile1;
    QAction* Adddirectory1;
    QAction* Removefile1;
    QAction* Removeall1;
    QAction* Compress1;
    QAction* Exit1;
    QAction* Selectall1;
    QAction* Invertselect1;
    QAction* Preferences1;
    QAction* Logfile1;
    QAction* Helpfile1;
    QAction* HomePage1;
    QAction* Email1;
    QAction* About1;
    QAction* ToolButton5;
    QAction* ToolButton6;
    QAction* ToolButton8;
    QAction* ToolButton7;
    QAction* ToolButton9;
    QAction* ToolButton10;
    QAction* ToolButton11;

public slots:
    void Addfile1Click();
    void Adddirectory1Click();
    void Removefile1Click();
    void Removeall1Click();
    void Selectall1Click();
    void Invertselect1Click();
    void Compress1Click();
    void Exit1Click();
    void Preferences1Click();
    void Logfile1Click();
    void Helpfile1Click();
    void HomePage1Click();
    void Email1Click();
    void About1Click();
    void ToolButton5Click();
    void ToolButton6Click();
    void ToolButton8Click();
    void ToolButton7Click();
    void ToolButton9Click();
    void ToolButton10Click();
    void ToolButton11Click();
    void Label1Click();

    void FormShow();
    void FormResize();
    void FormClose();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void BuildMenus();
    void BuildToolBars();
    void BuildList();
    void BuildPackMessage();
    void BuildProgressPanel();
    QAction* MakeAction(const QString& caption, int image, void (TForm1::*handler)());
    void RunCommand(void (TForm1::*handler)());
    void SetColumnWidth(int column, int width);
    void UpdateCountLabels();
    void ResetResultLabels();
    void ReportWalkProblems();
    void AddDropped(const QList<QUrl>& urls);
    [[nodiscard]] QString FailureSummary() const;

    // The run's progress panel and results.
    void PanelShown() override;
    void PanelHidden() override;
    void RowStatus(int row, const QString& text) override;
    void Gauge(int value) override;
    void ResultLabels(const QString& fileSize, const QString& compressedSize, const QString& percent) override;
    void LogUnavailable(const QString& path, const QString& reason) override;
    void RecoveryNotice(const QByteArray& copy, const QByteArray& page, const QString& text) override;
    void FileFinished(int row, const TFileOutcome& outcome) override;

    TShell& m_shell;
    TPrompts& m_prompts;
    QString m_dataDir;
    TProductInfo m_product;
    TSettings m_settings;
    TFileList m_files;
    TFileListModel* m_model = nullptr;
    TAbout* m_about = nullptr;
    TForm3* m_form3 = nullptr;
    TForm4* m_form4 = nullptr;
    QString m_logProblem;
    std::vector<std::pair<QString, int>> m_failures; // the last run's, by reason, in order met
    QStringList m_recoveryNotes; // the last run's: where the earlier bytes of damaged pages are
    TBackgroundRun* m_background = nullptr;
    std::function<void(TCompressRun&)> m_runSetup;
    bool m_closeAfterRun = false;
    bool m_settingsWritten = false;
    bool m_settingsProblemShown = false;
};
