#include "FileStore.h"

#include "HTMLCompressor.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#include <system_error>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace filestore {

bool Identity::SameContent(const Identity& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           mtimeSec == other.mtimeSec && mtimeNsec == other.mtimeNsec && ctimeSec == other.ctimeSec &&
           ctimeNsec == other.ctimeNsec;
}

namespace {

// Our temporary and recovery files: hidden, a fixed length whatever the page's name, so they
// always fit the 255-byte limit, and a pattern no user file is likely to have.
constexpr char kPrefix[] = ".corvane-";
constexpr std::size_t kRandomLength = 12;
constexpr char kTempSuffix[] = ".tmp";
constexpr char kRecoverySuffix[] = ".rec";
// A recovery copy records its content's size and checksum, so a copy that never became whole
// (the run died while writing it, before its page was touched) is told from one to put back.
constexpr char kRecoveryMagic[] = "corvane recovery 2\n";
// Copies of earlier runs carry neither; they are put back as they are.
constexpr char kRecoveryMagicV1[] = "corvane recovery 1\n";
static_assert(sizeof(kRecoveryMagic) == sizeof(kRecoveryMagicV1));

unsigned long long RecoveryChecksum(const char* data, std::size_t size)
{
    unsigned long long hash = 14695981039346656037ull; // 64-bit FNV-1a
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ static_cast<unsigned char>(data[i])) * 1099511628211ull;
    return hash;
}

bool EndsWith(const std::string& text, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

} // namespace

bool IsTemporaryName(const std::string& name)
{
    const std::size_t prefix = sizeof(kPrefix) - 1;
    if (name.size() != prefix + kRandomLength + 4 || name.compare(0, prefix, kPrefix) != 0)
        return false;
    if (!EndsWith(name, kTempSuffix) && !EndsWith(name, kRecoverySuffix))
        return false;
    for (std::size_t i = prefix; i < prefix + kRandomLength; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

#ifndef _WIN32

namespace {

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

// Why creating or writing a file failed; a full disk is told apart, as the user can mend it.
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

// A file or folder with no write bit at all is read-only to the user, even to one whose
// privileges would let the system write it anyway.
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

// The folder part ("." for a bare name) and the last part of a path.
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

// Where `name` in the folder leads (`target`). A symbolic link is followed only when its owner is
// the runner or owns the target too.
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
        status = OpenError(errno);
        return false;
    }
    if (viaLink && link.st_uid != ::geteuid() && link.st_uid != target.st_uid) {
        status = FileStatus::ForeignLink;
        return false;
    }
    return true;
}

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

// Opens `name` in the folder: regular files only, links as LookUp allows.
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

// Opens the folder a page lies in one name at a time, so that a symbolic link on the way is
// followed only as LookUp allows: a folder swapped for another user's link cannot lead a run
// outside the tree.
int OpenFolder(const std::string& folder, FileStatus& status)
{
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
        // Folders on the way are only passed through; the page's own is opened for reading below.
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

// The folder last opened on this thread: the pages of one folder need not each walk the whole
// path again. It serves only while the path still leads to it.
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

} // namespace

void ForgetFolder()
{
    if (t_folderCache.fd >= 0)
        ::close(t_folderCache.fd);
    t_folderCache.fd = -1;
    t_folderCache.path.clear();
}

namespace {

// A fresh hidden file of ours in the folder, locked while it lives.
int CreateOwnFile(int folderFd, const char* suffix, std::string& name)
{
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[kRandomLength];
        if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
            return -1;
        name = kPrefix;
        for (unsigned char r : random)
            name += kDigits[r % 36];
        name += suffix;
        const int fd =
            ::openat(folderFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd >= 0)
            ::flock(fd, LOCK_EX); // a later run tells a live file from a dead run's by this lock
        return fd;
    }
    errno = EEXIST;
    return -1;
}

// Every extended attribute (ACLs included) as name and value, sorted by name. False when they
// cannot be listed.
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

bool SyncFolder(int folderFd)
{
    return ::fsync(folderFd) == 0 || errno == EINVAL;
}

} // namespace

PageFile::~PageFile()
{
    Close();
}

void PageFile::Close()
{
    Discard();
    CloseFd(m_fd);
    CloseFd(m_folderFd);
    m_path.clear();
    m_name.clear();
}

