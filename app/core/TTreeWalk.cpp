#include "TTreeWalk.h"

#include "engine/DeadRuns.h"
#include "engine/OwnFiles.h"
#include "TOrderedWork.h"
#include "TReasonText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

QByteArray TTreeWalk::PathBelow(const QByteArray& folder, QByteArrayView name)
{
    if (folder.isEmpty())
        return name.toByteArray();
    const bool slash = !folder.endsWith('/');
    QByteArray path;
    path.reserve(folder.size() + qsizetype(slash) + name.size());
    path.append(folder);
    if (slash)
        path.append('/');
    return path.append(name);
}

TTreeItem TTreeWalk::ItemOf(const struct stat& info, TTreeItem::Kind kind, QByteArray source, qsizetype relativeLength)
{
    TTreeItem item;
    item.kind = kind;
    item.source = std::move(source);
    item.relativeAt = quint32(item.source.size() - relativeLength);
    item.size = S_ISREG(info.st_mode) ? quint64(info.st_size) : 0;
    item.mode = info.st_mode & 07777;
    item.mtimeSec = info.st_mtim.tv_sec;
    item.mtimeNsec = qint32(info.st_mtim.tv_nsec);
    item.device = info.st_dev;
    item.inode = info.st_ino;
    return item;
}

TTreeWalk::Listing TTreeWalk::List(const Found& folder) const
{
    Listing listing;
    const QByteArray& path = folder.item.source;
    DIR* dir = ::opendir(path.constData());
    if (!dir) {
        listing.problem = {path, TReasonText::OfSystemError(errno)};
        return listing;
    }
    // The names first, in order, so that what they name is made in its place once.
    std::string text; // the names one after another, each ended by a NUL
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    int failure = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            failure = errno ? errno : failure;
            break;
        }
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 || std::strcmp(name, ManifestName) == 0 ||
            filestore::KindOfName(name) != filestore::OwnFileKind::None)
            continue;
        const std::size_t length = std::strlen(name);
        spans.emplace_back(text.size(), length);
        text.append(name, length + 1);
    }
    std::vector<QByteArrayView> names;
    names.reserve(spans.size());
    for (const auto& [at, length] : spans)
        names.emplace_back(text.data() + at, qsizetype(length));
    std::sort(names.begin(), names.end(), TFileList::NameOrder);
    // The same folder in the mirror; never through a link below its top.
    int mirror = -1;
    if (!m_mirror.isEmpty()) {
        const QByteArrayView relative = folder.item.Relative();
        mirror = relative.isEmpty() ? ::open(m_mirror.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                    : ::open(PathBelow(m_mirror, relative).constData(),
                                             O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    }
    listing.entries.reserve(names.size());
    const qsizetype above = folder.item.Relative().size();
    for (const QByteArrayView name : names) {
        struct stat info;
        if (::fstatat(::dirfd(dir), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) // gone since it was listed: nothing to mirror
                failure = errno;
            continue;
        }
        QByteArray source = PathBelow(path, name);
        const qsizetype relative = above == 0 ? name.size() : above + 1 + name.size();
        if (S_ISDIR(info.st_mode)) {
            if (std::pair<quint64, quint64>(info.st_dev, info.st_ino) != m_skip) {
                const bool hidden = folder.hidden || name.startsWith('.');
                listing.subfolders.push_back(
                    {name.toByteArray(), ItemOf(info, TTreeItem::Folder, std::move(source), relative), hidden});
            }
            continue;
        }
        TTreeItem::Kind kind = TTreeItem::Special;
        if (S_ISLNK(info.st_mode))
            kind = TTreeItem::Link;
        else if (S_ISREG(info.st_mode))
            kind = !folder.hidden && TFileList::IsHtmlName(name) ? TTreeItem::Page : TTreeItem::File;
        listing.entries.push_back(ItemOf(info, kind, std::move(source), relative));
        if (!m_mirror.isEmpty() && (kind == TTreeItem::Page || kind == TTreeItem::File)) {
            struct stat there;
            const bool found = mirror >= 0 && ::fstatat(mirror, name.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0;
            listing.entries.back().LookAtOutput(found ? &there : nullptr);
        }
    }
    if (mirror >= 0) {
        listing.leftovers = filestore::HoldsLeftovers(mirror);
        ::close(mirror);
    }
    ::closedir(dir);
    if (failure)
        listing.problem = {path, TReasonText::OfSystemError(failure)};
    return listing;
}

std::optional<TTreeItem> TTreeWalk::Walk(const QByteArray& root, TTreeItemList& items)
{
    struct stat rootInfo;
    if (::stat(root.constData(), &rootInfo) != 0) {
        m_problems.push_back({root, TReasonText::OfSystemError(errno)});
        return std::nullopt;
    }
    // Folders are listed a level at a time, several at once (listing a large tree is mostly
    // waiting for the system), then put in walk order.
    struct Node
    {
        Found folder;
        Listing listing;
        std::vector<std::size_t> children;
    };
    std::vector<Node> nodes;
    nodes.push_back({{{}, ItemOf(rootInfo, TTreeItem::Folder, root, 0), false}, {}, {}});
    TOrderedWork<Listing> work(m_jobs);
    const std::size_t inFlight = 4 * std::size_t(work.Jobs());
    std::vector<std::size_t> level{0};
    while (!level.empty()) {
        std::vector<std::size_t> next;
        std::size_t taken = 0;
        const auto take = [&] {
            const std::size_t index = level[taken++];
            Listing listing = work.Take();
            for (Found& subfolder : listing.subfolders) {
                nodes[index].children.push_back(nodes.size());
                next.push_back(nodes.size());
                nodes.push_back({std::move(subfolder), {}, {}});
            }
            listing.subfolders.clear();
            if (listing.leftovers)
                nodes[index].folder.item.outputLook =
                    *listing.leftovers ? TTreeItem::OutputLook::Differs : TTreeItem::OutputLook::Matches;
            nodes[index].listing = std::move(listing);
        };
        for (const std::size_t index : level) {
            work.Give([this, folder = nodes[index].folder](int) { return List(folder); });
            while (work.InFlight() >= inFlight)
                take();
        }
        while (work.InFlight() > 0)
            take();
        level = std::move(next);
    }
    // A folder's own item comes first, then its entries, then its subfolders, depth first; an
    // explicit stack, so that very deep trees cannot exhaust the call stack. The items stay where
    // they were listed.
    std::size_t count = items.size() + nodes.size() - 1;
    for (const Node& node : nodes)
        count += node.listing.entries.size();
    items.reserve(count);
    TTreeItems& folders = items.Keep({});
    folders.reserve(nodes.size());
    std::vector<std::size_t> pending{0};
    while (!pending.empty()) {
        Node& node = nodes[pending.back()];
        pending.pop_back();
        folders.push_back(std::move(node.folder.item));
        if (&node != &nodes.front())
            items.Add(folders.back());
        if (node.listing.problem)
            m_problems.push_back(std::move(*node.listing.problem));
        for (TTreeItem& entry : items.Keep(std::move(node.listing.entries)))
            items.Add(entry);
        pending.insert(pending.end(), node.children.rbegin(), node.children.rend());
    }
    return std::move(folders.front());
}
