#include "OutputFile.h"

#include "OwnFiles.h"
#include "PosixIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace filestore {

namespace {

// What holds the name now may be replaced: nothing, a file or a link, but never a folder (a
// rename would fail on it anyway) nor the output's own source.
FileStatus NameFree(int folderFd, const std::string& name, FileKeyPair source)
{
    struct stat there;
    if (::fstatat(folderFd, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? FileStatus::Ok : OpenError(errno);
    if (S_ISDIR(there.st_mode))
        return FileStatus::NotRegular;
    if (there.st_dev == source.first && there.st_ino == source.second)
        return FileStatus::IsSource;
    return FileStatus::Ok;
}

timespec TimeOf(const Stamp& stamp)
{
    return {static_cast<time_t>(stamp.mtimeSec), static_cast<long>(stamp.mtimeNsec)};
}

} // namespace

OutputFile::~OutputFile()
{
    Discard();
    CloseFd(m_folderFd);
}

FileStatus OutputFile::Create(int folderFd, const std::string& name)
{
    Discard();
    CloseFd(m_folderFd);
    m_folderFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (m_folderFd < 0)
        return WriteError(errno);
    m_name = name;
    m_size = 0;
    m_fd = CreateOwnFile(m_folderFd, m_tempName);
    if (m_fd < 0)
        return WriteError(errno);
    struct stat info;
    m_device = ::fstat(m_fd, &info) == 0 ? info.st_dev : 0;
    return FileStatus::Ok;
}

FileStatus OutputFile::Write(const char* data, std::size_t size)
{
    if (m_fd < 0)
        return FileStatus::WriteFailed;
    if (!WriteAll(m_fd, data, size, off_t(m_size))) {
        const int error = errno;
        Discard();
        return WriteError(error);
    }
    m_size += size;
    return FileStatus::Ok;
}

FileStatus OutputFile::CopyFrom(int sourceFd)
{
    if (m_fd < 0)
        return FileStatus::WriteFailed;
    loff_t from = 0;
    for (;;) {
        const ssize_t n = ::copy_file_range(sourceFd, &from, m_fd, nullptr, 1u << 30, 0);
        if (n > 0) {
            m_size += std::size_t(n);
            continue;
        }
        if (n == 0)
            return FileStatus::Ok;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
            const int error = errno;
            Discard();
            return error == EIO || error == EBADF ? FileStatus::ReadFailed : WriteError(error);
        }
        break; // no copy in the kernel between these two: by hand from where it got to
    }
    std::vector<char> slice(1u << 20);
    for (;;) {
        const ssize_t n = ::pread(sourceFd, slice.data(), slice.size(), off_t(from));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            Discard();
            return FileStatus::ReadFailed;
        }
        if (n == 0)
            return FileStatus::Ok;
        const FileStatus status = Write(slice.data(), std::size_t(n));
        if (status != FileStatus::Ok)
            return status;
        from += n;
    }
}

FileStatus OutputFile::Finish(const Stamp& stamp)
{
    if (m_fd < 0)
        return FileStatus::WriteFailed;
    // Set-id bits only once the content is whole: a write by anyone else would clear them.
    const timespec times[2] = {{0, UTIME_OMIT}, TimeOf(stamp)};
    if (::fchmod(m_fd, stamp.mode & 07777) != 0 || ::futimens(m_fd, times) != 0) {
        const int error = errno;
        Discard();
        return WriteError(error);
    }
    (void)::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE); // a hint: MakeDurable still waits
    return FileStatus::Ok;
}

bool OutputFile::SyncFileSystem()
{
    return m_fd >= 0 && ::syncfs(m_fd) == 0;
}

FileStatus OutputFile::MakeDurable(bool fileSystemSynced)
{
    if (m_fd < 0)
        return FileStatus::WriteFailed;
    if (!WaitForDisk(m_fd, fileSystemSynced)) {
        const int error = errno;
        Discard();
        return WriteError(error);
    }
    return FileStatus::Ok;
}

FileStatus OutputFile::Commit(FileKeyPair source)
{
    if (m_fd < 0)
        return FileStatus::WriteFailed;
    FileStatus status = NameFree(m_folderFd, m_name, source);
    if (status == FileStatus::Ok && ::renameat(m_folderFd, m_tempName.c_str(), m_folderFd, m_name.c_str()) != 0)
        status = WriteError(errno);
    if (status != FileStatus::Ok) {
        Discard();
        return status;
    }
    // Like a page, the folder is not synced: the name holds the old or the new whole file.
    m_tempName.clear();
    CloseFd(m_fd);
    return FileStatus::Ok;
}

void OutputFile::Discard()
{
    if (m_fd >= 0 && !m_tempName.empty())
        ::unlinkat(m_folderFd, m_tempName.c_str(), 0);
    CloseFd(m_fd);
    m_tempName.clear();
}

FileStatus PlaceLink(int folderFd, const std::string& name, const std::string& target, const Stamp& stamp,
                     FileKeyPair source)
{
    FileStatus status = NameFree(folderFd, name, source);
    if (status != FileStatus::Ok)
        return status;
    std::string temporary;
    int attempts = 0;
    for (;;) {
        if (!NewTemporaryName(temporary))
            return WriteError(errno);
        if (::symlinkat(target.c_str(), folderFd, temporary.c_str()) == 0)
            break;
        if (errno != EEXIST || ++attempts == 100)
            return WriteError(errno);
    }
    const timespec times[2] = {{0, UTIME_OMIT}, TimeOf(stamp)};
    (void)::utimensat(folderFd, temporary.c_str(), times, AT_SYMLINK_NOFOLLOW); // a link's time is a nicety
    if (::renameat(folderFd, temporary.c_str(), folderFd, name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folderFd, temporary.c_str(), 0);
        return WriteError(error);
    }
    return FileStatus::Ok;
}

} // namespace filestore
