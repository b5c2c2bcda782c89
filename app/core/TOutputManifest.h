#pragma once

#include <QByteArray>
#include <QHash>
#include <QtGlobal>

#include <memory>
#include <string>

// What an output folder's files were made from, kept in the folder (TTreeWalk::ManifestName), so
// that a rerun leaves alone what is still current and removes only what it made itself. One text
// line per output, sorted by path:
//   corvane-manifest 1
//   KIND SOURCE_SIZE MTIME_SEC MTIME_NSEC OUTPUT_SIZE RECIPE PATH
// KIND is p (page), f (copied file), l (link) or d (folder made by the run); the times are the
// source's, which the output carries too; RECIPE is a digest of the options a page was compressed
// with ("-" for the rest); PATH is relative to the folder, percent-encoded.
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
        QByteArray recipe = "-";

        bool operator==(const Entry&) const = default;
    };

    // False when the folder holds a manifest that cannot be read or is not one (then it is
    // empty: every output is made again, and none is removed as ours).
    bool Load(const QByteArray& outputFolder);
    // Written safely into the folder (temporary and rename); the system's errno when not.
    [[nodiscard]] int Save(const QByteArray& outputFolder) const;

    [[nodiscard]] const Entry* Find(const QByteArray& relative) const;
    void Set(const QByteArray& relative, const Entry& entry) { m_entries.insert(relative, entry); }
    void Remove(const QByteArray& relative) { m_entries.remove(relative); }
    [[nodiscard]] const QHash<QByteArray, Entry>& Entries() const { return m_entries; }

    // Same entries (the text they were read from aside).
    bool operator==(const TOutputManifest& other) const { return m_entries == other.m_entries; }

    // The digest of a recipe text, as lines store it.
    [[nodiscard]] static QByteArray RecipeDigest(const QByteArray& recipe);

private:
    // The file as read: paths without escapes are keys that point into it rather than copies (a
    // large tree's manifest has many lines), so it lives as long as the entries and copies share it.
    std::shared_ptr<const std::string> m_text;
    QHash<QByteArray, Entry> m_entries;
};
