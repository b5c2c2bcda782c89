#include "TOutputManifest.h"

#include "TTreeWalk.h"
#include "engine/OutputFile.h"
#include "engine/SafeOpen.h"
#include "engine/SourceFile.h"

#include <algorithm>
#include <cerrno>
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
    QByteArrayView fields[7];
    qsizetype at = 0;
    for (int i = 0; i < 7; ++i) {
        const qsizetype end = i == 6 ? line.size() : line.indexOf(' ', at);
        if (end < 0 || (i == 6 && line.indexOf(' ', at) >= 0))
            return false;
        fields[i] = line.sliced(at, end - at);
        at = end + 1;
    }
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

} // namespace

bool TOutputManifest::Load(const QByteArray& outputFolder)
{
    m_entries.clear();
    m_text.reset();
    filestore::SourceFile file;
    const FileStatus opened = file.Open(PathOf(outputFolder).toStdString());
    if (opened == FileStatus::Missing)
        return true;
    auto bytes = std::make_shared<std::string>();
    if (opened != FileStatus::Ok || file.Read(*bytes) != FileStatus::Ok)
        return false;
    m_text = bytes;
    const QByteArrayView text(bytes->data(), qsizetype(bytes->size()));
    const qsizetype headerEnd = text.indexOf('\n');
    if (headerEnd < 0 || text.first(headerEnd) != QByteArrayView(kHeader))
        return false;
    m_entries.reserve(text.count('\n'));
    QByteArray recipe;
    for (qsizetype at = headerEnd + 1; at < text.size();) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        QByteArray relative;
        Entry entry;
        if (end > at && !ParseLine(text.sliced(at, end - at), relative, entry, recipe)) {
            m_entries.clear();
            return false;
        }
        if (end > at)
            m_entries.insert(relative, entry);
        at = end + 1;
    }
    return true;
}

int TOutputManifest::Save(const QByteArray& outputFolder) const
{
    std::vector<QByteArray> paths;
    paths.reserve(std::size_t(m_entries.size()));
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        paths.push_back(it.key());
    std::sort(paths.begin(), paths.end());
    QByteArray text = QByteArray(kHeader) + '\n';
    for (const QByteArray& path : paths) {
        const Entry& entry = m_entries[path];
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

const TOutputManifest::Entry* TOutputManifest::Find(const QByteArray& relative) const
{
    const auto it = m_entries.constFind(relative);
    return it == m_entries.cend() ? nullptr : &it.value();
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
