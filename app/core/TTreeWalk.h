#pragma once

#include "TFileList.h"
#include "TTreeItem.h"

#include <QByteArray>
#include <optional>
#include <sys/stat.h>
#include <utility>
#include <vector>

// Lists everything below a source folder for an output tree, in the order of the file list's
// walk: a folder, then its own entries (name order), then its subfolders (name order), depth
// first. Pages are what the file list's walk would pick: HTML names outside hidden folders; every
// other regular file is copied, hidden folders included. Links, to folders too, are never
// followed: they are made again. The run's own leftovers (".corvane-*") and the output folder
// itself, should it lie inside, are passed over.
class TTreeWalk
{
public:
    // `skipFolder`: device and inode of the output folder; {0, 0} when it does not exist yet.
    // `jobs`: folders listed at once.
    explicit TTreeWalk(std::pair<quint64, quint64> skipFolder, int jobs = 1)
        : m_skip(skipFolder), m_jobs(jobs < 1 ? 1 : jobs)
    {
    }

    // Appends the items of the folder `root` (absolute, clean), its own first with relative path
    // `base` (empty: the output folder itself). Folders that cannot be read are noted.
    void Walk(const QByteArray& root, const QByteArray& base, std::vector<TTreeItem>& items);

    // An item with the size, mode, time and identity of what `info` describes.
    [[nodiscard]] static TTreeItem ItemOf(const struct stat& info, TTreeItem::Kind kind, QByteArray source,
                                          QByteArray relative);

    [[nodiscard]] std::vector<TWalkProblem> TakeProblems() { return std::exchange(m_problems, {}); }

    // The name the output tree keeps its record in; never taken for a source file.
    static constexpr const char* ManifestName = ".corvane-manifest";

private:
    struct Found
    {
        QByteArray name;
        TTreeItem item;
        bool hidden = false; // a folder inside a hidden one, or hidden itself
    };
    // One folder's entries other than folders, and its subfolders, each in name order.
    struct Listing
    {
        std::vector<TTreeItem> entries;
        std::vector<Found> subfolders;
        std::optional<TWalkProblem> problem;
    };
    // Any thread.
    [[nodiscard]] Listing List(const Found& folder) const;

    std::pair<quint64, quint64> m_skip;
    int m_jobs;
    std::vector<TWalkProblem> m_problems;
};
