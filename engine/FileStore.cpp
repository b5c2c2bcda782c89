#include "FileStore.h"

#include "OwnFiles.h"
#include "PosixIo.h"
#include "RecoveryCopy.h"
#include "SafeOpen.h"
#include "SpareFiles.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace filestore {

namespace {

bool InGroup(gid_t group)
{
    if (group == ::getegid())
        return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? std::size_t(count) : 0);
    const int n = count > 0 ? ::getgroups(count, groups.data()) : 0;
    for (int i = 0; i < n; ++i) {
        if (groups[std::size_t(i)] == group)
            return true;
    }
    return false;
}

// Writing to a file clears its set-id bits for most runners; only the owner may set them again,
// and the set-group-id bit only while in the file's group. The superuser keeps them throughout.
bool CanRestoreSetIdBits(const Identity& page)
{
    if ((page.mode & 06000) == 0 || ::geteuid() == 0)
        return true;
    return page.uid == ::geteuid() && (!(page.mode & 02000) || InGroup(page.gid));
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
    m_recoveryCopy.clear();
    SplitPath(path, m_folder, m_name);
    const OpenResult folder = OpenPageFolder(m_folder);
    m_folderFd = folder.fd;
    FileStatus status = folder.status;
    if (m_folderFd >= 0) {
        const OpenResult page = OpenInFolder(m_folderFd, m_name, O_RDWR);
        m_fd = page.fd;
        m_viaLink = page.viaLink;
        status = page.status;
    }
    if (m_fd >= 0)
        status = CheckPageMark(m_fd, m_recoveryCopy);
    struct stat info;
    if (status == FileStatus::Ok && ::fstat(m_fd, &info) != 0)
        status = FileStatus::ReadFailed;
    else if (status == FileStatus::Ok && !HasWriteBits(info))
        status = FileStatus::NotWritable; // read-only, whoever runs
    if (status == FileStatus::Ok) {
        m_identity = IdentityOf(info);
        status = ReadWhole(m_fd, bytes);
        // What was read must be what the identity describes.
        Identity now;
        if (status == FileStatus::Ok && (!IdentityOfFd(m_fd, now) || !now.SameContent(m_identity)))
            status = FileStatus::Changed;
    }
    if (status != FileStatus::Ok) {
        const std::string copy = std::move(m_recoveryCopy);
        Close();
        m_recoveryCopy = status == FileStatus::Damaged ? copy : std::string();
        return status;
    }
    m_path = path;
    return FileStatus::Ok;
}

