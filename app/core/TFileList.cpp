#include "TFileList.h"

#include "TFileListObserver.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

// Name order independent of the file system and the locale: case-blind, then exact.
bool NameLess(const QFileInfo& a, const QFileInfo& b)
{
    const QString an = a.fileName();
    const QString bn = b.fileName();
    const int blind = an.compare(bn, Qt::CaseInsensitive);
    return blind != 0 ? blind < 0 : an < bn;
}

bool IsHiddenFolder(const QFileInfo& info)
{
    // isHidden() covers the Windows hidden attribute; the dot rule holds everywhere.
    return info.fileName().startsWith(QLatin1Char('.')) || info.isHidden();
}

} // namespace

QString TFileList::Key(const QString& directory, const QString& name)
{
    return directory + QChar(0) + name;
}

QString TFileList::NormalizedDirectory(const QString& directory)
{
    // absolutePath() also cleans "." , ".." and doubled separators but keeps letter case,
    // so both ways of adding one file store the same text.
    QString clean = QDir::toNativeSeparators(QDir(directory).absolutePath());
    const QChar separator = QDir::separator();
    // A root keeps its separator ("/", "C:\") so that it never reads as a relative path.
    while (clean.size() > 1 && clean.endsWith(separator) &&
           !(clean.size() == 3 && clean.at(1) == QLatin1Char(':')))
        clean.chop(1);
    return clean;
}

bool TFileList::AddFile(const QString& directory, const QString& name)
{
    TFileEntry entry;
    entry.directory = NormalizedDirectory(directory);
    entry.name = name;
    if (m_keys.contains(Key(entry.directory, name)))
        return false;
    entry.uncompressedSize = GetFileSize(entry.FullPath());
    std::vector<TFileEntry> one;
    one.push_back(std::move(entry));
    return Append(std::move(one)) == 1;
}

bool TFileList::AddPath(const QString& filePath)
{
    const QFileInfo info(filePath);
    return AddFile(info.absolutePath(), info.fileName());
}

int TFileList::Append(std::vector<TFileEntry>&& candidates)
{
    // Drop duplicates first (also duplicates within the batch) so the observer hears one range.
    std::vector<TFileEntry> fresh;
    fresh.reserve(candidates.size());
    for (TFileEntry& entry : candidates) {
        QString key = Key(entry.directory, entry.name);
        if (m_keys.contains(key))
            continue;
        m_keys.insert(std::move(key));
        fresh.push_back(std::move(entry));
    }
    if (fresh.empty())
        return 0;

    const int first = Count();
    const int last = first + int(fresh.size()) - 1;
    if (m_observer)
        m_observer->RowsAboutToBeInserted(first, last);
    for (TFileEntry& entry : fresh) {
        m_total += entry.uncompressedSize;
        m_entries.push_back(std::move(entry));
    }
    if (m_observer)
        m_observer->RowsInserted();
    return int(fresh.size());
}

void TFileList::DelFile(int index)
{
    if (index < 0 || index >= Count())
        return;
    if (m_observer)
        m_observer->RowsAboutToBeRemoved(index, index);
    const TFileEntry& entry = m_entries[std::size_t(index)];
    m_total -= entry.uncompressedSize;
    m_keys.remove(Key(entry.directory, entry.name));
    m_entries.erase(m_entries.begin() + index);
    if (m_observer)
        m_observer->RowsRemoved();
}

