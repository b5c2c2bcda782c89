#include "DeadRuns.h"

#include "OwnFiles.h"
#include "PosixIo.h"
#include "RecoveryCopy.h"
#include "SafeOpen.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace filestore {

namespace {

class FolderRecovery
{
public:
    FolderRecovery(int folderFd, const std::string& folder, DeadRunReport& report)
        : m_folderFd(folderFd), m_folder(folder), m_report(report)
    {
    }

    void Take(const std::string& name, OwnFileKind kind);

private:
    void RecoverOwn(const std::string& name, int copyFd);
    void JudgeForeign(const std::string& name, int copyFd);
    void Find(DeadRunFinding::Kind kind, const std::string& copyName, const RecoveryRecord* record)
    {
        m_report.findings.push_back(
            {kind, m_folder + '/' + copyName, record && !record->name.empty() ? m_folder + '/' + record->name : ""});
        if (record && record->inode != 0)
            m_report.damagedPages.emplace_back(record->device, record->inode);
    }

    int m_folderFd;
    const std::string& m_folder;
    DeadRunReport& m_report;
};

void FolderRecovery::Take(const std::string& name, OwnFileKind kind)
{
    const int fd = ::openat(m_folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (kind == OwnFileKind::Recovery && errno == EACCES)
            Find(DeadRunFinding::Foreign, name, nullptr); // another user's, and we may not even read it
        return;
    }
    struct stat info;
    struct stat named;
    // Unlocked means its writer is gone; the name must still be this file when it goes.
    const bool dead = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                      ::fstatat(m_folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                      named.st_ino == info.st_ino && named.st_dev == info.st_dev;
    if (dead && info.st_uid != ::geteuid()) {
        if (kind == OwnFileKind::Recovery)
            JudgeForeign(name, fd);
    } else if (dead && kind == OwnFileKind::Temporary) {
        m_report.removed += ::unlinkat(m_folderFd, name.c_str(), 0) == 0;
    } else if (dead) {
        RecoverOwn(name, fd);
    }
    ::close(fd);
}

void FolderRecovery::RecoverOwn(const std::string& name, int copyFd)
{
    std::string bytes;
    RecoveryRecord record;
    if (ReadWhole(copyFd, bytes) != FileStatus::Ok) {
        Find(DeadRunFinding::Damaged, name, nullptr);
        return;
    }
    switch (ParseRecoveryCopy(bytes, record)) {
    case CopyCondition::UnknownFormat:
        Find(DeadRunFinding::UnknownFormat, name, nullptr);
        return;
    case CopyCondition::Damaged:
        Find(DeadRunFinding::Damaged, name, &record);
        return;
    case CopyCondition::Whole:
        break;
    }
    int page = OpenInFolder(m_folderFd, record.name, O_RDWR).fd;
    struct stat info;
    if (page >= 0 && ::fstat(page, &info) == 0 && (info.st_dev != record.device || info.st_ino != record.inode)) {
        // The name leads to another file now: an editor saved the page since. The old one may live
        // on under other names; its mark then points the user to the bytes kept aside.
        CloseFd(page);
        const std::string kept = KeepAside(m_folderFd, m_folder, name, record.oldContent);
        m_report.findings.push_back({DeadRunFinding::KeptAside, kept, m_folder + '/' + record.name});
        m_report.damagedPages.emplace_back(record.device, record.inode);
        return;
    }
    std::string content;
    if (page < 0 || ReadWhole(page, content) != FileStatus::Ok) {
        CloseFd(page);
        Find(DeadRunFinding::Unmatched, name, &record);
        return;
    }
    switch (JudgePage(content, record)) {
    case PageState::Untouched:
    case PageState::Finished:
        break;
    case PageState::Torn:
        if (!WriteAll(page, record.oldContent.data(), record.oldContent.size(), 0) ||
            ::ftruncate(page, off_t(record.oldContent.size())) != 0 || ::fsync(page) != 0) {
            CloseFd(page);
            Find(DeadRunFinding::NotRestored, name, &record);
            return;
        }
        // Writing may have cleared set-id bits; the run that died made sure it could restore them.
        if (::fstat(page, &info) == 0 && (info.st_mode & 07777) != record.mode)
            (void)::fchmod(page, record.mode);
        break;
    case PageState::WrittenSince: {
        const std::string kept = KeepAside(m_folderFd, m_folder, name, record.oldContent);
        UnmarkPage(page, name);
        CloseFd(page);
        m_report.findings.push_back({DeadRunFinding::KeptAside, kept, m_folder + '/' + record.name});
        return;
    }
    }
    UnmarkPage(page, name);
    CloseFd(page);
    m_report.removed += ::unlinkat(m_folderFd, name.c_str(), 0) == 0;
}

void FolderRecovery::JudgeForeign(const std::string& name, int copyFd)
{
    // Never applied: a copy planted by another user would write their bytes into a page. Its page
    // is only kept from being compressed while it is torn.
    std::string bytes;
    RecoveryRecord record;
    if (ReadWhole(copyFd, bytes) != FileStatus::Ok || ParseRecoveryCopy(bytes, record) != CopyCondition::Whole) {
        Find(DeadRunFinding::Foreign, name, &record);
        return;
    }
    int page = OpenInFolder(m_folderFd, record.name, O_RDONLY).fd;
    struct stat info;
    std::string content;
    if (page >= 0 && ::fstat(page, &info) == 0 && info.st_dev == record.device && info.st_ino == record.inode &&
        ReadWhole(page, content) == FileStatus::Ok && JudgePage(content, record) == PageState::Torn)
        Find(DeadRunFinding::Foreign, name, &record);
    CloseFd(page);
}

// The temporaries and recovery copies in an open folder (only the first when `firstOnly`); false
// when it cannot be listed.
bool ListLeftovers(int folderFd, bool firstOnly, std::vector<std::pair<std::string, OwnFileKind>>& found)
{
    const int listFd = ::dup(folderFd);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return false;
    }
    ::rewinddir(dir); // the descriptor shares its place with the folder kept open for pages
    while (const dirent* entry = ::readdir(dir)) {
        const OwnFileKind kind = KindOfName(entry->d_name);
        if (kind == OwnFileKind::Temporary || kind == OwnFileKind::Recovery) {
            found.emplace_back(entry->d_name, kind);
            if (firstOnly)
                break;
        }
    }
    ::closedir(dir);
    return true;
}

} // namespace

bool HoldsLeftovers(int folderFd)
{
    std::vector<std::pair<std::string, OwnFileKind>> found;
    return !ListLeftovers(folderFd, true, found) || !found.empty();
}

DeadRunReport RecoverDeadRuns(const std::string& folder)
{
    DeadRunReport report;
    const int folderFd = OpenPageFolder(folder).fd;
    if (folderFd < 0)
        return report;
    std::vector<std::pair<std::string, OwnFileKind>> candidates;
    if (!ListLeftovers(folderFd, false, candidates)) {
        ::close(folderFd);
        return report;
    }
    FolderRecovery recovery(folderFd, folder, report);
    for (const auto& [name, kind] : candidates)
        recovery.Take(name, kind);
    ::close(folderFd);
    return report;
}

} // namespace filestore
