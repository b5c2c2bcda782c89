#include "SafeOpen.h"

#include "PosixIo.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace filestore {

bool LookUp(int folderFd, const char* name, struct stat& target, bool& viaLink, FileStatus& status)
{
    struct stat link;
    if (::fstatat(folderFd, name, &link, AT_SYMLINK_NOFOLLOW) != 0) {
        status = OpenError(errno);
        return false;
    }
    viaLink = S_ISLNK(link.st_mode);
    target = link;
    if (viaLink && ::fstatat(folderFd, name, &target, 0) != 0) {
        // A link that loops leads nowhere readable; one that dangles leads to a missing file.
        status = errno == ELOOP ? FileStatus::ReadFailed : OpenError(errno);
        return false;
    }
    if (viaLink && link.st_uid != ::geteuid() && link.st_uid != target.st_uid) {
        status = FileStatus::ForeignLink;
        return false;
    }
    return true;
}

namespace {

// Gave up because a system call failed.
OpenResult SystemFailure(int error)
{
    return {-1, OpenError(error), error};
}

// Gave up where LookUp did: its failed call's errno, none for a foreign link, which is ours.
OpenResult LookUpFailure(FileStatus status)
{
    return {-1, status, status == FileStatus::ForeignLink ? 0 : errno};
}

// Opens what LookUp found, checked after opening to be that very file.
OpenResult OpenFound(int folderFd, const char* name, int flags, bool viaLink, const struct stat& target)
{
    const int fd = ::openat(folderFd, name, flags | O_CLOEXEC | (viaLink ? 0 : O_NOFOLLOW), 0666);
    if (fd < 0)
        return SystemFailure(errno);
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || opened.st_dev != target.st_dev || opened.st_ino != target.st_ino) {
        ::close(fd);
        return {-1, FileStatus::Changed, 0};
    }
    return {fd, FileStatus::Ok, 0, viaLink};
}

} // namespace

OpenResult OpenInFolder(int folderFd, const std::string& name, int flags)
{
    struct stat target;
    bool viaLink = false;
    FileStatus status = FileStatus::Ok;
    if (!LookUp(folderFd, name.c_str(), target, viaLink, status))
        return LookUpFailure(status);
    if (!S_ISREG(target.st_mode))
        return {-1, FileStatus::NotRegular, 0}; // folders, pipes and devices are no documents
    return OpenFound(folderFd, name.c_str(), flags | O_NOCTTY | O_NONBLOCK, viaLink, target);
}

OpenResult OpenFolder(const std::string& folder)
{
    // A folder swapped for another user's link on the way cannot lead a run outside the tree.
    int fd = ::open(!folder.empty() && folder[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return SystemFailure(errno);
    for (std::size_t at = 0; at < folder.size();) {
        std::size_t end = folder.find('/', at);
        if (end == std::string::npos)
            end = folder.size();
        const std::string name = folder.substr(at, end - at);
        at = end + 1;
        if (name.empty() || name == ".")
            continue;
        // Folders on the way are only passed through; the last one is opened for reading below.
        struct stat target;
        bool viaLink = false;
        FileStatus status = FileStatus::Ok;
        const OpenResult next = LookUp(fd, name.c_str(), target, viaLink, status)
                                    ? OpenFound(fd, name.c_str(), O_PATH | O_DIRECTORY, viaLink, target)
                                    : LookUpFailure(status);
        ::close(fd);
        if (next.fd < 0)
            return next;
        fd = next.fd;
    }
    const int readable = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int error = errno;
    ::close(fd);
    return readable >= 0 ? OpenResult{readable} : SystemFailure(error);
}

namespace {

struct FolderCache
{
    std::string path;
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    ~FolderCache()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

thread_local FolderCache t_folderCache;

} // namespace

OpenResult OpenPageFolder(const std::string& folder)
{
    FolderCache& cache = t_folderCache;
    struct stat now;
    if (cache.fd >= 0 && cache.path == folder && ::stat(folder.c_str(), &now) == 0 &&
        now.st_dev == cache.device && now.st_ino == cache.inode) {
        const int fd = ::fcntl(cache.fd, F_DUPFD_CLOEXEC, 0);
        if (fd >= 0)
            return {fd};
    }
    const OpenResult opened = OpenFolder(folder);
    struct stat info;
    if (opened.fd >= 0 && ::fstat(opened.fd, &info) == 0) {
        if (cache.fd >= 0)
            ::close(cache.fd);
        cache.fd = ::fcntl(opened.fd, F_DUPFD_CLOEXEC, 0);
        cache.path = folder;
        cache.device = info.st_dev;
        cache.inode = info.st_ino;
    }
    return opened;
}

void ForgetFolder()
{
    CloseFd(t_folderCache.fd);
    t_folderCache.path.clear();
}

OpenResult OpenRegular(const std::string& path, int flags)
{
    std::string folder;
    std::string name;
    SplitPath(path, folder, name);
    const OpenResult folderOpened = OpenFolder(folder);
    if (folderOpened.fd < 0)
        return folderOpened;
    OpenResult opened;
    struct stat existing;
    if ((flags & O_CREAT) && ::fstatat(folderOpened.fd, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0 &&
        errno == ENOENT) {
        const int fd = ::openat(folderOpened.fd, name.c_str(),
                                flags | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
        opened = fd >= 0 ? OpenResult{fd} : SystemFailure(errno);
    } else {
        opened = OpenInFolder(folderOpened.fd, name, flags & ~O_CREAT);
        if (opened.fd >= 0 && (flags & O_ACCMODE) != O_RDONLY && ::fstat(opened.fd, &existing) == 0 &&
            !HasWriteBits(existing)) {
            ::close(opened.fd);
            opened = {-1, FileStatus::NotWritable, EACCES};
        }
    }
    ::close(folderOpened.fd);
    return opened;
}

std::optional<std::pair<unsigned long long, unsigned long long>> FileKey(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return std::make_pair<unsigned long long, unsigned long long>(info.st_dev, info.st_ino);
}

} // namespace filestore
