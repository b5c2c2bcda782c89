#pragma once

#include "TFileEntry.h"
#include "TFileKeyIndex.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QMutex>
#include <QString>
#include <utility>
#include <vector>

class TFileListObserver;

// A folder the walk could not read, and why (the system's words).
struct TWalkProblem
{
    QByteArray path;
    QString reason;
};

// The files the next compression run rewrites, in insertion order, with the running total of
// their uncompressed sizes. Names travel as the system's bytes (the QString overloads encode
// with QFile::encodeName). Duplicates (same directory and name, letter case significant) are
// refused in constant time through an index kept beside the array; removing any number of rows
// is one linear pass. Nothing here touches widgets: the window's model observes the list.
class TFileList
{
public:
    TFileList() = default;
    TFileList(const TFileList&) = delete;
    TFileList& operator=(const TFileList&) = delete;

    // One observer (the window's model, or none). Not owned.
    void SetObserver(TFileListObserver* observer) { m_observer = observer; }

    // Appends the file unless the same directory and name are already listed. The directory is
    // made absolute and clean, with native separators and no trailing one (a root keeps its
    // own). The size is measured now. Returns true when an entry was added. A relative path
    // with no working folder to resolve it adds nothing and is noted in WalkProblems().
    bool AddFile(const QByteArray& directory, const QByteArray& name);
    bool AddFile(const QString& directory, const QString& name);

    // Convenience for a file path as a dialog returns it: splits it and calls AddFile.
    bool AddPath(const QByteArray& filePath);
    bool AddPath(const QString& filePath);

    // What a path names, links followed.
    enum class PathKind
    {
        Missing,
        Folder,
        File,
        Other,
    };
    [[nodiscard]] static PathKind KindOf(const QByteArray& path);

    // A folder is walked (FindFiles), a file added (AddPath), anything else passed over.
    // Returns the number of entries added.
    int AddFileOrFolder(const QByteArray& path);

    // Removes entry index and lowers the total by its uncompressed size.
    void DelFile(int index);

    // Adds every HTML file below the folder: a folder's own files (name order) before its
    // subfolders (name order), depth first. Hidden files are added; hidden folders (name
    // beginning with "." or, on Windows, the hidden/system attributes) are not entered; links
    // to folders are not followed. A folder that cannot be read adds nothing and is noted in
    // WalkProblems(); a page link that leads nowhere (dangling, looping) is added, to fail with
    // its reason in the run. Returns the number of entries added.
    int FindFiles(const QByteArray& directory);
    int FindFiles(const QString& directory);

    // Folders the walks since the last call could not read; the caller reports them.
    [[nodiscard]] std::vector<TWalkProblem> TakeWalkProblems() { return std::exchange(m_walkProblems, {}); }

    // Removes the given rows (any order, repeats allowed) in one pass. Returns how many went.
    int RemoveRows(const QList<int>& rows);

    // Removes everything; count and total become 0.
    void Clear();

    [[nodiscard]] int Count() const { return static_cast<int>(m_entries.size()); }
    [[nodiscard]] bool IsEmpty() const { return m_entries.empty(); }
    [[nodiscard]] const TFileEntry& At(int index) const { return m_entries[std::size_t(index)]; }
    [[nodiscard]] const std::vector<TFileEntry>& Entries() const { return m_entries; }
    [[nodiscard]] quint64 TotalSize() const { return m_total; }

    // State changes made by the compression run; each tells the observer RowChanged, on the
    // run's thread.
    void MarkCompressing(int index);
    void MarkDone(int index, quint64 compressedSize);
    void MarkFailed(int index, FileStatus why);

    // A copy of one entry that is safe to take while a run on another thread marks rows (the
    // run changes nothing else, and the window changes nothing while it runs).
    [[nodiscard]] TFileEntry Snapshot(int index) const;

    // Texts of the count and total labels ("文件:" and "文件总的大小:").
    [[nodiscard]] QString CountText() const;
    [[nodiscard]] QString TotalText() const;

    // The size in a list column: whole kilobytes and "K" (12800 bytes: "12K").
    [[nodiscard]] static QString ColumnSizeText(quint64 bytes);
    // The size in a label: "12K (12800 字节)".
    [[nodiscard]] static QString LabelSizeText(quint64 bytes);

    // Size of one file; 0 when it does not exist (or is not a file).
    [[nodiscard]] static quint64 GetFileSize(const QByteArray& path);
    [[nodiscard]] static quint64 GetFileSize(const QString& path);
    // The path with a trailing native separator (appended unless already there).
    [[nodiscard]] static QString GetDirectoryName(const QString& path);
    // The directory text an entry stores for a folder path (see AddFile). A ".." stays where the
    // name before it is a link, as the system resolves it there. Empty when the path is relative
    // and the working folder has no name that leads to it (error: why, as errno).
    [[nodiscard]] static QByteArray NormalizedDirectory(const QByteArray& directory, int* error = nullptr);
    // The working folder's name; empty when it has been removed or its name no longer leads to it.
    [[nodiscard]] static QByteArray WorkingFolder(int* error = nullptr);
    // Whether a file name is picked by a folder walk: ends in ".htm" or ".html", any case.
    [[nodiscard]] static bool IsHtmlName(QByteArrayView name);
    // The order of names in a walk, whatever the file system and locale: ASCII case-blind, then
    // exact bytes.
    [[nodiscard]] static bool NameOrder(QByteArrayView a, QByteArrayView b);

private:
    // Appends entries not yet listed as one batch for the observer; returns how many.
    int Append(std::vector<TFileEntry>&& candidates);
    // Sets a row's state and failure (and its compressed size, when given) under the lock.
    void Mark(int index, int state, FileStatus failure, const quint64* compressedSize = nullptr);
    void Changed(int index);

    std::vector<TFileEntry> m_entries;
    TFileKeyIndex m_index; // directory and name of every entry
    std::vector<TWalkProblem> m_walkProblems;
    quint64 m_total = 0;
    TFileListObserver* m_observer = nullptr;
    mutable QMutex m_marks; // held while a run marks a row, and while a snapshot is taken
};
