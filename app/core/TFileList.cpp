#include "TFileList.h"

#include "TFileListObserver.h"
#include "TReasonText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifndef Q_OS_WIN
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Name order independent of the file system and the locale: ASCII case-blind, then exact bytes.
bool NameLess(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char x = Lower(a[i]);
        const char y = Lower(b[i]);
        if (x != y)
            return quint8(x) < quint8(y);
    }
    return a.size() != b.size() ? a.size() < b.size() : std::memcmp(a.data(), b.data(), std::size_t(n)) < 0;
}

const char kSeparator = QDir::separator().toLatin1();

QByteArray Join(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith(kSeparator) ? folder + name : folder + kSeparator + name;
}

} // namespace

#ifndef Q_OS_WIN
namespace {

// The folder a name leads to, opened one name at a time so that names longer than the system's
// path limit still resolve.
int OpenFolderByName(const QByteArray& path)
{
    int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (const QByteArray& part : path.split('/')) {
        if (fd < 0 || part.isEmpty())
            continue;
        const int next = ::openat(fd, part.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    return fd;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `..` after this path means the folder the path's text leaves off at: only where the
// last name is a folder itself and not a link to one elsewhere.
bool IsRealFolder(const QByteArray& path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace
#endif

QByteArray TFileList::WorkingFolder(int* error)
{
#ifdef Q_OS_WIN
    if (error)
        *error = 0;
    return QFile::encodeName(QDir::toNativeSeparators(QDir::currentPath()));
#else
    // A removed working folder has no name, and one past the path limit or outside this root has
    // none the old fixed buffer could hold: a relative path must then not land anywhere else.
    int failure = 0;
    QByteArray name;
    const int here = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat opened;
    if (here < 0 || ::fstat(here, &opened) != 0) {
        failure = errno;
    } else if (opened.st_nlink == 0) {
        failure = ENOENT;
    } else if (char* cwd = ::getcwd(nullptr, 0)) {
        name = cwd;
        std::free(cwd);
    } else {
        failure = errno;
    }
    if (here >= 0)
        ::close(here);
    if (failure == 0) {
        // The name must still lead here: the folder may have been moved or replaced meanwhile.
        const int named = name.startsWith('/') ? OpenFolderByName(name) : -1;
        struct stat found;
        if (named < 0 || ::fstat(named, &found) != 0 || !SameFile(found, opened))
            failure = ENOENT;
        if (named >= 0)
            ::close(named);
    }
    if (error)
        *error = failure;
    return failure == 0 ? name : QByteArray();
#endif
}

QByteArray TFileList::NormalizedDirectory(const QByteArray& directory, int* error)
{
    if (error)
        *error = 0;
#ifdef Q_OS_WIN
    // absolutePath() also cleans "." , ".." and doubled separators but keeps letter case,
    // so both ways of adding one file store the same text.
    QString clean = QDir::toNativeSeparators(QDir(QFile::decodeName(directory)).absolutePath());
    // A root keeps its separator ("C:\") so that it never reads as a relative path.
    while (clean.size() > 1 && clean.endsWith(QDir::separator()) &&
           !(clean.size() == 3 && clean.at(1) == QLatin1Char(':')))
        clean.chop(1);
    return QFile::encodeName(clean);
#else
    // Cleaned as bytes, so that names the local encoding cannot decode survive: absolute, no
    // "." or doubled separators, ".." only after a link, letter case kept, no trailing separator
    // but the root's.
    QByteArray path = directory;
    if (!path.startsWith('/')) {
        const QByteArray here = WorkingFolder(error);
        if (here.isEmpty())
            return {};
        path = here + '/' + path;
    }
    QList<QByteArray> parts;
    for (const QByteArray& part : path.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (parts.isEmpty())
                continue; // "/.." is the root
            // After a link, ".." leads to the parent of its target, which the text does not
            // know: the kernel resolves such a ".." on every use.
            if (parts.last() != ".." && IsRealFolder('/' + parts.join('/'))) {
                parts.removeLast();
                continue;
            }
        }
        parts.append(part);
    }
    return '/' + parts.join('/');
#endif
}

bool TFileList::AddFile(const QString& directory, const QString& name)
{
    return AddFile(QFile::encodeName(directory), QFile::encodeName(name));
}

bool TFileList::AddFile(const QByteArray& directory, const QByteArray& name)
{
    TFileEntry entry;
    int error = 0;
    entry.directory = NormalizedDirectory(directory, &error);
    if (entry.directory.isEmpty()) {
        m_walkProblems.push_back({Join(directory, name), TReasonText::OfSystemError(error)});
        return false;
    }
    entry.name = name;
    const quint32 hash = TFileKeyIndex::Hash(TFileKeyIndex::DirectoryHash(entry.directory), name);
    if (m_index.Find(m_entries, hash, entry.directory, name) >= 0)
        return false;
    entry.uncompressedSize = GetFileSize(entry.FullPath());
    std::vector<TFileEntry> one;
    one.push_back(std::move(entry));
    return Append(std::move(one)) == 1;
}

bool TFileList::AddPath(const QString& filePath)
{
    return AddPath(QFile::encodeName(QDir::toNativeSeparators(filePath)));
}

bool TFileList::AddPath(const QByteArray& filePath)
{
    const qsizetype cut = filePath.lastIndexOf(kSeparator);
    if (cut < 0)
        return AddFile(QByteArrayLiteral("."), filePath);
    return AddFile(cut == 0 ? filePath.left(1) : filePath.left(cut), filePath.mid(cut + 1));
}

TFileList::PathKind TFileList::KindOf(const QByteArray& path)
{
#ifdef Q_OS_WIN
    const QFileInfo info(QFile::decodeName(path));
    if (!info.exists())
        return PathKind::Missing;
    return info.isDir() ? PathKind::Folder : info.isFile() ? PathKind::File : PathKind::Other;
#else
    struct stat info;
    if (::stat(path.constData(), &info) != 0)
        return PathKind::Missing;
    return S_ISDIR(info.st_mode) ? PathKind::Folder : S_ISREG(info.st_mode) ? PathKind::File : PathKind::Other;
#endif
}

int TFileList::AddFileOrFolder(const QByteArray& given)
{
#ifdef Q_OS_WIN
    // Dropped files and arguments may come with '/': the list splits on the native separator.
    QByteArray path = given;
    path.replace('/', '\\');
#else
    const QByteArray& path = given;
#endif
    switch (KindOf(path)) {
    case PathKind::Folder:
        return FindFiles(path);
    case PathKind::File:
        return AddPath(path) ? 1 : 0;
    default:
        return 0;
    }
}

int TFileList::Append(std::vector<TFileEntry>&& candidates)
{
    // Drop those already listed first, so the observer hears one range. A batch is one file or
    // one folder's listing, so its names are distinct.
    std::vector<quint32> hashes;
    hashes.reserve(candidates.size());
    std::size_t fresh = 0;
    const char* lastDirectory = nullptr;
    size_t directoryHash = 0;
    for (TFileEntry& entry : candidates) {
        if (entry.directory.constData() != lastDirectory) { // a folder's entries share its text
            lastDirectory = entry.directory.constData();
            directoryHash = TFileKeyIndex::DirectoryHash(entry.directory);
        }
        const quint32 hash = TFileKeyIndex::Hash(directoryHash, entry.name);
        if (m_index.Find(m_entries, hash, entry.directory, entry.name) >= 0)
            continue;
        hashes.push_back(hash);
        if (fresh != std::size_t(&entry - candidates.data()))
            candidates[fresh] = std::move(entry);
        ++fresh;
    }
    if (fresh == 0)
        return 0;

    const int first = Count();
    const int last = first + int(fresh) - 1;
    if (m_observer)
        m_observer->RowsAboutToBeInserted(first, last);
    for (std::size_t i = 0; i < fresh; ++i) {
        m_total += candidates[i].uncompressedSize;
        m_entries.push_back(std::move(candidates[i]));
        m_index.Append(hashes[i]);
    }
    if (m_observer)
        m_observer->RowsInserted();
    return int(fresh);
}

void TFileList::DelFile(int index)
{
    RemoveRows({index});
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
        } else {
            if (kept != i)
                m_entries[kept] = std::move(m_entries[i]);
            ++kept;
        }
    }
    m_entries.resize(kept);
    m_index.Remove(doomed);
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
    m_index.Clear();
    m_total = 0;
    if (m_observer)
        m_observer->Reset();
}

int TFileList::FindFiles(const QString& directory)
{
    return FindFiles(QFile::encodeName(directory));
}

int TFileList::FindFiles(const QByteArray& directory)
{
    int added = 0;
    int error = 0;
    QByteArray root = NormalizedDirectory(directory, &error);
    if (root.isEmpty()) {
        m_walkProblems.push_back({directory, TReasonText::OfSystemError(error)});
        return 0;
    }
    // An explicit stack instead of recursion: very deep trees cannot exhaust the call stack.
    std::vector<QByteArray> pending{std::move(root)};
    while (!pending.empty()) {
        const QByteArray folder = pending.back();
        pending.pop_back();
        std::vector<TFileEntry> batch;
        std::vector<QByteArray> subfolders;
#ifdef Q_OS_WIN
        const QDir dir(QFile::decodeName(folder));
        if (!dir.isReadable())
            m_walkProblems.push_back({folder, TReasonText::Of(FileStatus::ReadFailed)});
        for (const QFileInfo& info :
             dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted)) {
            // isFile() is false for pipes, sockets and devices, which a load would hang on.
            if (IsHtmlName(QFile::encodeName(info.fileName())) && info.isFile()) {
                TFileEntry entry;
                entry.directory = folder;
                entry.name = QFile::encodeName(info.fileName());
                entry.uncompressedSize = quint64(info.size());
                batch.push_back(std::move(entry));
            }
        }
        // Links to folders are never followed, so a link loop cannot trap the walk.
        for (const QFileInfo& info :
             dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
            if (!info.fileName().startsWith(QLatin1Char('.')) && !info.isHidden())
                subfolders.push_back(QFile::encodeName(info.fileName()));
        }
#else
        // Read with the system's own calls: Qt decodes names, and one it cannot decode would be
        // lost.
        DIR* dir = ::opendir(folder.constData());
        if (!dir) {
            m_walkProblems.push_back({folder, TReasonText::OfSystemError(errno)});
            continue;
        }
        int statError = 0;
        int readError = 0;
        for (;;) {
            errno = 0; // only readdir's own failure may count as the folder's
            const dirent* item = ::readdir(dir);
            if (!item) {
                readError = errno;
                break;
            }
            const QByteArrayView name(item->d_name);
            if (name == "." || name == "..")
                continue;
            // Only folders and pages need a closer look, and the listing mostly tells which is which.
            if (item->d_type != DT_UNKNOWN && item->d_type != DT_DIR && !IsHtmlName(name))
                continue;
            struct stat info;
            if (::fstatat(::dirfd(dir), item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT) // gone since it was listed: nothing to add
                    statError = errno;
                continue;
            }
            // Links to folders are never followed, so a link loop cannot trap the walk.
            if (S_ISDIR(info.st_mode)) {
                if (!name.startsWith('.'))
                    subfolders.push_back(name.toByteArray());
                continue;
            }
            if (!IsHtmlName(name))
                continue;
            // A page link that leads nowhere (dangling, looping) is listed all the same: its turn
            // in the run fails with the reason, whatever place it has in the listing.
            const bool unreadableLink =
                S_ISLNK(info.st_mode) && ::fstatat(::dirfd(dir), item->d_name, &info, 0) != 0;
            // Pipes, sockets and devices are no pages: a load would hang on a pipe.
            if (unreadableLink || S_ISREG(info.st_mode)) {
                TFileEntry entry;
                entry.directory = folder;
                entry.name = name.toByteArray();
                entry.uncompressedSize = unreadableLink ? 0 : quint64(info.st_size);
                batch.push_back(std::move(entry));
            }
        }
        ::closedir(dir);
        if (readError || statError)
            m_walkProblems.push_back({folder, TReasonText::OfSystemError(readError ? readError : statError)});
#endif
        std::sort(batch.begin(), batch.end(),
                  [](const TFileEntry& a, const TFileEntry& b) { return NameLess(a.name, b.name); });
        added += Append(std::move(batch));
        std::sort(subfolders.begin(), subfolders.end(), NameLess);
        for (auto it = subfolders.crbegin(); it != subfolders.crend(); ++it)
            pending.push_back(Join(folder, *it));
    }
    return added;
}

void TFileList::MarkCompressing(int index)
{
    Mark(index, TFileEntry::Compressing, FileStatus::Ok);
}

void TFileList::MarkDone(int index, quint64 compressedSize)
{
    Mark(index, TFileEntry::Done, FileStatus::Ok, &compressedSize);
}

void TFileList::MarkFailed(int index, FileStatus why)
{
    Mark(index, TFileEntry::New, why);
}

void TFileList::Mark(int index, int state, FileStatus failure, const quint64* compressedSize)
{
    {
        const QMutexLocker lock(&m_marks);
        TFileEntry& entry = m_entries[std::size_t(index)];
        entry.state = state;
        entry.failed = failure != FileStatus::Ok;
        entry.failure = failure;
        if (compressedSize)
            entry.compressedSize = *compressedSize;
    }
    Changed(index);
}

TFileEntry TFileList::Snapshot(int index) const
{
    const QMutexLocker lock(&m_marks);
    return m_entries[std::size_t(index)];
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
    return GetFileSize(QFile::encodeName(path));
}

quint64 TFileList::GetFileSize(const QByteArray& path)
{
#ifdef Q_OS_WIN
    const QFileInfo info(QFile::decodeName(path));
    return info.isFile() ? quint64(info.size()) : 0;
#else
    struct stat info;
    return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) ? quint64(info.st_size) : 0;
#endif
}

QString TFileList::GetDirectoryName(const QString& path)
{
    const QString native = QDir::toNativeSeparators(path);
    return native.endsWith(QDir::separator()) ? native : native + QDir::separator();
}

bool TFileList::NameOrder(QByteArrayView a, QByteArrayView b)
{
    return NameLess(a, b);
}

bool TFileList::IsHtmlName(QByteArrayView name)
{
    const auto endsWith = [name](const char* extension, qsizetype length) {
        return name.size() >= length && qstrnicmp(name.data() + name.size() - length, extension, length) == 0;
    };
    return endsWith(".htm", 4) || endsWith(".html", 5);
}
