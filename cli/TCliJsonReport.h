#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QString>

struct TFileOutcome;
struct TRunTotals;

// The summary --json prints: one object with the totals, one entry per file in the order of
// the run, and the folders that could not be read. Names are escaped as on a terminal.
class TCliJsonReport
{
public:
    void Add(const TFileOutcome& outcome);
    void AddProblem(const QByteArray& path, const QString& reason);

    // The whole object, indented, with a final line end.
    [[nodiscard]] QByteArray Document(const TRunTotals& totals, bool dryRun, double seconds) const;

    // The word for how a file ended ("compressed", "unchanged", "failed", "copied", ...).
    [[nodiscard]] static QString StatusWord(int result);

private:
    QJsonArray m_files;
    QJsonArray m_problems;
};
