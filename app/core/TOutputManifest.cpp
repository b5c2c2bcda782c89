#include "TOutputManifest.h"

#include "TTreeWalk.h"
#include "engine/OutputFile.h"
#include "engine/PosixIo.h"
#include "engine/SafeOpen.h"
#include "engine/SourceFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr char kHeader[] = "corvane-manifest 1";

QByteArray PathOf(const QByteArray& folder)
{
    return folder.endsWith('/') ? folder + TTreeWalk::ManifestName : folder + '/' + TTreeWalk::ManifestName;
}

// A decimal number that fills the whole field (a sign only where `sign` allows it).
template <typename Number> bool ParseNumber(QByteArrayView field, Number& value, bool sign = false)
{
    const bool negative = sign && field.startsWith('-');
    if (negative)
        field = field.sliced(1);
    if (field.isEmpty() || field.size() > 19)
        return false;
    quint64 magnitude = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return false;
        magnitude = magnitude * 10 + quint64(c - '0');
    }
    value = negative ? Number(-qint64(magnitude)) : Number(magnitude);
    return true;
}

// One line's fields in place, without a copy of each: a path without escapes stays a view into
// the line (which the caller keeps). Lines mostly share their recipe: `recipe` holds the last one
// read, so that they share its bytes.
bool ParseLine(QByteArrayView line, QByteArray& relative, TOutputManifest::Entry& entry, QByteArray& recipe)
{
    // Six fields each ended by a space, then the path to the end of the line.
    QByteArrayView fields[7];
    const char* at = line.data();
    const char* const end = at + line.size();
    for (int i = 0; i < 6; ++i) {
        const char* space = at;
        while (space < end && *space != ' ')
            ++space;
        if (space == end)
            return false;
        fields[i] = QByteArrayView(at, space - at);
        at = space + 1;
    }
    fields[6] = QByteArrayView(at, end - at);
    if (fields[6].contains(' '))
        return false;
    if (fields[0].size() != 1 || !QByteArrayView("pfld").contains(fields[0][0]))
        return false;
    entry.kind = fields[0][0];
    if (!ParseNumber(fields[1], entry.sourceSize) || !ParseNumber(fields[2], entry.mtimeSec, true) ||
        !ParseNumber(fields[3], entry.mtimeNsec) || !ParseNumber(fields[4], entry.outputSize))
        return false;
    if (fields[5] != recipe)
        recipe = fields[5].toByteArray();
    entry.recipe = recipe;
    relative = fields[6].contains('%') ? QByteArray::fromPercentEncoding(fields[6].toByteArray())
                                        : QByteArray::fromRawData(fields[6].data(), fields[6].size());
    return !relative.isEmpty();
}

// Line ends in a text, found many bytes at a time (a large tree's manifest is megabytes).
std::size_t LineCount(QByteArrayView text) noexcept
{
    std::size_t lines = 0;
    const char* const end = text.data() + text.size();
    for (const char* at = text.data(); at < end; ++at, ++lines) {
        at = static_cast<const char*>(std::memchr(at, '\n', std::size_t(end - at)));
        if (!at)
            break;
    }
    return lines;
}

std::size_t SlotOf(QByteArrayView path, std::size_t mask) noexcept
{
    return qHash(path, 0) & mask;
}

} // namespace

void TOutputManifest::Index()
{
    std::size_t size = 16;
    while (size < 2 * m_read.size())
        size *= 2;
    m_slots.assign(size, 0);
    m_pathTwice = false;
    const std::size_t mask = size - 1;
    for (std::size_t i = 0; i < m_read.size(); ++i) {
        std::size_t slot = SlotOf(m_read[i].first, mask);
        while (m_slots[slot] != 0) {
            if (m_read[m_slots[slot] - 1].first == m_read[i].first) {
                m_pathTwice = true; // the later line holds
                break;
            }
            slot = (slot + 1) & mask;
        }
        m_slots[slot] = std::uint32_t(i + 1);
    }
}

bool TOutputManifest::Load(const QByteArray& outputFolder)
{
    m_read.clear();
    m_slots.clear();
    m_changes.clear();
    m_text.reset();
    filestore::SourceFile file;
    const FileStatus opened = file.Open(PathOf(outputFolder).toStdString());
    if (opened == FileStatus::Missing)
        return true;
    if (opened != FileStatus::Ok)
        return false;
    const std::size_t size = std::size_t(file.Info().st_size);
    m_text = Text(TPrefaultedAllocator<char>().allocate(size ? size : 1), TextRelease{size ? size : 1});
    if (!filestore::ReadAll(file.Fd(), m_text.get(), size, 0) || !file.Unchanged())
        return false;
    const QByteArrayView text(m_text.get(), qsizetype(size));
    const qsizetype headerEnd = text.indexOf('\n');
    if (headerEnd < 0 || text.first(headerEnd) != QByteArrayView(kHeader) || text.size() > qsizetype(UINT32_MAX))
        return false;
    m_read.reserve(LineCount(text));
    QByteArray recipe;
    for (qsizetype at = headerEnd + 1; at < text.size();) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        QByteArray relative;
        Entry entry;
        if (end > at && !ParseLine(text.sliced(at, end - at), relative, entry, recipe)) {
            m_read.clear();
            return false;
        }
        if (end > at)
            m_read.emplace_back(std::move(relative), std::move(entry));
        at = end + 1;
    }
    Index();
    return true;
}