FileStatus PageFile::Open(const std::string& path, std::string& bytes)
{
    Close();
    std::string folder;
    SplitPath(path, folder, m_name);
    FileStatus status = FileStatus::Ok;
    m_folderFd = OpenPageFolder(folder, status);
    if (m_folderFd < 0) {
        Close();
        return status;
    }
    m_fd = OpenInFolder(m_folderFd, m_name, O_RDWR, status, m_viaLink);
    if (m_fd < 0) {
        // Report a read-only file as such rather than as a failed open for writing.
        Close();
        return status;
    }
    struct stat info;
    if (::fstat(m_fd, &info) != 0) {
        Close();
        return FileStatus::ReadFailed;
    }
    if (!HasWriteBits(info)) {
        Close();
        return FileStatus::NotWritable;
    }
    m_identity = IdentityOf(info);
    m_path = path;
    if (!ResizeTo(bytes, static_cast<std::size_t>(info.st_size))) {
        Close();
        return FileStatus::OutOfMemory;
    }
    if (!ReadAll(m_fd, bytes.data(), bytes.size(), 0)) {
        Close();
        return FileStatus::ReadFailed;
    }
    return FileStatus::Ok;
}

FileStatus PageFile::CheckUnchanged() const
{
    struct stat now;
    if (::fstat(m_fd, &now) != 0)
        return FileStatus::WriteFailed;
    if (!HasWriteBits(now))
        return FileStatus::NotWritable;
    if (!IdentityOf(now).SameContent(m_identity) || now.st_nlink == 0)
        return FileStatus::Changed;
    // The name must still lead to this very file, by the same road.
    struct stat named;
    bool viaLink = false;
    FileStatus status = FileStatus::Ok;
    if (!LookUp(m_folderFd, m_name.c_str(), named, viaLink, status))
        return status == FileStatus::ForeignLink ? status : FileStatus::Changed;
    if (viaLink != m_viaLink || named.st_dev != now.st_dev || named.st_ino != now.st_ino)
        return FileStatus::Changed;
    return FileStatus::Ok;
}

bool PageFile::CopyIdentity(int to) const
{
    // Owner first: the system clears set-id bits on a change of owner, so the mode comes last.
    // Attributes (ACLs among them) before the mode, which then only restates the ACL's mask.
    struct stat info;
    if (::fstat(to, &info) != 0)
        return false;
    if ((info.st_uid != m_identity.uid || info.st_gid != m_identity.gid) &&
        ::fchown(to, m_identity.uid, m_identity.gid) != 0)
        return false;
    std::vector<std::pair<std::string, std::string>> wanted;
    if (!Attributes(m_fd, wanted))
        return false;
    for (const auto& [name, value] : wanted) {
        if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0)
            return false;
    }
    if (::fchmod(to, m_identity.mode) != 0)
        return false;

    // Checked after the fact: the system may quietly drop what it would not allow.
    std::vector<std::pair<std::string, std::string>> carried;
    if (::fstat(to, &info) != 0 || !Attributes(to, carried))
        return false;
    return info.st_uid == m_identity.uid && info.st_gid == m_identity.gid &&
           (info.st_mode & 07777) == m_identity.mode && carried == wanted;
}

FileStatus PageFile::WriteTemporary(const char* data, std::size_t size)
{
    if (m_fd < 0)
        return FileStatus::NothingToSave;
    Discard();
    m_data = data;
    m_size = size;
    struct stat folderInfo;
    if (::fstat(m_folderFd, &folderInfo) != 0 || !HasWriteBits(folderInfo))
        return FileStatus::NotWritable;
    const FileStatus status = CheckUnchanged();
    if (status != FileStatus::Ok)
        return status;

    // A page with several names, reached through a link, or whose identity a new file cannot
    // carry is rewritten where it is instead of being replaced.
    m_inPlace = m_viaLink || m_identity.links > 1;
    if (m_inPlace)
        return FileStatus::Ok;
    m_tempFd = CreateOwnFile(m_folderFd, kTempSuffix, m_tempName);
    if (m_tempFd < 0)
        return WriteError(errno);
    if (!WriteAll(m_tempFd, data, size, 0)) {
        const int error = errno;
        Discard();
        return WriteError(error);
    }
    if (!CopyIdentity(m_tempFd)) {
        Discard();
        m_inPlace = true;
    }
    return FileStatus::Ok;
}

void PageFile::StartWriteback()
{
    if (m_tempFd >= 0 && !m_inPlace)
        (void)::sync_file_range(m_tempFd, 0, 0, SYNC_FILE_RANGE_WRITE); // a hint: MakeDurable still waits
}

bool PageFile::SyncFileSystem()
{
    return m_tempFd >= 0 && !m_inPlace && ::syncfs(m_tempFd) == 0;
}

