#include "FileListModel.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "RunInputGuard.h"
#include "app/core/TBackgroundRun.h"
#include "app/core/TCompressRun.h"

#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QTreeView>

bool MainWindow::isRunning() const
{
    return m_background->IsRunning();
}

void MainWindow::compressPending()
{
    if (isRunning())
        return;
    TCompressRun run(m_files, m_compressor, m_background->Relay());
    if (m_settings.Logging())
        run.SetLogFile(logFile());
    if (m_runSetup)
        m_runSetup(run);
    m_logProblem.clear();
    m_failures.Clear();
    m_recoveryNotes.clear();
    try {
        // The pages are compressed off this thread, so the window keeps painting its rows and
        // gauge and answers the desktop; Esc or closing it stops the run after the page in hand.
        const TRunInputGuard guard(this, m_frame, m_clientPanel, [this] { m_background->RequestStop(); });
        m_background->Execute(run);
    } catch (...) {
        // Whatever went wrong, the panel must not stay over the list.
        PanelHidden();
        Gauge(0);
        throw;
    }
    if (m_closeAfterRun) {
        close();
        return;
    }
    if (!m_logProblem.isEmpty())
        m_prompts.ShowError(this, m_logProblem);
    if (!m_failures.IsEmpty())
        m_prompts.ShowError(this, m_failures.Summary());
    if (!m_recoveryNotes.isEmpty())
        m_prompts.ShowError(this, m_recoveryNotes.join(QLatin1Char('\n')));
}

void MainWindow::PanelShown()
{
    m_progressPanel->show();
    m_progressPanel->raise();
}

void MainWindow::PanelHidden()
{
    m_progressPanel->hide();
}

void MainWindow::RowStatus(int row, const QString& text)
{
    // The list follows the run down, so the rows being done stay in sight. A batch's results come
    // after all its rows were taken in hand; they must not pull the list back up.
    static const QString compressing = [] {
        TFileEntry entry;
        entry.state = TFileEntry::Compressing;
        return entry.StatusText();
    }();
    if (text == compressing)
        m_fileView->scrollTo(m_model->index(row, 0));
}

void MainWindow::Gauge(int value)
{
    m_gauge->setValue(value);
}

void MainWindow::ResultLabels(const QString& fileSize, const QString& compressedSize, const QString& percent)
{
    m_totalSizeValue->setText(fileSize);
    m_compressedSizeValue->setText(compressedSize);
    m_reductionValue->setText(percent);
}

void MainWindow::LogUnavailable(const QString& path, const QString& reason)
{
    m_logProblem = QStringLiteral("不能写入日志文件 %1\n%2").arg(QDir::toNativeSeparators(path), reason);
}

void MainWindow::RecoveryNotice(const QByteArray& copy, const QByteArray& page, const QString& text)
{
    QString note = text + QLatin1Char(' ') + QDir::toNativeSeparators(QFile::decodeName(copy));
    if (!page.isEmpty())
        note += QStringLiteral(" (页面 %1)").arg(QDir::toNativeSeparators(QFile::decodeName(page)));
    m_recoveryNotes.append(note);
}

void MainWindow::FileFinished(int, const TFileOutcome& outcome)
{
    if (outcome.result != TFileOutcome::Failed)
        return;
    if (!outcome.recoveryCopy.isEmpty()) {
        m_recoveryNotes.append(QStringLiteral("%1: %2 (之前的内容在 %3)")
                                   .arg(QDir::toNativeSeparators(QFile::decodeName(outcome.path)),
                                        outcome.reason,
                                        QDir::toNativeSeparators(QFile::decodeName(outcome.recoveryCopy))));
    }
    m_failures.Add(outcome.reason);
}