std::size_t TOutputManifest::IndexOf(QByteArrayView relative) const noexcept
{
    if (m_slots.empty())
        return m_read.size();
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = SlotOf(relative, mask); m_slots[slot] != 0; slot = (slot + 1) & mask) {
        if (m_read[m_slots[slot] - 1].first == relative)
            return m_slots[slot] - 1;
    }
    return m_read.size();
}

const TOutputManifest::Entry* TOutputManifest::Find(QByteArrayView relative) const noexcept
{
    const std::size_t at = IndexOf(relative);
    return at < m_read.size() ? &m_read[at].second : nullptr;
}

const TOutputManifest::Entry* TOutputManifest::FindNext(QByteArrayView relative, std::size_t& next) const noexcept
{
    std::size_t at = next;
    if (m_pathTwice || at >= m_read.size() || m_read[at].first != relative)
        at = IndexOf(relative);
    if (at >= m_read.size())
        return nullptr;
    next = at + 1;
    return &m_read[at].second;
}

void TOutputManifest::Set(QByteArrayView relative, const Entry& entry)
{
    const Entry* read = Find(relative);
    if (read && *read == entry)
        m_changes.remove(relative.toByteArray());
    else
        m_changes.insert(relative.toByteArray(), entry);
}

void TOutputManifest::Remove(QByteArrayView relative)
{
    if (Find(relative))
        m_changes.insert(relative.toByteArray(), std::nullopt);
    else
        m_changes.remove(relative.toByteArray());
}

TOutputManifest::Entries TOutputManifest::Current() const
{
    Entries entries;
    entries.reserve(m_read.size() + std::size_t(m_changes.size()));
    for (std::size_t i = 0; i < m_read.size(); ++i) {
        // The later of two lines for one path only.
        const auto& path = m_read[i].first;
        if (!m_changes.contains(path) && (!m_pathTwice || Find(path) == &m_read[i].second))
            entries.push_back(m_read[i]);
    }
    for (auto it = m_changes.cbegin(); it != m_changes.cend(); ++it) {
        if (it.value())
            entries.emplace_back(it.key(), *it.value());
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return entries;
}

int TOutputManifest::Save(const QByteArray& outputFolder) const
{
    QByteArray text = QByteArray(kHeader) + '\n';
    for (const auto& [path, entry] : Current()) {
        text += entry.kind + (' ' + QByteArray::number(entry.sourceSize)) + ' ' + QByteArray::number(entry.mtimeSec) +
                ' ' + QByteArray::number(entry.mtimeNsec) + ' ' + QByteArray::number(entry.outputSize) + ' ' +
                entry.recipe + ' ' + path.toPercentEncoding("/") + '\n';
    }
    const filestore::OpenResult folder = filestore::OpenFolder(outputFolder.toStdString());
    if (folder.fd < 0)
        return folder.error ? folder.error : EACCES;
    filestore::OutputFile file;
    timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    FileStatus status = file.Create(folder.fd, TTreeWalk::ManifestName);
    ::close(folder.fd);
    if (status == FileStatus::Ok)
        status = file.Write(text.constData(), std::size_t(text.size()));
    if (status == FileStatus::Ok)
        status = file.Finish({0644, now.tv_sec, now.tv_nsec});
    if (status == FileStatus::Ok)
        status = file.MakeDurable(false);
    if (status == FileStatus::Ok)
        status = file.Commit({0, 0});
    if (status == FileStatus::Ok)
        return 0;
    return status == FileStatus::DiskFull ? ENOSPC : status == FileStatus::NotWritable ? EACCES : EIO;
}

QByteArray TOutputManifest::RecipeDigest(const QByteArray& recipe)
{
    // Only tells recipes apart, so a short stable digest does (Fowler-Noll-Vo, 64 bits): the
    // same on every machine and every run, unlike the toolkit's seeded hashes.
    quint64 digest = 0xcbf29ce484222325ull;
    for (const char b : recipe)
        digest = (digest ^ quint8(b)) * 0x100000001b3ull;
    return QByteArray::number(digest, 16).rightJustified(16, '0');
}
