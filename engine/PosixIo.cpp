#include "PosixIo.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/xattr.h>
#include <unistd.h>

namespace filestore {

FileStatus OpenError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return FileStatus::Missing;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return FileStatus::NotWritable;
    case ELOOP:
        return FileStatus::Changed; // was a plain file when looked at, a link when opened
    case ENOMEM:
        return FileStatus::OutOfMemory;
    default:
        return FileStatus::ReadFailed;
    }
}

FileStatus WriteError(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return FileStatus::DiskFull;
    case EACCES:
    case EROFS:
        return FileStatus::NotWritable;
    default:
        return FileStatus::WriteFailed;
    }
}

bool HasWriteBits(const struct stat& info)
{
    return (info.st_mode & 0222) != 0;
}

Identity IdentityOf(const struct stat& info)
{
    Identity id;
    id.device = info.st_dev;
    id.inode = info.st_ino;
    id.size = info.st_size;
    id.mtimeSec = info.st_mtim.tv_sec;
    id.mtimeNsec = info.st_mtim.tv_nsec;
    id.ctimeSec = info.st_ctim.tv_sec;
    id.ctimeNsec = info.st_ctim.tv_nsec;
    id.mode = info.st_mode & 07777;
    id.uid = info.st_uid;
    id.gid = info.st_gid;
    id.links = info.st_nlink;
    return id;
}

bool IdentityOfFd(int fd, Identity& identity)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return false;
    identity = IdentityOf(info);
    return true;
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool WriteAll(int fd, const char* data, std::size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, char* data, std::size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pread(fd, data, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false; // an error, or the file shrank under us
        data += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool HoldsAt(int fd, std::string_view expected, off_t offset)
{
    constexpr std::size_t kSlice = 1 << 20;
    std::string slice(std::min(expected.size(), kSlice), '\0');
    for (std::size_t at = 0; at < expected.size(); at += kSlice) {
        const std::size_t n = std::min(kSlice, expected.size() - at);
        if (!ReadAll(fd, slice.data(), n, offset + off_t(at)) || expected.compare(at, n, slice.data(), n) != 0)
            return false;
    }
    return true;
}

bool ResizeTo(std::string& bytes, std::size_t size)
{
    try {
        bytes.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

FileStatus ReadWhole(int fd, std::string& bytes)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return FileStatus::ReadFailed;
    if (!ResizeTo(bytes, static_cast<std::size_t>(info.st_size)))
        return FileStatus::OutOfMemory;
    return ReadAll(fd, bytes.data(), bytes.size(), 0) ? FileStatus::Ok : FileStatus::ReadFailed;
}

bool WaitForDisk(int fd, bool fileSystemSynced)
{
    constexpr unsigned kWait = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    return (fileSystemSynced ? ::sync_file_range(fd, 0, 0, kWait) : ::fdatasync(fd)) == 0;
}

void SplitPath(const std::string& path, std::string& folder, std::string& name)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

bool SyncFolder(int folderFd)
{
    return ::fsync(folderFd) == 0 || errno == EINVAL;
}

std::string PathOfFd(int fd)
{
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    std::string path(PATH_MAX, '\0');
    const ssize_t n = ::readlink(link.c_str(), path.data(), path.size());
    if (n <= 0 || std::size_t(n) >= path.size() || path[0] != '/')
        return {};
    path.resize(std::size_t(n));
    return path;
}

bool Attributes(int fd, std::vector<std::pair<std::string, std::string>>& attributes)
{
    attributes.clear();
    ssize_t length = ::flistxattr(fd, nullptr, 0);
    if (length < 0)
        return errno == ENOTSUP;
    std::string names(static_cast<std::size_t>(length), '\0');
    length = ::flistxattr(fd, names.data(), names.size());
    if (length < 0)
        return false;
    names.resize(static_cast<std::size_t>(length));
    for (std::size_t at = 0; at < names.size();) {
        const std::string name = names.c_str() + at;
        at += name.size() + 1;
        ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0)
            return false;
        std::string value(static_cast<std::size_t>(size), '\0');
        size = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (size < 0)
            return false;
        value.resize(static_cast<std::size_t>(size));
        attributes.emplace_back(name, std::move(value));
    }
    std::sort(attributes.begin(), attributes.end());
    return true;
}

} // namespace filestore