FileStatus PageFile::CheckUnchanged(bool ctimeToo) const
{
    struct stat now;
    if (::fstat(m_fd, &now) != 0)
        return FileStatus::WriteFailed;
    if (!HasWriteBits(now))
        return FileStatus::NotWritable;
    if (!IdentityOf(now).SameContent(m_identity, ctimeToo) || now.st_nlink == 0)
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

bool PageFile::CopyIdentity(int to)
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
    m_plain = wanted.empty();
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
    // A spare file of an earlier page first; a new one when there is none or it cannot carry
    // the page's identity.
    for (const bool spare : {true, false}) {
        long long held = 0;
        m_tempFd = spare ? TakeSpareFile(m_folderFd, m_identity.device, m_tempName, held) : -1;
        if (spare && m_tempFd < 0)
            continue;
        if (!spare && (m_tempFd = CreateOwnFile(m_folderFd, m_tempName)) < 0)
            return WriteError(errno);
        // Written over what a spare holds, then cut to length (which also dates an empty page).
        if (!WriteAll(m_tempFd, data, size, 0) || ((held > (long long)size || size == 0) && ::ftruncate(m_tempFd, off_t(size)) != 0)) {
            const int error = errno;
            Discard();
            return WriteError(error);
        }
        if (CopyIdentity(m_tempFd))
            return FileStatus::Ok;
        Discard();
    }
    m_inPlace = true;
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
    if (!WaitForDisk(m_tempFd, fileSystemSynced)) {
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
    // Swapped rather than renamed over while the run keeps spares: the old file then stays at the
    // temporary's name, to be reused.
    const bool swapped = WantsSpares() && ::renameat2(m_folderFd, m_tempName.c_str(), m_folderFd, m_name.c_str(),
                                                      RENAME_EXCHANGE) == 0;
    if (!swapped && ::renameat(m_folderFd, m_tempName.c_str(), m_folderFd, m_name.c_str()) != 0) {
        Discard();
        return FileStatus::WriteFailed;
    }
    // The new file is the page now; a second save goes through it. The folder is not synced:
    // after a crash the name holds either the old or the new complete content, and a sync per
    // file would cost more than the compression itself.
    if (swapped)
        RetireFile(m_folderFd, m_tempName, m_fd, m_plain);
    CloseFd(m_fd);
    m_fd = m_tempFd;
    m_tempFd = -1;
    m_tempName.clear();
    (void)IdentityOfFd(m_fd, m_identity);
    return FileStatus::Ok;
}

FileStatus PageFile::RewriteInPlace()
{
    if (!CanRestoreSetIdBits(m_identity))
        return FileStatus::SetIdNotKept;
    // The old bytes go to a recovery copy first, made durable before the page is touched, so a
    // crash at any moment leaves a page a later run can tell and put right.
    const std::size_t oldSize = static_cast<std::size_t>(m_identity.size);
    const std::string_view fresh(m_data, m_size);
    std::string old;
    if (!ResizeTo(old, oldSize))
        return FileStatus::OutOfMemory;
    if (!ReadAll(m_fd, old.data(), oldSize, 0))
        return FileStatus::ReadFailed;
    RecoveryCopy copy;
    const std::string folderPath = PathOfFd(m_folderFd);
    FileStatus status =
        copy.Make(m_folderFd, folderPath.empty() ? m_folder : folderPath, m_fd, m_identity, m_name, old, fresh);
    if (status != FileStatus::Ok)
        return status;
    // Checked once more right before the page is touched; the mark changed only its ctime.
    status = CheckUnchanged(false);
    if (status != FileStatus::Ok) {
        copy.Drop(m_fd);
        return status;
    }
    if (!WriteAll(m_fd, m_data, m_size, 0)) {
        const int error = errno;
        // Put the old bytes back; if even that fails the recovery copy stays for a later run.
        if (WriteAll(m_fd, old.data(), old.size(), 0) && ::ftruncate(m_fd, off_t(oldSize)) == 0 &&
            ::fsync(m_fd) == 0)
            copy.Drop(m_fd);
        else
            copy.Leave();
        return WriteError(error);
    }
    if (m_inPlaceWritten)
        m_inPlaceWritten();
    // Someone writing the page meanwhile changed its size or bytes we did not write; then neither
    // version may be lost: the page stays as it is and its old bytes are kept aside.
    const auto sizeIs = [this](std::size_t size) {
        struct stat now;
        return ::fstat(m_fd, &now) == 0 && std::size_t(now.st_size) == size && now.st_nlink > 0;
    };
    const bool tailKept = sizeIs(oldSize) && HoldsAt(m_fd, std::string_view(old).substr(m_size), off_t(m_size));
    if (!tailKept || !sizeIs(oldSize)) {
        m_recoveryCopy = copy.SetAside(m_fd, old);
        return FileStatus::Changed;
    }
    if (::ftruncate(m_fd, off_t(m_size)) != 0 || ::fsync(m_fd) != 0) {
        const int error = errno;
        copy.Leave(); // the page holds the new bytes and perhaps the old tail: a torn state to put right
        return WriteError(error);
    }
    if (!sizeIs(m_size) || !HoldsAt(m_fd, fresh, 0)) {
        m_recoveryCopy = copy.SetAside(m_fd, old);
        return FileStatus::Changed;
    }
    struct stat info;
    if (::fstat(m_fd, &info) == 0 && (info.st_mode & 07777) != m_identity.mode)
        (void)::fchmod(m_fd, m_identity.mode);
    copy.Drop(m_fd);
    (void)IdentityOfFd(m_fd, m_identity);
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

} // namespace filestore
