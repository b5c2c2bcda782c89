#include "TTreeWalk.h"

#include "engine/OwnFiles.h"
#include "TReasonText.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QByteArray Below(const QByteArray& folder, const QByteArray& name, char separator)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith(separator) ? folder + name : folder + separator + name;
}

} // namespace

TTreeItem TTreeWalk::ItemOf(const struct stat& info, TTreeItem::Kind kind, QByteArray source, QByteArray relative)
{
    TTreeItem item;
    item.kind = kind;
    item.source = std::move(source);
    item.relative = std::move(relative);
    item.size = S_ISREG(info.st_mode) ? quint64(info.st_size) : 0;
    item.mode = info.st_mode & 07777;
    item.mtimeSec = info.st_mtim.tv_sec;
    item.mtimeNsec = info.st_mtim.tv_nsec;
    item.device = info.st_dev;
    item.inode = info.st_ino;
    return item;
}

void TTreeWalk::Walk(const QByteArray& root, const QByteArray& base, std::vector<TTreeItem>& items)
{
    struct Found
    {
        QByteArray name;
        TTreeItem item;
        bool hidden = false; // a folder inside a hidden one, or hidden itself
    };
    struct stat rootInfo;
    if (::stat(root.constData(), &rootInfo) != 0) {
        m_problems.push_back({root, TReasonText::OfSystemError(errno)});
        return;
    }
    const auto byName = [](const Found& a, const Found& b) { return TFileList::NameOrder(a.name, b.name); };
    // An explicit stack: very deep trees cannot exhaust the call stack. A folder's own item is
    // listed when its walk begins, so it always precedes what it holds.
    std::vector<Found> pending;
    pending.push_back({{}, ItemOf(rootInfo, TTreeItem::Folder, root, base), false});
    while (!pending.empty()) {
        Found folder = std::move(pending.back());
        pending.pop_back();
        items.push_back(folder.item);
        const QByteArray& path = folder.item.source;
        DIR* dir = ::opendir(path.constData());
        if (!dir) {
            m_problems.push_back({path, TReasonText::OfSystemError(errno)});
            continue;
        }
        std::vector<Found> entries;
        std::vector<Found> subfolders;
        int failure = 0;
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry) {
                failure = errno ? errno : failure;
                break;
            }
            const QByteArray name(entry->d_name);
            if (name == "." || name == ".." || name == ManifestName ||
                filestore::KindOfName(entry->d_name) != filestore::OwnFileKind::None)
                continue;
            struct stat info;
            if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT) // gone since it was listed: nothing to mirror
                    failure = errno;
                continue;
            }
            const QByteArray source = Below(path, name, '/');
            const QByteArray relative = Below(folder.item.relative, name, '/');
            if (S_ISDIR(info.st_mode)) {
                if (std::pair<quint64, quint64>(info.st_dev, info.st_ino) != m_skip)
                    subfolders.push_back({name, ItemOf(info, TTreeItem::Folder, source, relative),
                                          folder.hidden || name.startsWith('.')});
                continue;
            }
            TTreeItem::Kind kind = TTreeItem::Special;
            if (S_ISLNK(info.st_mode))
                kind = TTreeItem::Link;
            else if (S_ISREG(info.st_mode))
                kind = !folder.hidden && TFileList::IsHtmlName(name) ? TTreeItem::Page : TTreeItem::File;
            entries.push_back({name, ItemOf(info, kind, source, relative)});
        }
        ::closedir(dir);
        if (failure)
            m_problems.push_back({path, TReasonText::OfSystemError(failure)});
        std::sort(entries.begin(), entries.end(), byName);
        for (Found& entry : entries)
            items.push_back(std::move(entry.item));
        std::sort(subfolders.begin(), subfolders.end(), byName);
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it)
            pending.push_back(std::move(*it));
    }
}
