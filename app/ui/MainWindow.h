#pragma once

#include "engine/HTMLCompressor.h"
#include "ProductInfo.h"
#include "app/core/TCompressRunObserver.h"
#include "app/core/TFailuresByReason.h"
#include "app/core/TFileList.h"
#include "app/core/TSettings.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class AboutBox;
class LogViewer;
class PreferencesDialog;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class QTreeView;
class TBackgroundRun;
class TCompressRun;
class TFileListModel;
class TLinkLabel;
class TPrompts;
class TShell;
class TXP_Form;
class TXPMenu;

// The main window: the file list, its totals, the commands and the progress panel of a run.
// Built and laid out in MainWindow.cpp; its commands are in MainWindowCommands.cpp and the
// compression run as the window sees it in MainWindowRun.cpp.
class MainWindow : public QWidget, private TCompressRunObserver
{
    Q_OBJECT

public:
    // Takes the product strings and the caption, and reads dataDir's option.ini.
    MainWindow(TShell& shell, TPrompts& prompts, const QString& dataDir, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The dialogs created after the main window, hidden, owned by it.
    void attachDialogs(AboutBox* about, PreferencesDialog* preferences, LogViewer* logViewer);

    [[nodiscard]] TFileList& files() { return m_files; }
    [[nodiscard]] const TSettings& settings() const { return m_settings; }
    [[nodiscard]] QString logFile() const;
    // The outer size the layout rules speak of: the window, its skinned frame included.
    [[nodiscard]] QSize formSize() const;

    // Adds files as chosen and folders walked, as a drop does (the program's arguments).
    void addPaths(const QList<QByteArray>& paths);
    // Whether a compression run is under way.
    [[nodiscard]] bool isRunning() const;
    // Called with each run before it starts (tests pause or stop a run here).
    void setRunSetup(std::function<void(TCompressRun&)> setup);
    // Keeps the column widths and the logging switch in option.ini; a file that cannot be
    // written is said once. Closing calls it, and so does a session that ends without closing.
    void saveSettings();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Command = void (MainWindow::*)();

    // Construction and layout (MainWindow.cpp).
    void buildMenus();
    QAction* makeAction(const QString& caption, int image, const QString& name, Command command);
    void buildMenuToolBar();
    void buildPictureToolBar();
    void buildFileView();
    void buildFileInfoGroup();
    void showListTotals();
    void clearRunResults();
    void buildMakerLink();
    void buildProgressPanel();
    void readSettings();
    [[nodiscard]] QString optionFile() const;
    void resizeColumn(int column, int width);
    void onShown();
    void layOut();

    // Commands (MainWindowCommands.cpp).
    void runCommand(Command command);
    void addFiles();
    void addFolder();
    void removeSelected();
    void removeAll();
    void selectAll();
    void invertSelection();
    void exitProgram();
    void showPreferences();
    void showLog();
    void showAbout();
    void openHelp();
    void openHomePage();
    void writeMail();
    void addDropped(const QList<QUrl>& urls);
    void reportUnreadableFolders();

    // A compression run (MainWindowRun.cpp).
    void compressPending();
    void PanelShown() override;
    void PanelHidden() override;
    void RowStatus(int row, const QString& text) override;
    void Gauge(int value) override;
    void ResultLabels(const QString& fileSize, const QString& compressedSize,
                      const QString& percent) override;
    void LogUnavailable(const QString& path, const QString& reason) override;
    void RecoveryNotice(const QByteArray& copy, const QByteArray& page, const QString& text) override;
    void FileFinished(int row, const TFileOutcome& outcome) override;

    TShell& m_shell;
    TPrompts& m_prompts;
    QString m_dataDir;
    TProductInfo m_product;
    TSettings m_settings;
    TFileList m_files;
    THTMLCompressor m_compressor;
    TFileListModel* m_model = nullptr;
    AboutBox* m_about = nullptr;
    PreferencesDialog* m_preferences = nullptr;
    LogViewer* m_logViewer = nullptr;

    TXP_Form* m_frame = nullptr;
    QWidget* m_clientPanel = nullptr;
    TXPMenu* m_menuStyler = nullptr;
    QToolBar* m_menuToolBar = nullptr;
    QToolBar* m_pictureToolBar = nullptr;
    QTreeView* m_fileView = nullptr;
    QWidget* m_fileInfoGroup = nullptr;
    QLabel* m_fileCountValue = nullptr;
    QLabel* m_totalSizeValue = nullptr;
    QLabel* m_compressedSizeValue = nullptr;
    QLabel* m_reductionValue = nullptr;
    TLinkLabel* m_makerLink = nullptr;
    QFrame* m_progressPanel = nullptr;
    QProgressBar* m_gauge = nullptr;

    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_optionsMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_addFilesAction = nullptr;
    QAction* m_addFolderAction = nullptr;
    QAction* m_removeSelectedAction = nullptr;
    QAction* m_removeAllAction = nullptr;
    QAction* m_compressAction = nullptr;
    QAction* m_exitAction = nullptr;
    QAction* m_selectAllAction = nullptr;
    QAction* m_invertSelectionAction = nullptr;
    QAction* m_preferencesAction = nullptr;
    QAction* m_viewLogAction = nullptr;
    QAction* m_helpContentsAction = nullptr;
    QAction* m_homePageAction = nullptr;
    QAction* m_mailAction = nullptr;
    QAction* m_aboutAction = nullptr;

    // The last run's.
    QString m_logProblem;
    TFailuresByReason m_failures;
    QStringList m_recoveryNotes; // where the earlier bytes of damaged pages are
    TBackgroundRun* m_background = nullptr;
    std::function<void(TCompressRun&)> m_runSetup;
    bool m_closeAfterRun = false;
    bool m_settingsWritten = false;
    bool m_settingsProblemShown = false;
};
