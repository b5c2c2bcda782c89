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

// Opens what LookUp found, checked after opening to be that very file.
int OpenFound(int folderFd, const char* name, int flags, bool viaLink, const struct stat& target,
              FileStatus& status)
{
    const int fd = ::openat(folderFd, name, flags | O_CLOEXEC | (viaLink ? 0 : O_NOFOLLOW), 0666);
    if (fd < 0) {
        status = OpenError(errno);
        return -1;
    }
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || opened.st_dev != target.st_dev || opened.st_ino != target.st_ino) {
        ::close(fd);
        status = FileStatus::Changed;
        return -1;
    }
    status = FileStatus::Ok;
    return fd;
}

} // namespace

int OpenInFolder(int folderFd, const std::string& name, int flags, FileStatus& status, bool& viaLink)
{
    struct stat target;
    if (!LookUp(folderFd, name.c_str(), target, viaLink, status))
        return -1;
    if (!S_ISREG(target.st_mode)) {
        status = FileStatus::NotRegular; // folders, pipes and devices are no documents
        return -1;
    }
    return OpenFound(folderFd, name.c_str(), flags | O_NOCTTY | O_NONBLOCK, viaLink, target, status);
}

int OpenFolder(const std::string& folder, FileStatus& status)
{
    // A folder swapped for another user's link on the way cannot lead a run outside the tree.
    int fd = ::open(!folder.empty() && folder[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        status = OpenError(errno);
    for (std::size_t at = 0; fd >= 0 && at < folder.size();) {
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
        const int next = LookUp(fd, name.c_str(), target, viaLink, status)
                             ? OpenFound(fd, name.c_str(), O_PATH | O_DIRECTORY, viaLink, target, status)
                             : -1;
        ::close(fd);
        fd = next;
    }
    if (fd < 0)
        return -1;
    const int readable = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (readable < 0)
        status = OpenError(errno);
    ::close(fd);
    return readable;
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

int OpenPageFolder(const std::string& folder, FileStatus& status)
{
    FolderCache& cache = t_folderCache;
    struct stat now;
    if (cache.fd >= 0 && cache.path == folder && ::stat(folder.c_str(), &now) == 0 &&
        now.st_dev == cache.device && now.st_ino == cache.inode) {
        const int fd = ::fcntl(cache.fd, F_DUPFD_CLOEXEC, 0);
        if (fd >= 0)
            return fd;
    }
    const int fd = OpenFolder(folder, status);
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0) {
        if (cache.fd >= 0)
            ::close(cache.fd);
        cache.fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        cache.path = folder;
        cache.device = info.st_dev;
        cache.inode = info.st_ino;
    }
    return fd;
}

void ForgetFolder()
{
    CloseFd(t_folderCache.fd);
    t_folderCache.path.clear();
}

int OpenRegular(const std::string& path, int flags, FileStatus& status)
{
    std::string folder;
    std::string name;
    SplitPath(path, folder, name);
    const int folderFd = OpenFolder(folder, status);
    if (folderFd < 0)
        return -1;
    int fd = -1;
    bool viaLink = false;
    struct stat existing;
    if ((flags & O_CREAT) && ::fstatat(folderFd, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0 &&
        errno == ENOENT) {
        fd = ::openat(folderFd, name.c_str(), flags | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                      0666);
        status = fd >= 0 ? FileStatus::Ok : OpenError(errno);
    } else {
        fd = OpenInFolder(folderFd, name, flags & ~O_CREAT, status, viaLink);
        if (fd >= 0 && (flags & O_ACCMODE) != O_RDONLY && ::fstat(fd, &existing) == 0 &&
            !HasWriteBits(existing)) {
            ::close(fd);
            fd = -1;
            errno = EACCES;
            status = FileStatus::NotWritable;
        }
    }
    const int error = errno;
    ::close(folderFd);
    errno = error;
    return fd;
}

std::optional<std::pair<unsigned long long, unsigned long long>> FileKey(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return std::make_pair<unsigned long long, unsigned long long>(info.st_dev, info.st_ino);
}

} // namespace filestore
