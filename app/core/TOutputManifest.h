#pragma once

#include "TPrefaultedAllocator.h"

#include <QByteArray>
#include <QHash>
#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What an output folder's files were made from, kept in the folder (TTreeWalk::ManifestName), so
// that a rerun leaves alone what is still current and removes only what it made itself. One text
// line per output, sorted by path:
//   corvane-manifest 1
//   KIND SOURCE_SIZE MTIME_SEC MTIME_NSEC OUTPUT_SIZE RECIPE PATH
// KIND is p (page), f (copied file), l (link) or d (folder made by the run); the times are the
// source's, which the output carries too; RECIPE is a digest of the options a page was compressed
// with ("-" for the rest); PATH is relative to the folder, percent-encoded.
//
// The entries as read stay as they are (Find, safe from any thread); what a run sets or removes
// is kept beside them, on the run's thread, until it is saved.
class TOutputManifest
{
public:
    struct Entry
    {
        char kind = 'p';
        quint64 sourceSize = 0;
        qint64 mtimeSec = 0;
        qint64 mtimeNsec = 0;
        quint64 outputSize = 0;
        QByteArray recipe = QByteArrayLiteral("-"); // no allocation: a run makes many

        bool operator==(const Entry&) const = default;
    };
    using Entries = std::vector<std::pair<QByteArray, Entry>>;

    TOutputManifest() = default;
    // Paths read point into the file as read: a copy would point into another's.
    TOutputManifest(const TOutputManifest&) = delete;
    TOutputManifest& operator=(const TOutputManifest&) = delete;

    // False when the folder holds a manifest that cannot be read or is not one (then it is
    // empty: every output is made again, and none is removed as ours).
    bool Load(const QByteArray& outputFolder);
    // Written safely into the folder (temporary and rename); the system's errno when not.
    [[nodiscard]] int Save(const QByteArray& outputFolder) const;

    // The entry as read; null when there was none.
    [[nodiscard]] const Entry* Find(QByteArrayView relative) const noexcept;
    // As Find, trying first the line after the one found last through `next` (a run through a
    // tree mostly asks for the lines in the order they were written), which it then updates.
    [[nodiscard]] const Entry* FindNext(QByteArrayView relative, std::size_t& next) const noexcept;
    void Set(QByteArrayView relative, const Entry& entry);
    void Remove(QByteArrayView relative);
    // Whether Set and Remove left anything other than as read.
    [[nodiscard]] bool IsChanged() const { return !m_changes.isEmpty(); }
    // Every entry as it stands now, sorted by path; the paths live as long as the manifest.
    [[nodiscard]] Entries Current() const;

    [[nodiscard]] bool operator==(const TOutputManifest& other) const { return Current() == other.Current(); }

    // The digest of a recipe text, as lines store it.
    [[nodiscard]] static QByteArray RecipeDigest(const QByteArray& recipe);

private:
    void Index();
    // The line of `relative` in m_read; its size when there is none.
    [[nodiscard]] std::size_t IndexOf(QByteArrayView relative) const noexcept;

    // The file as read: paths without escapes point into it rather than being copied (a large
    // tree's manifest has many lines).
    struct TextRelease
    {
        std::size_t size; // value-initialized: no member initializer in a class not yet complete
        void operator()(char* text) const { TPrefaultedAllocator<char>().deallocate(text, size); }
    };
    using Text = std::unique_ptr<char, TextRelease>;
    Text m_text;
    std::vector<std::pair<QByteArray, Entry>, TPrefaultedAllocator<std::pair<QByteArray, Entry>>> m_read;
    // Open addressing over m_read: index + 1, 0 for a free slot; a power of two in size.
    std::vector<std::uint32_t> m_slots;
    bool m_pathTwice = false; // a path on two lines: the later holds, so only Find knows which
    // What differs from m_read: the entry now, or none for one removed.
    QHash<QByteArray, std::optional<Entry>> m_changes;
};
