#include "SpareFiles.h"

#include "FileStore.h"
#include "OwnFiles.h"
#include "PageBatch.h"
#include "PosixIo.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <mutex>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace filestore {

namespace {

// A batch's worth: the pages of one batch are put in place, their files become the temporaries
// of the next. Each spare holds two descriptors (itself and its folder).
constexpr std::size_t kMostSpares = PageBatch::DefaultPages;
// Descriptors left to a full batch (three a page) and the rest of the run before any spare is
// kept: spares not taken stay while the next batch fills.
constexpr std::size_t kDescriptorsFirst = 3 * PageBatch::DefaultPages + 64;

struct Spare
{
    int folderFd;
    int fd;
    std::string name;
    unsigned long long device;
    long long size;
};

struct Pool
{
    std::mutex mutex;
    std::vector<Spare> spares;
    std::size_t capacity = 0; // 0 while no scope is open
};

Pool& ThePool()
{
    static Pool pool;
    return pool;
}

void Remove(Spare& spare)
{
    ::unlinkat(spare.folderFd, spare.name.c_str(), 0);
    CloseFd(spare.fd);
    CloseFd(spare.folderFd);
}

// Nobody but this descriptor has the file open: a write lease is granted only then. Taken and
// let go at once; it only asks.
bool OpenOnlyHere(int fd)
{
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) != 0)
        return false;
    (void)::fcntl(fd, F_SETLEASE, F_UNLCK);
    return true;
}

// The flags a user may set on a file (chattr) that a new file takes from its folder: a spare
// carries its old page's instead. Neither may have any for a spare to stand in for a new file.
bool WithoutFlags(int fd)
{
    constexpr unsigned kUserFlags = FS_SECRM_FL | FS_UNRM_FL | FS_COMPR_FL | FS_SYNC_FL | FS_IMMUTABLE_FL |
                                    FS_APPEND_FL | FS_NODUMP_FL | FS_NOATIME_FL | FS_JOURNAL_DATA_FL | FS_NOTAIL_FL |
                                    FS_DIRSYNC_FL | FS_NOCOW_FL | FS_NOCOMP_FL | FS_PROJINHERIT_FL | FS_DAX_FL;
    int flags = 0;
    return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 || (unsigned(flags) & kUserFlags) == 0;
}

} // namespace

SpareFileScope::SpareFileScope()
{
    // Someone opening a spare in the moment its lease is held would send SIGIO, which ends a
    // process by default; nothing here listens for it.
    struct sigaction current = {};
    if (::sigaction(SIGIO, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        ::signal(SIGIO, SIG_IGN);
    const std::size_t free = FreeDescriptors();
    Pool& pool = ThePool();
    const std::lock_guard lock(pool.mutex);
    pool.capacity = free > kDescriptorsFirst ? std::min(kMostSpares, (free - kDescriptorsFirst) / 2) : 0;
}

SpareFileScope::~SpareFileScope()
{
    Pool& pool = ThePool();
    const std::lock_guard lock(pool.mutex);
    for (Spare& spare : pool.spares)
        Remove(spare);
    pool.spares.clear();
    pool.capacity = 0;
}

bool WantsSpares()
{
    Pool& pool = ThePool();
    const std::lock_guard lock(pool.mutex);
    return pool.spares.size() < pool.capacity;
}

void RetireFile(int folderFd, const std::string& name, int& fd, bool plain)
{
    // Locked first, then checked: a clean-up of another run takes only unlocked temporaries.
    struct stat mine;
    struct stat named;
    const bool fit = plain && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &mine) == 0 &&
                     S_ISREG(mine.st_mode) && mine.st_nlink == 1 &&
                     (::geteuid() == 0 || mine.st_uid == ::geteuid()) &&
                     ::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                     named.st_dev == mine.st_dev && named.st_ino == mine.st_ino && WithoutFlags(fd) &&
                     OpenOnlyHere(fd);
    if (fit) {
        Pool& pool = ThePool();
        const std::lock_guard lock(pool.mutex);
        if (pool.spares.size() < pool.capacity) {
            const int folder = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
            if (folder >= 0) {
                pool.spares.push_back({folder, fd, name, mine.st_dev, mine.st_size});
                fd = -1;
                return;
            }
        }
    }
    ::unlinkat(folderFd, name.c_str(), 0);
    CloseFd(fd);
}

int TakeSpareFile(int folderFd, unsigned long long device, std::string& name, long long& size)
{
    Pool& pool = ThePool();
    {
        const std::lock_guard lock(pool.mutex);
        if (pool.spares.empty())
            return -1;
    }
    if (!WithoutFlags(folderFd))
        return -1;
    Spare spare;
    {
        const std::lock_guard lock(pool.mutex);
        const auto found = std::find_if(pool.spares.rbegin(), pool.spares.rend(),
                                        [device](const Spare& s) { return s.device == device; });
        if (found == pool.spares.rend())
            return -1;
        spare = std::move(*found);
        pool.spares.erase(std::next(found).base());
    }
    // Made private before it moves: the old page's bytes are never readable in another folder.
    // Across folders of one file system a rename moves the file; where it cannot (another mount of
    // the same file system), the spare goes and the caller makes a new file.
    if (::fchmod(spare.fd, 0600) != 0 || !NewTemporaryName(name) ||
        ::renameat2(spare.folderFd, spare.name.c_str(), folderFd, name.c_str(), RENAME_NOREPLACE) != 0) {
        Remove(spare);
        return -1;
    }
    CloseFd(spare.folderFd);
    size = spare.size;
    return spare.fd;
}

} // namespace filestore
