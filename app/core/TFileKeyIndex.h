#pragma once

#include "TFileEntry.h"

#include <QByteArray>
#include <QtGlobal>
#include <vector>

// Finds a list entry by directory and name in constant time. An open-addressing table of entry
// numbers (4 bytes a slot, at most half full) and each entry's hash kept in list order, so that
// removing rows rebuilds the table from the kept hashes without hashing a name again. The index
// never copies a name: it compares against the entries it is given.
class TFileKeyIndex
{
public:
    // The hash of a directory, reused for every file in it.
    [[nodiscard]] static size_t DirectoryHash(const QByteArray& directory);
    [[nodiscard]] static quint32 Hash(size_t directoryHash, const QByteArray& name);

    // The number of the entry with this directory and name, or -1.
    [[nodiscard]] int Find(const std::vector<TFileEntry>& entries, quint32 hash, const QByteArray& directory,
                           const QByteArray& name) const;

    // The entry just appended to the list (its number is the count so far).
    void Append(quint32 hash);

    // Rows were removed from the list: keeps the hashes of the rows not doomed, in order.
    void Remove(const std::vector<bool>& doomed);

    void Clear();

private:
    void Rebuild(std::size_t slotCount);
    void Place(quint32 hash, quint32 entry);

    std::vector<quint32> m_hashes; // one per entry, list order
    std::vector<quint32> m_slots;  // entry number + 1; 0 is free
};