unsigned long long PageFile::TemporaryDevice() const
{
    return m_tempFd >= 0 ? m_identity.device : 0; // made beside the page it replaces
}

FileStatus PageFile::MakeDurable(bool fileSystemSynced)
{
    if (m_inPlace || m_tempFd < 0)
        return FileStatus::Ok; // the in-place rewrite makes itself durable as it goes
    // After a flush of the whole file system, waiting on this file's writes reports an error
    // of its own (which an older system's flush may not have told) without another disk flush.
    const int done = fileSystemSynced ? ::sync_file_range(m_tempFd, 0, 0,
                                                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                                              SYNC_FILE_RANGE_WAIT_AFTER)
                                      : ::fdatasync(m_tempFd);
    if (done != 0) {
        const int error = errno;
        Discard();
        return WriteError(error);
    }
    return FileStatus::Ok;
}

FileStatus PageFile::ReplaceByTemporary()
{
    if (m_tempFd < 0)
        return FileStatus::WriteFailed;
    if (::renameat(m_folderFd, m_tempName.c_str(), m_folderFd, m_name.c_str()) != 0) {
        Discard();
        return FileStatus::WriteFailed;
    }
    // The new file is the page now; a second save goes through it. The folder is not synced:
    // after a crash the name holds either the old or the new complete content, and a sync per
    // file would cost more than the compression itself.
    CloseFd(m_fd);
    m_fd = m_tempFd;
    m_tempFd = -1;
    m_tempName.clear();
    struct stat info;
    if (::fstat(m_fd, &info) == 0)
        m_identity = IdentityOf(info);
    return FileStatus::Ok;
}

FileStatus PageFile::RewriteInPlace()
{
    // The old bytes go to a recovery copy first, made durable before the page is touched, so
    // a crash at any moment leaves old or new content: a later run puts the old bytes back.
    const std::size_t oldSize = static_cast<std::size_t>(m_identity.size);
    std::string old;
    if (!ResizeTo(old, oldSize))
        return FileStatus::OutOfMemory;
    if (!ReadAll(m_fd, old.data(), oldSize, 0))
        return FileStatus::ReadFailed;
    std::string header = kRecoveryMagic;
    header += std::to_string(m_identity.device) + ' ' + std::to_string(m_identity.inode) + ' ' +
              std::to_string(m_name.size()) + ' ' + std::to_string(oldSize) + ' ' +
              std::to_string(RecoveryChecksum(old.data(), oldSize)) + '\n' + m_name + '\n';
    std::string recoveryName;
    int recovery = CreateOwnFile(m_folderFd, kRecoverySuffix, recoveryName);
    if (recovery < 0)
        return WriteError(errno);
    auto dropRecovery = [&] {
        ::unlinkat(m_folderFd, recoveryName.c_str(), 0);
        CloseFd(recovery);
    };
    if (!WriteAll(recovery, header.data(), header.size(), 0) ||
        !WriteAll(recovery, old.data(), old.size(), static_cast<off_t>(header.size())) ||
        ::fsync(recovery) != 0 || !SyncFolder(m_folderFd)) {
        const int error = errno;
        dropRecovery();
        return WriteError(error);
    }
    // Checked once more right before the page is touched.
    FileStatus status = CheckUnchanged();
    if (status != FileStatus::Ok) {
        dropRecovery();
        return status;
    }
    if (!WriteAll(m_fd, m_data, m_size, 0) || ::ftruncate(m_fd, static_cast<off_t>(m_size)) != 0 ||
        ::fsync(m_fd) != 0) {
        const int error = errno;
        // Put the old bytes back; if even that fails the recovery copy stays for a later run.
        if (WriteAll(m_fd, old.data(), old.size(), 0) &&
            ::ftruncate(m_fd, static_cast<off_t>(oldSize)) == 0 && ::fsync(m_fd) == 0)
            dropRecovery();
        else
            CloseFd(recovery);
        return WriteError(error);
    }
    // Writing clears set-id bits for most runners; give them back where we may.
    struct stat info;
    if (::fstat(m_fd, &info) == 0 && (info.st_mode & 07777) != m_identity.mode)
        (void)::fchmod(m_fd, m_identity.mode);
    dropRecovery();
    if (::fstat(m_fd, &info) == 0)
        m_identity = IdentityOf(info);
    return FileStatus::Ok;
}

