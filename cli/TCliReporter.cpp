#include "TCliReporter.h"

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
constexpr int kBarWidth = 40;

// The report speaks the language of the failure reasons: Chinese in a Chinese locale.
QString Say(const char* english, const char* chinese)
{
    return QString::fromUtf8(TReasonText::CurrentLanguage() == TReasonText::Chinese ? chinese : english);
}
} // namespace

TCliReporter::TCliReporter(bool quiet, bool progressBar)
    : m_quiet(quiet), m_progressBar(progressBar && !quiet)
{
}

bool TCliReporter::StderrIsTerminal()
{
    return corvane_isatty(corvane_fileno(stderr)) != 0;
}

void TCliReporter::Print(std::FILE* stream, const QByteArray& line)
{
    EraseBar();
    const QByteArray bytes = line + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

void TCliReporter::EraseBar()
{
    if (!m_barShown)
        return;
    std::fprintf(stderr, "\r%*s\r", kBarWidth + 8, "");
    m_barShown = false;
}

void TCliReporter::DrawBar()
{
    if (!m_progressBar)
        return;
    const int filled = m_gauge * kBarWidth / 100;
    std::fprintf(stderr, "\r[%.*s%.*s] %3d%%", filled, "########################################",
                 kBarWidth - filled, "----------------------------------------", m_gauge);
    std::fflush(stderr);
    m_barShown = true;
}

void TCliReporter::Gauge(int value)
{
    if (value == m_gauge && m_barShown)
        return;
    m_gauge = value;
    DrawBar();
}

void TCliReporter::PanelHidden()
{
    EraseBar();
    m_progressBar = false; // the closing Gauge(0) must not draw a fresh bar
}

void TCliReporter::LogUnavailable(const QString& path, const QString& reason)
{
    PrintProblem(Say("no log written to", "未写入日志"), QFile::encodeName(path), reason);
    DrawBar();
}

void TCliReporter::RecoveryNotice(const QByteArray& copy, const QByteArray& page, const QString& text)
{
    QByteArray line = "corvane: " + text.toLocal8Bit() + ' ' + TNameText::Escaped(copy);
    if (!page.isEmpty())
        line += " (" + Say("page", "页面").toLocal8Bit() + ' ' + TNameText::Escaped(page) + ')';
    Print(stderr, line);
    DrawBar();
}

void TCliReporter::FolderUnreadable(const QByteArray& path, const QString& reason)
{
    PrintProblem(Say("cannot read folder", "不能读取文件夹"), path, reason);
}

void TCliReporter::PrintProblem(const QString& what, const QByteArray& name, const QString& reason)
{
    Print(stderr,
          "corvane: " + what.toLocal8Bit() + ' ' + TNameText::Escaped(name) + ": " + reason.toLocal8Bit());
}

void TCliReporter::FileFinished(int, const TFileOutcome& outcome)
{
    const QByteArray name = TNameText::Escaped(outcome.path);
    if (outcome.result == TFileOutcome::Failed) {
        QByteArray failed = (Say(": failed: ", ": 失败: ") + outcome.reason).toLocal8Bit();
        if (!outcome.recoveryCopy.isEmpty())
            failed += " (" + Say("earlier bytes in", "之前的内容在").toLocal8Bit() + ' ' +
                      TNameText::Escaped(outcome.recoveryCopy) + ')';
        Print(m_quiet ? stderr : stdout, name + failed);
    } else if (!m_quiet) {
        QString line = Say(": %1 -> %2 bytes, %3 saved", ": %1 -> %2 字节, 节省 %3")
                           .arg(outcome.sizeBefore)
                           .arg(outcome.sizeAfter)
                           .arg(TCompressRun::PercentText(outcome.sizeBefore, outcome.sizeAfter));
        if (outcome.result == TFileOutcome::NothingToSave)
            line += Say(" (unchanged)", " (未改变)");
        Print(stdout, name + line.toLocal8Bit());
    }
    DrawBar();
}

void TCliReporter::PrintTotals(const TRunTotals& totals, bool dryRun)
{
    if (m_quiet)
        return;
    QString line = Say("%1 files: %2 -> %3 bytes, %4 saved, %5 failed",
                       "%1 个文件: %2 -> %3 字节, 节省 %4, %5 个失败")
                       .arg(totals.compressed)
                       .arg(totals.uncompressed)
                       .arg(totals.compressedBytes)
                       .arg(TCompressRun::PercentText(totals.uncompressed, totals.compressedBytes))
                       .arg(totals.failed);
    if (dryRun)
        line += Say(" (dry run, nothing written)", " (试运行, 未写入任何文件)");
    Print(stdout, line.toLocal8Bit());
}