int TFileList::RemoveRows(const QList<int>& rows)
{
    std::vector<bool> doomed(m_entries.size(), false);
    int count = 0;
    int low = Count();
    int high = -1;
    for (int row : rows) {
        if (row < 0 || row >= Count() || doomed[std::size_t(row)])
            continue;
        doomed[std::size_t(row)] = true;
        ++count;
        low = std::min(low, row);
        high = std::max(high, row);
    }
    if (count == 0)
        return 0;

    // One contiguous block keeps the view's scroll position; scattered rows reset the model.
    const bool contiguous = high - low + 1 == count;
    if (m_observer) {
        if (contiguous)
            m_observer->RowsAboutToBeRemoved(low, high);
        else
            m_observer->AboutToReset();
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (doomed[i]) {
            m_total -= m_entries[i].uncompressedSize;
            m_keys.remove(Key(m_entries[i].directory, m_entries[i].name));
        } else {
            if (kept != i)
                m_entries[kept] = std::move(m_entries[i]);
            ++kept;
        }
    }
    m_entries.resize(kept);
    if (m_observer) {
        if (contiguous)
            m_observer->RowsRemoved();
        else
            m_observer->Reset();
    }
    return count;
}

void TFileList::Clear()
{
    if (m_observer)
        m_observer->AboutToReset();
    m_entries.clear();
    m_keys.clear();
    m_total = 0;
    if (m_observer)
        m_observer->Reset();
}

int TFileList::FindFiles(const QString& directory)
{
    int added = 0;
    // An explicit stack instead of recursion: very deep trees cannot exhaust the call stack.
    std::vector<QString> pending{NormalizedDirectory(directory)};
    while (!pending.empty()) {
        const QString folder = pending.back();
        pending.pop_back();
        const QDir dir(folder);

        QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
        std::sort(files.begin(), files.end(), NameLess);
        std::vector<TFileEntry> batch;
        for (const QFileInfo& info : files) {
            // isFile() is false for pipes, sockets and devices, which a load would hang on.
            if (!IsHtmlName(info.fileName()) || !info.isFile())
                continue;
            TFileEntry entry;
            entry.directory = folder;
            entry.name = info.fileName();
            entry.uncompressedSize = quint64(info.size());
            batch.push_back(std::move(entry));
        }
        added += Append(std::move(batch));

        // Links to folders are never followed, so a link loop cannot trap the walk.
        QFileInfoList subfolders =
            dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Unsorted);
        std::sort(subfolders.begin(), subfolders.end(), NameLess);
        for (auto it = subfolders.crbegin(); it != subfolders.crend(); ++it) {
            if (!IsHiddenFolder(*it))
                pending.push_back(NormalizedDirectory(it->absoluteFilePath()));
        }
    }
    return added;
}

void TFileList::MarkCompressing(int index)
{
    TFileEntry& entry = m_entries[std::size_t(index)];
    entry.state = TFileEntry::Compressing;
    entry.failed = false;
    Changed(index);
}

void TFileList::MarkDone(int index, quint64 compressedSize)
{
    TFileEntry& entry = m_entries[std::size_t(index)];
    entry.state = TFileEntry::Done;
    entry.compressedSize = compressedSize;
    entry.failed = false;
    Changed(index);
}

void TFileList::MarkFailed(int index)
{
    TFileEntry& entry = m_entries[std::size_t(index)];
    entry.state = TFileEntry::New;
    entry.failed = true;
    Changed(index);
}

void TFileList::Changed(int index)
{
    if (m_observer)
        m_observer->RowChanged(index);
}

QString TFileList::CountText() const
{
    return QString::number(Count());
}

QString TFileList::TotalText() const
{
    return LabelSizeText(m_total);
}

QString TFileList::ColumnSizeText(quint64 bytes)
{
    return QString::number(bytes >> 10) + QLatin1Char('K');
}

QString TFileList::LabelSizeText(quint64 bytes)
{
    return QString::number(bytes >> 10) + QStringLiteral("K (") + QString::number(bytes) +
           QStringLiteral(" 字节)");
}

quint64 TFileList::GetFileSize(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() ? quint64(info.size()) : 0;
}

QString TFileList::GetDirectoryName(const QString& path)
{
    const QString native = QDir::toNativeSeparators(path);
    return native.endsWith(QDir::separator()) ? native : native + QDir::separator();
}

bool TFileList::IsHtmlName(const QString& name)
{
    return name.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".html"), Qt::CaseInsensitive);
}