void PageFile::Discard()
{
    if (m_tempFd >= 0) {
        ::unlinkat(m_folderFd, m_tempName.c_str(), 0);
        CloseFd(m_tempFd);
    }
    m_tempName.clear();
    m_inPlace = false;
}

namespace {

enum class Recovery
{
    Restored, // the old bytes are back in the page
    Unused,   // never whole, so its page was never touched (it is rewritten only once the copy is durable)
    Kept,     // left for the user: unreadable, not ours, or its page is gone or another file now
};

// Puts a dead run's recovery copy back into its page.
Recovery Restore(int folderFd, int recovery)
{
    struct stat info;
    std::string bytes;
    if (::fstat(recovery, &info) != 0 || !ResizeTo(bytes, static_cast<std::size_t>(info.st_size)) ||
        !ReadAll(recovery, bytes.data(), bytes.size(), 0))
        return Recovery::Kept;
    const std::string_view magic = kRecoveryMagic;
    if (bytes.size() < magic.size() && magic.compare(0, bytes.size(), bytes) == 0)
        return Recovery::Unused; // died before or while writing the first line
    const bool checked = bytes.compare(0, magic.size(), magic) == 0;
    if (!checked && bytes.compare(0, magic.size(), kRecoveryMagicV1) != 0)
        return Recovery::Kept;
    const Recovery torn = checked ? Recovery::Unused : Recovery::Kept;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    std::size_t nameLength = 0;
    std::size_t contentSize = 0;
    unsigned long long checksum = 0;
    int consumed = 0;
    // The numbers fill the second line; the name follows on its own, whatever bytes it holds.
    const std::size_t lineEnd = bytes.find('\n', magic.size());
    if (lineEnd == std::string::npos)
        return torn;
    const std::string line = bytes.substr(magic.size(), lineEnd - magic.size());
    const int parsed =
        checked ? std::sscanf(line.c_str(), "%llu %llu %zu %zu %llu%n", &device, &inode, &nameLength,
                              &contentSize, &checksum, &consumed)
                : std::sscanf(line.c_str(), "%llu %llu %zu%n", &device, &inode, &nameLength, &consumed);
    if (parsed != (checked ? 5 : 3) || static_cast<std::size_t>(consumed) != line.size())
        return torn;
    const std::size_t nameAt = lineEnd + 1;
    if (nameAt + nameLength + 1 > bytes.size() || bytes[nameAt + nameLength] != '\n')
        return torn;
    const std::string name = bytes.substr(nameAt, nameLength);
    const std::size_t contentAt = nameAt + nameLength + 1;
    const std::size_t size = bytes.size() - contentAt;
    if (checked && (size != contentSize || RecoveryChecksum(bytes.data() + contentAt, size) != checksum))
        return Recovery::Unused;
    FileStatus status = FileStatus::Ok;
    bool viaLink = false;
    int page = OpenInFolder(folderFd, name, O_RDWR, status, viaLink);
    if (page < 0)
        return Recovery::Kept;
    struct stat pageInfo;
    bool ok = ::fstat(page, &pageInfo) == 0 && pageInfo.st_dev == device && pageInfo.st_ino == inode;
    ok = ok && WriteAll(page, bytes.data() + contentAt, size, 0) &&
         ::ftruncate(page, static_cast<off_t>(size)) == 0 && ::fsync(page) == 0;
    ::close(page);
    return ok ? Recovery::Restored : Recovery::Kept;
}

} // namespace

std::optional<std::pair<unsigned long long, unsigned long long>> FileKey(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return std::make_pair<unsigned long long, unsigned long long>(info.st_dev, info.st_ino);
}

std::size_t FreeDescriptors()
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::size_t(-1) / 2;
    std::size_t open = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(dir))
            open += entry->d_name[0] != '.';
        ::closedir(dir);
        --open; // the listing's own
    }
    return limit.rlim_cur > open ? std::size_t(limit.rlim_cur - open) : 0;
}

