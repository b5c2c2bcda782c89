#include "FileStore.h"

#include "HTMLCompressor.h"

#include <cerrno>
#include <new>
#include <stdexcept>

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#include <system_error>
#else
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace filestore {

#ifndef _WIN32

namespace {

FileStatus OpenError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
        return FileStatus::Missing;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return FileStatus::NotWritable;
    case ENOMEM:
        return FileStatus::OutOfMemory;
    default:
        return FileStatus::ReadFailed;
    }
}

// A file or folder with no write bit at all is read-only to the user, even to one whose
// privileges would let the system write it anyway.
bool HasWriteBits(const struct stat& info)
{
    return (info.st_mode & 0222) != 0;
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

FileStatus ReadForRewrite(const std::string& path, std::string& bytes)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return OpenError(errno);
    if (!S_ISREG(info.st_mode))
        return FileStatus::ReadFailed; // folders, pipes and devices are no documents
    if (!HasWriteBits(info))
        return FileStatus::NotWritable;
    Descriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (fd.Get() < 0)
        return OpenError(errno);
    if (::fstat(fd.Get(), &info) != 0)
        return FileStatus::ReadFailed;
    try {
        bytes.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return FileStatus::OutOfMemory;
    } catch (const std::length_error&) {
        return FileStatus::OutOfMemory;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return FileStatus::ReadFailed; // an error, or the file shrank under us
        done += static_cast<std::size_t>(n);
    }
    return FileStatus::Ok;
}

FileStatus Replace(const std::string& path, const char* data, std::size_t size)
{
    // Replace the file a link points to, not the link.
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        return OpenError(errno);
    const std::string target = resolved;

    struct stat info;
    if (::stat(target.c_str(), &info) != 0)
        return OpenError(errno);
    if (!S_ISREG(info.st_mode))
        return FileStatus::WriteFailed;
    if (!HasWriteBits(info) || ::access(target.c_str(), W_OK) != 0)
        return FileStatus::NotWritable; // a rename would get past a read-only bit

    const std::size_t slash = target.rfind('/');
    const std::string folder = target.substr(0, slash + 1);
    struct stat folderInfo;
    if (::stat(folder.c_str(), &folderInfo) != 0 || !HasWriteBits(folderInfo))
        return FileStatus::NotWritable;
    std::string temp = folder + "." + target.substr(slash + 1) + ".corvane-XXXXXX";
    Descriptor fd(::mkstemp(temp.data()));
    if (fd.Get() < 0)
        return errno == EACCES || errno == EROFS ? FileStatus::NotWritable : FileStatus::WriteFailed;

    bool ok = WriteAll(fd.Get(), data, size);
    ok = ok && ::fchmod(fd.Get(), info.st_mode & 07777) == 0;
    if (ok && ::fchown(fd.Get(), info.st_uid, info.st_gid) != 0) {
        // Only root may give a file away; keeping our own ownership is fine then.
    }
    ok = ok && ::fdatasync(fd.Get()) == 0; // the content must be on disk before the rename
    ok = ::close(fd.Release()) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return FileStatus::WriteFailed;
    }
    // The folder is not synced: after a crash the name holds either the old or the new complete
    // content, and a sync per file would cost more than the compression itself.
    return FileStatus::Ok;
}

#else // _WIN32

namespace fs = std::filesystem;

FileStatus ReadForRewrite(const std::string& path, std::string& bytes)
{
    std::error_code ec;
    const fs::path p = fs::u8path(path);
    if (!fs::exists(p, ec))
        return FileStatus::Missing;
    if (!fs::is_regular_file(p, ec))
        return FileStatus::ReadFailed;
    std::fstream file(p, std::ios::in | std::ios::out | std::ios::binary);
    if (!file)
        return FileStatus::NotWritable;
    try {
        bytes.resize(static_cast<std::size_t>(fs::file_size(p, ec)));
    } catch (const std::exception&) {
        return FileStatus::OutOfMemory;
    }
    if (ec || !file.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        return FileStatus::ReadFailed;
    return FileStatus::Ok;
}

FileStatus Replace(const std::string& path, const char* data, std::size_t size)
{
    std::error_code ec;
    fs::path target = fs::u8path(path);
    if (fs::is_symlink(target, ec))
        target = fs::canonical(target, ec);
    if (ec || !fs::is_regular_file(target, ec))
        return FileStatus::Missing;
    const auto perms = fs::status(target, ec).permissions();
    if ((perms & fs::perms::owner_write) == fs::perms::none)
        return FileStatus::NotWritable;
    fs::path temp = target;
    temp += ".corvane-tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(data, static_cast<std::streamsize>(size)) || !out.flush()) {
            out.close();
            fs::remove(temp, ec);
            return FileStatus::WriteFailed;
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return FileStatus::WriteFailed;
    }
    return FileStatus::Ok;
}

#endif

} // namespace filestore
