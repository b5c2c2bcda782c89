#include "TFileKeyIndex.h"

#include <QHashFunctions>

namespace {

constexpr std::size_t kMinSlots = 64;

} // namespace

size_t TFileKeyIndex::DirectoryHash(const QByteArray& directory)
{
    return qHash(directory, 0);
}

quint32 TFileKeyIndex::Hash(size_t directoryHash, const QByteArray& name)
{
    const size_t h = qHash(name, directoryHash);
    return quint32(h ^ (quint64(h) >> 32));
}

int TFileKeyIndex::Find(const std::vector<TFileEntry>& entries, quint32 hash, const QByteArray& directory,
                        const QByteArray& name) const
{
    if (m_slots.empty())
        return -1;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const quint32 slot = m_slots[at];
        if (slot == 0)
            return -1;
        const TFileEntry& entry = entries[slot - 1];
        if (m_hashes[slot - 1] == hash && entry.name == name && entry.directory == directory)
            return int(slot - 1);
    }
}

void TFileKeyIndex::Append(quint32 hash)
{
    m_hashes.push_back(hash);
    if (m_hashes.size() * 2 > m_slots.size())
        Rebuild(std::max(kMinSlots, m_slots.size() * 2));
    else
        Place(hash, quint32(m_hashes.size()));
}

void TFileKeyIndex::Remove(const std::vector<bool>& doomed)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_hashes.size(); ++i) {
        if (!doomed[i])
            m_hashes[kept++] = m_hashes[i];
    }
    m_hashes.resize(kept);
    std::size_t slotCount = kMinSlots;
    while (slotCount < kept * 2)
        slotCount *= 2;
    Rebuild(slotCount);
}

void TFileKeyIndex::Clear()
{
    m_hashes = {};
    m_slots = {};
}

void TFileKeyIndex::Rebuild(std::size_t slotCount)
{
    m_slots.assign(slotCount, 0);
    for (std::size_t i = 0; i < m_hashes.size(); ++i)
        Place(m_hashes[i], quint32(i + 1));
}

void TFileKeyIndex::Place(quint32 hash, quint32 entry)
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = hash & mask;
    while (m_slots[at] != 0)
        at = (at + 1) & mask;
    m_slots[at] = entry;
}