int RemoveStaleTemporaries(const std::string& folder)
{
    FileStatus status = FileStatus::Ok;
    const int folderFd = OpenPageFolder(folder, status);
    if (folderFd < 0)
        return 0;
    const int listFd = ::dup(folderFd);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        ::close(folderFd);
        return 0;
    }
    std::vector<std::string> candidates;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsTemporaryName(entry->d_name))
            candidates.emplace_back(entry->d_name);
    }
    ::closedir(dir);

    int removed = 0;
    for (const std::string& name : candidates) {
        const int fd =
            ::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat info;
        struct stat named;
        // Unlocked means its writer is gone; the name must still be this file when it goes. Only
        // the runner's own: another user's copy would write their bytes into a page.
        const bool stale = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
                           ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                           ::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                           named.st_ino == info.st_ino && named.st_dev == info.st_dev;
        if (stale && (EndsWith(name, kTempSuffix) || Restore(folderFd, fd) != Recovery::Kept) &&
            ::unlinkat(folderFd, name.c_str(), 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::close(folderFd);
    return removed;
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

#else // _WIN32

namespace fs = std::filesystem;

PageFile::~PageFile()
{
    Close();
}

void PageFile::Close()
{
    Discard();
    m_path.clear();
    m_fd = -1;
}

FileStatus PageFile::Open(const std::string& path, std::string& bytes)
{
    Close();
    std::error_code ec;
    const fs::path p = fs::u8path(path);
    if (!fs::exists(p, ec))
        return FileStatus::Missing;
    if (!fs::is_regular_file(p, ec))
        return FileStatus::NotRegular;
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
    m_path = path;
    m_identity.size = static_cast<long long>(bytes.size());
    m_identity.mtimeSec = fs::last_write_time(p, ec).time_since_epoch().count();
    m_fd = 0;
    return FileStatus::Ok;
}

FileStatus PageFile::CheckUnchanged() const
{
    std::error_code ec;
    const fs::path p = fs::u8path(m_path);
    if (!fs::is_regular_file(p, ec) || static_cast<long long>(fs::file_size(p, ec)) != m_identity.size ||
        fs::last_write_time(p, ec).time_since_epoch().count() != m_identity.mtimeSec)
        return FileStatus::Changed;
    return FileStatus::Ok;
}

bool PageFile::CopyIdentity(int) const
{
    return true;
}

FileStatus PageFile::WriteTemporary(const char* data, std::size_t size)
{
    if (m_fd < 0)
        return FileStatus::NothingToSave;
    Discard();
    const FileStatus status = CheckUnchanged();
    if (status != FileStatus::Ok)
        return status;
    m_tempName = (fs::u8path(m_path).parent_path() / ".corvane-000000000000.tmp").string();
    std::ofstream out(m_tempName, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(data, static_cast<std::streamsize>(size)) || !out.flush()) {
        out.close();
        Discard();
        return FileStatus::WriteFailed;
    }
    m_tempFd = 0;
    return FileStatus::Ok;
}

void PageFile::StartWriteback() {}

bool PageFile::SyncFileSystem()
{
    return false;
}

unsigned long long PageFile::TemporaryDevice() const
{
    return 0;
}

FileStatus PageFile::MakeDurable(bool)
{
    return FileStatus::Ok;
}

FileStatus PageFile::ReplaceByTemporary()
{
    std::error_code ec;
    fs::rename(m_tempName, fs::u8path(m_path), ec);
    if (ec) {
        Discard();
        return FileStatus::WriteFailed;
    }
    m_tempFd = -1;
    m_tempName.clear();
    const fs::path p = fs::u8path(m_path);
    m_identity.size = static_cast<long long>(fs::file_size(p, ec));
    m_identity.mtimeSec = fs::last_write_time(p, ec).time_since_epoch().count();
    return FileStatus::Ok;
}

FileStatus PageFile::RewriteInPlace()
{
    return FileStatus::WriteFailed;
}

void PageFile::Discard()
{
    if (m_tempFd >= 0) {
        std::error_code ec;
        fs::remove(m_tempName, ec);
    }
    m_tempFd = -1;
    m_tempName.clear();
}

std::optional<std::pair<unsigned long long, unsigned long long>> FileKey(const std::string&)
{
    return std::nullopt; // pages are put in place one by one there
}

std::size_t FreeDescriptors()
{
    return 1u << 16; // Windows handles have no small per-process limit
}

int RemoveStaleTemporaries(const std::string&)
{
    return 0;
}

void ForgetFolder() {}

int OpenRegular(const std::string&, int, FileStatus& status)
{
    status = FileStatus::ReadFailed;
    return -1;
}

#endif

FileStatus PageFile::Commit()
{
    const FileStatus status = CheckUnchanged();
    if (status != FileStatus::Ok) {
        Discard();
        return status;
    }
    return m_inPlace ? RewriteInPlace() : ReplaceByTemporary();
}

FileStatus PageFile::Save(const char* data, std::size_t size)
{
    FileStatus status = WriteTemporary(data, size);
    if (status == FileStatus::Ok)
        status = MakeDurable();
    if (status == FileStatus::Ok)
        status = Commit();
    Discard();
    return status;
}

} // namespace filestore
