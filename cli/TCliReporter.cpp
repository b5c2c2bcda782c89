#include "TCliReporter.h"

#include "TCliJsonReport.h"
#include "app/core/TCompressRun.h"
#include "app/core/TNameText.h"
#include "app/core/TReasonText.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <io.h>
#define corvane_isatty _isatty
#define corvane_fileno _fileno
#else
#include <unistd.h>
#define corvane_isatty isatty
#define corvane_fileno fileno
#endif

namespace {

// The report speaks the language of the failure reasons: Chinese in a Chinese locale.
QString Say(const char* english, const char* chinese)
{
    return QString::fromUtf8(TReasonText::CurrentLanguage() == TReasonText::Chinese ? chinese : english);
}

} // namespace

TCliReporter::TCliReporter(bool quiet, TCliJsonReport* json, bool progress)
    : m_quiet(quiet), m_json(json), m_progress(progress && !quiet)
{
}

bool TCliReporter::StderrIsTerminal()
{
    return corvane_isatty(corvane_fileno(stderr)) != 0;
}

bool TCliReporter::StdinIsTerminal()
{
    return corvane_isatty(corvane_fileno(stdin)) != 0;
}

void TCliReporter::Print(std::FILE* stream, const QByteArray& line)
{
    m_progress.Erase();
    const QByteArray bytes = line + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

void TCliReporter::PanelHidden()
{
    m_progress.Finish();
}

void TCliReporter::LogUnavailable(const QString& path, const QString& reason)
{
    PrintProblem(Say("no log written to", "未写入日志"), QFile::encodeName(path), reason);
}

void TCliReporter::RecoveryNotice(const QByteArray& copy, const QByteArray& page, const QString& text)
{
    QByteArray line = "corvane: " + text.toLocal8Bit() + ' ' + TNameText::Escaped(copy);
    if (!page.isEmpty())
        line += " (" + Say("page", "页面").toLocal8Bit() + ' ' + TNameText::Escaped(page) + ')';
    Print(stderr, line);
}

void TCliReporter::FolderUnreadable(const QByteArray& path, const QString& reason)
{
    if (m_json)
        m_json->AddProblem(path, reason);
    PrintProblem(Say("cannot read folder", "不能读取文件夹"), path, reason);
}

void TCliReporter::PrintProblem(const QString& what, const QByteArray& name, const QString& reason)
{
    Print(stderr,
          "corvane: " + what.toLocal8Bit() + ' ' + TNameText::Escaped(name) + ": " + reason.toLocal8Bit());
}

QString TCliReporter::DoneText(const TFileOutcome& outcome)
{
    switch (outcome.result) {
    case TFileOutcome::Copied:
        return Say(": copied, %1 bytes", ": 已复制, %1 字节").arg(outcome.sizeAfter);
    case TFileOutcome::Linked:
        return Say(": link made", ": 已创建链接");
    case TFileOutcome::Removed:
        return Say(": removed (its source is gone)", ": 已删除 (源文件已不存在)");
    default:
        break;
    }
    QString line = Say(": %1 -> %2 bytes, %3 saved", ": %1 -> %2 字节, 节省 %3")
                       .arg(outcome.sizeBefore)
                       .arg(outcome.sizeAfter)
                       .arg(TCompressRun::PercentText(outcome.sizeBefore, outcome.sizeAfter));
    if (outcome.result == TFileOutcome::NothingToSave)
        line += Say(" (unchanged)", " (未改变)");
    return line;
}

void TCliReporter::FileFinished(int row, const TFileOutcome& outcome)
{
    if (row >= 0)
        m_progress.Advance(outcome.sizeBefore);
    if (m_json)
        m_json->Add(outcome);
    if (outcome.result == TFileOutcome::UpToDate)
        return; // counted in the totals: a rerun over a large tree lists only what it wrote
    // A run into an output folder names what it wrote.
    const QByteArray name = TNameText::Escaped(outcome.output.isEmpty() ? outcome.path : outcome.output);
    if (outcome.result == TFileOutcome::Failed) {
        QByteArray failed = (Say(": failed: ", ": 失败: ") + outcome.reason).toLocal8Bit();
        if (!outcome.recoveryCopy.isEmpty())
            failed += " (" + Say("earlier bytes in", "之前的内容在").toLocal8Bit() + ' ' +
                      TNameText::Escaped(outcome.recoveryCopy) + ')';
        Print(m_quiet || m_json ? stderr : stdout, name + failed);
    } else if (outcome.result == TFileOutcome::Skipped) {
        if (!m_quiet)
            PrintProblem(Say("skipped", "已跳过"), outcome.path, outcome.reason);
    } else if (!m_quiet && !m_json) {
        Print(stdout, name + DoneText(outcome).toLocal8Bit());
    }
}

void TCliReporter::PrintTotals(const TRunTotals& totals, bool dryRun)
{
    if (m_quiet || m_json)
        return;
    QString line = Say("%1 files: %2 -> %3 bytes, %4 saved, %5 failed",
                       "%1 个文件: %2 -> %3 字节, 节省 %4, %5 个失败")
                       .arg(totals.compressed)
                       .arg(totals.uncompressed)
                       .arg(totals.compressedBytes)
                       .arg(TCompressRun::PercentText(totals.uncompressed, totals.compressedBytes))
                       .arg(totals.failed);
    if (totals.upToDate > 0)
        line += Say(", %1 up to date", ", %1 个无需更新").arg(totals.upToDate);
    if (totals.removed > 0)
        line += Say(", %1 removed", ", 删除 %1 个").arg(totals.removed);
    if (totals.skipped > 0)
        line += Say(", %1 skipped", ", 跳过 %1 个").arg(totals.skipped);
    if (dryRun)
        line += Say(" (dry run, nothing written)", " (试运行, 未写入任何文件)");
    Print(stdout, line.toLocal8Bit());
}
