#pragma once

#include "TCliProgress.h"
#include "app/core/TCompressRunObserver.h"

#include <cstdio>

class TCliJsonReport;
struct TRunTotals;

// Prints a run for the terminal or a script: one line per file on standard output, failures
// included; with quiet, only failures, on standard error; with a JSON report, the files go to
// the report and only failures and warnings are printed, on standard error. Outputs found up to
// date are counted, not listed. A progress line is kept on standard error when it is a terminal.
class TCliReporter final : public TCompressRunObserver
{
public:
    // `json`: where the files go instead of standard output; none for the lines.
    TCliReporter(bool quiet, TCliJsonReport* json, bool progress);

    // Before the first file: how many files and bytes the run goes through.
    void Start(int files, quint64 bytes) { m_progress.Start(files, bytes); }

    void LogUnavailable(const QString& path, const QString& reason) override;
    void RecoveryNotice(const QByteArray& copy, const QByteArray& page, const QString& text) override;
    void FileFinished(int row, const TFileOutcome& outcome) override;
    void PanelHidden() override;

    void PrintTotals(const TRunTotals& totals, bool dryRun);
    void FolderUnreadable(const QByteArray& path, const QString& reason);

    [[nodiscard]] static bool StderrIsTerminal();
    [[nodiscard]] static bool StdinIsTerminal();

private:
    void Print(std::FILE* stream, const QByteArray& line);
    // "corvane: <what> <name>: <reason>" on standard error, the name escaped.
    void PrintProblem(const QString& what, const QByteArray& name, const QString& reason);
    // The line of a file that went well, without its name.
    [[nodiscard]] static QString DoneText(const TFileOutcome& outcome);

    bool m_quiet;
    TCliJsonReport* m_json;
    TCliProgress m_progress;
};
