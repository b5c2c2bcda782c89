#pragma once

#include "TFileList.h"
#include "TTreeItemList.h"

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

    // Pages and copied files also learn what lies at their place below `folder`, and folders
    // whether theirs holds what a run left (TTreeItem::outputLook).
    void SetMirror(const QByteArray& folder) { m_mirror = folder; }

    // Appends the items below the folder `root` (absolute, clean), their paths relative to it, and
    // returns its own (with an empty relative path); none when it is not there. Folders that
    // cannot be read are noted.
    std::optional<TTreeItem> Walk(const QByteArray& root, TTreeItemList& items);

    // `name` below `folder` (as it is when that is empty), in one allocation: a large tree has many.
    [[nodiscard]] static QByteArray PathBelow(const QByteArray& folder, QByteArrayView name);

    // An item with the size, mode, time and identity of what `info` describes; its relative path
    // is the last `relativeLength` bytes of `source`.
    [[nodiscard]] static TTreeItem ItemOf(const struct stat& info, TTreeItem::Kind kind, QByteArray source,
                                          qsizetype relativeLength);

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
        TTreeItems entries;
        std::vector<Found> subfolders;
        std::optional<TWalkProblem> problem;
        std::optional<bool> leftovers; // whether the mirror folder holds what a run left; none: not looked
    };
    // Any thread.
    [[nodiscard]] Listing List(const Found& folder) const;

    std::pair<quint64, quint64> m_skip;
    int m_jobs;
    QByteArray m_mirror;
    std::vector<TWalkProblem> m_problems;
};
