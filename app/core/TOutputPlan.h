#pragma once

#include "TFileList.h"
#include "TOutputManifest.h"
#include "TTreeItemList.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>
#include <vector>

// What a run into an output folder will write, worked out before anything is written: the
// output folder first, then for each path given its items (a folder mirrored below the output
// folder, a file as output/NAME). Everything that would make such a run write over its sources
// or write one output twice is a usage error here, so that a typo touches nothing.
class TOutputPlan
{
public:
    // `outputFolder` as given; `paths` are existing files and folders. False with a one-line
    // message when the output folder is not or cannot become a folder, is a source folder or holds
    // one, an output would replace its own source, or two sources would land on one output.
    [[nodiscard]] bool Build(const QByteArray& outputFolder, const QList<QByteArray>& paths, QString& error);

    // Folders listed at once by Build.
    void SetJobs(int jobs) { m_jobs = jobs; }

    [[nodiscard]] const TTreeItemList& Items() const { return m_items; }
    // Absolute and clean.
    [[nodiscard]] const QByteArray& OutputFolder() const { return m_output; }
    [[nodiscard]] QByteArray OutputPath(QByteArrayView relative) const;
    // Files, links and special files the run goes through, and the bytes of the files.
    [[nodiscard]] int FileCount() const { return m_fileCount; }
    [[nodiscard]] quint64 TotalBytes() const { return m_totalBytes; }
    [[nodiscard]] std::vector<TWalkProblem> TakeWalkProblems() { return std::exchange(m_problems, {}); }
    // The output folder's record of what it holds, read by Build while the sources are listed; a
    // run changes it. False from ManifestReadable when one was there that could not be read.
    [[nodiscard]] TOutputManifest& Manifest() { return m_manifest; }
    [[nodiscard]] bool ManifestReadable() const { return m_manifestReadable; }

private:
    // The output folder can be made (or is one), and what it truly names.
    [[nodiscard]] bool CheckOutputFolder(QString& error);
    [[nodiscard]] bool CheckSource(const QByteArray& path, bool folder, QString& error) const;
    [[nodiscard]] bool CheckCollisions(QString& error) const;

    QByteArray m_output;
    QByteArray m_outputReal; // links resolved, for the nesting checks
    std::pair<quint64, quint64> m_outputKey{0, 0};
    TTreeItemList m_items;
    std::vector<TWalkProblem> m_problems;
    TOutputManifest m_manifest;
    bool m_manifestReadable = true;
    int m_jobs = 1;
    int m_fileCount = 0;
    quint64 m_totalBytes = 0;
};
