#include "TOutputManifest.h"

#include "TTreeWalk.h"
#include "engine/OutputFile.h"
#include "engine/SafeOpen.h"
#include "engine/SourceFile.h"

#include <QCryptographicHash>
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

// One line's fields in place, without a copy of each: a large tree's manifest has many lines.
bool ParseLine(QByteArrayView line, QByteArray& relative, TOutputManifest::Entry& entry)
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
    bool ok[5] = {};
    entry.kind = fields[0][0];
    entry.sourceSize = fields[1].toULongLong(&ok[0]);
    entry.mtimeSec = fields[2].toLongLong(&ok[1]);
    entry.mtimeNsec = fields[3].toLongLong(&ok[2]);
    entry.outputSize = fields[4].toULongLong(&ok[3]);
    entry.recipe = fields[5].toByteArray();
    relative = QByteArray::fromPercentEncoding(fields[6].toByteArray());
    ok[4] = !relative.isEmpty();
    return std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; });
}

} // namespace

bool TOutputManifest::Load(const QByteArray& outputFolder)
{
    m_entries.clear();
    filestore::SourceFile file;
    const FileStatus opened = file.Open(PathOf(outputFolder).toStdString());
    if (opened == FileStatus::Missing)
        return true;
    std::string bytes;
    if (opened != FileStatus::Ok || file.Read(bytes) != FileStatus::Ok)
        return false;
    const QByteArrayView text(bytes.data(), qsizetype(bytes.size()));
    const qsizetype headerEnd = text.indexOf('\n');
    if (headerEnd < 0 || text.first(headerEnd) != QByteArrayView(kHeader))
        return false;
    m_entries.reserve(text.count('\n'));
    for (qsizetype at = headerEnd + 1; at < text.size();) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        QByteArray relative;
        Entry entry;
        if (end > at && !ParseLine(text.sliced(at, end - at), relative, entry)) {
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
    return QCryptographicHash::hash(recipe, QCryptographicHash::Sha256).toHex().left(16);
}
