#include "OwnFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filestore {

namespace {

constexpr std::string_view kPrefix = ".corvane-";
constexpr std::size_t kRandomLength = 12;
constexpr std::string_view kSuffixes[] = {"", ".tmp", ".rec", ".kept"}; // by OwnFileKind

std::string_view SuffixOf(OwnFileKind kind)
{
    return kSuffixes[static_cast<int>(kind)];
}

// The name with another suffix: the prefix and the random part stay.
std::string WithSuffix(const std::string& name, OwnFileKind kind)
{
    return name.substr(0, kPrefix.size() + kRandomLength) + std::string(SuffixOf(kind));
}

} // namespace

OwnFileKind KindOfName(std::string_view name)
{
    if (name.size() <= kPrefix.size() + kRandomLength || name.substr(0, kPrefix.size()) != kPrefix)
        return OwnFileKind::None;
    for (std::size_t i = kPrefix.size(); i < kPrefix.size() + kRandomLength; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return OwnFileKind::None;
    }
    const std::string_view suffix = name.substr(kPrefix.size() + kRandomLength);
    for (OwnFileKind kind : {OwnFileKind::Temporary, OwnFileKind::Recovery, OwnFileKind::Kept}) {
        if (suffix == SuffixOf(kind))
            return kind;
    }
    return OwnFileKind::None;
}

bool IsTemporaryName(const std::string& name)
{
    const OwnFileKind kind = KindOfName(name);
    return kind == OwnFileKind::Temporary || kind == OwnFileKind::Recovery;
}

bool NewTemporaryName(std::string& name)
{
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    unsigned char random[kRandomLength];
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        return false;
    name = kPrefix;
    for (unsigned char r : random)
        name += kDigits[r % 36];
    name += SuffixOf(OwnFileKind::Temporary);
    return true;
}

int CreateOwnFile(int folderFd, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (!NewTemporaryName(name))
            return -1;
        const int fd =
            ::openat(folderFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        // Another run's clean-up may take the file for a dead run's in the moment before it is
        // locked. The lock waits for such a clean-up; the file is ours only if the name still
        // leads to it afterwards.
        struct stat mine;
        struct stat named;
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &mine) == 0 &&
            ::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == mine.st_ino &&
            named.st_dev == mine.st_dev)
            return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

bool RenameOwnFile(int folderFd, const std::string& name, OwnFileKind kind, std::string& renamed)
{
    renamed = WithSuffix(name, kind);
    if (::renameat2(folderFd, name.c_str(), folderFd, renamed.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without a rename that refuses to replace: a second name, then the first goes.
    return ::linkat(folderFd, name.c_str(), folderFd, renamed.c_str(), 0) == 0 &&
           ::unlinkat(folderFd, name.c_str(), 0) == 0;
}

std::string KeptNameOf(const std::string& recoveryName)
{
    return WithSuffix(recoveryName, OwnFileKind::Kept);
}

} // namespace filestore
