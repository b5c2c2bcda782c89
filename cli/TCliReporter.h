#pragma once

#include "app/core/TCompressRunObserver.h"

#include <cstdio>

struct TRunTotals;

// Prints a run for the terminal or a script: one line per file on standard output, failures
// included; with quiet, only failures, on standard error. A progress bar is drawn on standard
// error when it is a terminal and the run is long enough to want one.
class TCliReporter final : public TCompressRunObserver
{
public:
    TCliReporter(bool quiet, bool progressBar);

    void Gauge(int value) override;
    void LogUnavailable(const QString& path, const QString& reason) override;
    void RecoveryNotice(const QByteArray& copy, const QByteArray& page, const QString& text) override;
    void FileFinished(int row, const TFileOutcome& outcome) override;
    void PanelHidden() override;

    void PrintTotals(const TRunTotals& totals, bool dryRun);
    void FolderUnreadable(const QByteArray& path, const QString& reason);

    // Terminals only; at least this many files.
    static constexpr int ProgressThreshold = 20;
    [[nodiscard]] static bool StderrIsTerminal();

private:
    void EraseBar();
    void DrawBar();
    void Print(std::FILE* stream, const QByteArray& line);
    // "corvane: <what> <name>: <reason>" on standard error, the name escaped.
    void PrintProblem(const QString& what, const QByteArray& name, const QString& reason);

    bool m_quiet;
    bool m_progressBar;
    bool m_barShown = false;
    int m_gauge = 0;
};
