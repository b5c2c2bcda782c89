#include "AboutBox.h"
#include "FileListModel.h"
#include "LogViewer.h"
#include "MainWindow.h"
#include "PreferencesDialog.h"
#include "Prompts.h"
#include "app/platform/Shell.h"
#include "app/core/TBackgroundRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTreeView>

void MainWindow::runCommand(Command command)
{
    // A command given while a run works is dropped, as it was when the run held the thread.
    if (isRunning())
        return;
    m_prompts.Guard(this, [&] { (this->*command)(); });
}

void MainWindow::addFiles()
{
    const std::optional<QStringList> chosen =
        m_prompts.OpenFiles(this, QStringLiteral("Html 文件 (*.htm *.html);;所有文件 (*)"));
    if (!chosen)
        return;
    for (const QString& file : *chosen)
        m_files.AddPath(file);
    showListTotals();
}

void MainWindow::addFolder()
{
    const std::optional<QString> folder =
        m_shell.BrowseForFolder(this, QStringLiteral("选择你想要添加的包含有 HTML 文件的目录:"));
    if (folder)
        m_files.FindFiles(*folder);
    showListTotals();
    reportUnreadableFolders();
}

void MainWindow::reportUnreadableFolders()
{
    // A folder that could not be read is said, not silently left out.
    const std::vector<TWalkProblem> problems = m_files.TakeWalkProblems();
    if (problems.empty())
        return;
    QString text = QStringLiteral("不能读取以下文件夹:");
    for (const TWalkProblem& problem : problems)
        text += QStringLiteral("\n%1: %2")
                    .arg(QDir::toNativeSeparators(QFile::decodeName(problem.path)), problem.reason);
    m_prompts.ShowError(this, text);
}

void MainWindow::removeSelected()
{
    // Straight from the selected ranges (whole rows here): asking row by row whether it is
    // selected costs seconds for half a million rows.
    QList<int> rows;
    for (const QItemSelectionRange& range : m_fileView->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows << row;
    }
    m_files.RemoveRows(rows);
    showListTotals();
    if (m_files.IsEmpty())
        clearRunResults();
}

void MainWindow::removeAll()
{
    if (m_files.IsEmpty())
        return;
    if (!m_prompts.Confirm(this, QStringLiteral("你确定要删除所有文件吗?"), QStringLiteral("确认")))
        return;
    m_files.Clear();
    showListTotals();
    clearRunResults();
}

void MainWindow::selectAll()
{
    m_fileView->selectAll();
}

void MainWindow::invertSelection()
{
    if (m_files.IsEmpty())
        return;
    // One range toggled at once, so inverting a hundred thousand rows is a single change.
    const QItemSelection all(m_model->index(0, 0),
                             m_model->index(m_files.Count() - 1, m_model->columnCount() - 1));
    m_fileView->selectionModel()->select(all, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void MainWindow::exitProgram()
{
    close();
}

void MainWindow::showPreferences()
{
    m_preferences->setResult(QDialog::Rejected);
    m_preferences->setLogging(m_settings.Logging());
    m_prompts.ShowModal(*m_preferences);
    if (m_preferences->result() != QDialog::Accepted)
        return;
    m_settings.setLogging(m_preferences->logging());
    m_viewLogAction->setEnabled(m_settings.Logging());
}

void MainWindow::showLog()
{
    m_prompts.ShowModal(*m_logViewer);
}

void MainWindow::showAbout()
{
    m_prompts.ShowModal(*m_about);
}

void MainWindow::openHelp()
{
    m_shell.OpenUrl(
        QUrl::fromLocalFile(QDir(QCoreApplication::applicationDirPath()).filePath("HelpMirel.chm")));
}

void MainWindow::openHomePage()
{
    m_shell.OpenUrl(QUrl(QStringLiteral("http://") + m_product.homePage));
}

void MainWindow::writeMail()
{
    m_shell.OpenUrl(QUrl(QStringLiteral("mailto:") + m_product.supportMail));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    m_prompts.Guard(this, [&] { addDropped(urls); });
}

void MainWindow::addDropped(const QList<QUrl>& urls)
{
    QList<QByteArray> paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths << QFile::encodeName(url.toLocalFile());
    }
    addPaths(paths);
}

void MainWindow::addPaths(const QList<QByteArray>& paths)
{
    for (const QByteArray& path : paths)
        m_files.AddFileOrFolder(path);
    showListTotals();
    reportUnreadableFolders();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Delete in the list removes the selected files.
    if (watched == m_fileView && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        m_prompts.Guard(this, [this] { removeSelected(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
