#include "RecoveryCopy.h"

#include "OwnFiles.h"
#include "PosixIo.h"
#include "SafeOpen.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace filestore {

namespace {

constexpr std::string_view kMagic = "corvane recovery 3\n";
constexpr std::size_t kBlock = 4096;
constexpr char kMarkAttribute[] = "user.corvane.recovery";

// Guards against a copy cut short or altered, not against an adversary. Read in the machine's
// byte order: a copy is read where it was written.
std::uint64_t Checksum(std::string_view bytes)
{
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ bytes.size();
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        h = (h ^ word) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
    }
    for (; i < bytes.size(); ++i)
        h = (h ^ static_cast<unsigned char>(bytes[i])) * 0x100000001B3ull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

std::size_t BlockCount(std::size_t size)
{
    return (size + kBlock - 1) / kBlock;
}

// The numbers line (less its own checksum), the name and the block table: what the header
// checksum covers.
std::string HeaderBody(const std::string& fields, const std::string& name, std::string_view table)
{
    std::string body = fields;
    body += '\n';
    body += name;
    body.append(table.data(), table.size());
    return body;
}

std::string Header(const Identity& page, const std::string& name, std::string_view oldContent,
                   std::string_view newContent)
{
    std::string table;
    table.reserve(BlockCount(newContent.size()) * 8);
    for (std::size_t at = 0; at < newContent.size(); at += kBlock) {
        const std::uint64_t sum = Checksum(newContent.substr(at, kBlock));
        table.append(reinterpret_cast<const char*>(&sum), 8);
    }
    const std::string fields = std::to_string(page.device) + ' ' + std::to_string(page.inode) + ' ' +
                               std::to_string(page.mode) + ' ' + std::to_string(name.size()) + ' ' +
                               std::to_string(oldContent.size()) + ' ' + std::to_string(newContent.size()) + ' ' +
                               std::to_string(Checksum(oldContent));
    return std::string(kMagic) + fields + ' ' + std::to_string(Checksum(HeaderBody(fields, name, table))) + '\n' +
           name + '\n' + table;
}

} // namespace

CopyCondition ParseRecoveryCopy(const std::string& bytes, RecoveryRecord& record)
{
    record = {};
    if (bytes.size() < kMagic.size() && kMagic.starts_with(bytes))
        return CopyCondition::Damaged; // cut short within its first line
    if (bytes.compare(0, kMagic.size(), kMagic) != 0)
        return CopyCondition::UnknownFormat;
    const std::size_t lineEnd = bytes.find('\n', kMagic.size());
    if (lineEnd == std::string::npos)
        return CopyCondition::Damaged;
    const std::string line = bytes.substr(kMagic.size(), lineEnd - kMagic.size());
    unsigned long long nameLength = 0, oldSize = 0, newSize = 0, oldSum = 0, headSum = 0;
    int fieldsEnd = 0;
    int consumed = 0;
    if (std::sscanf(line.c_str(), "%llu %llu %u %llu %llu %llu %llu%n %llu%n", &record.device, &record.inode,
                    &record.mode, &nameLength, &oldSize, &newSize, &oldSum, &fieldsEnd, &headSum, &consumed) != 8 ||
        std::size_t(consumed) != line.size())
        return CopyCondition::Damaged;
    const std::size_t nameAt = lineEnd + 1;
    if (nameLength > bytes.size() - nameAt)
        return CopyCondition::Damaged;
    record.name = bytes.substr(nameAt, nameLength);
    const std::size_t tableAt = nameAt + nameLength + 1;
    const std::size_t blocks = BlockCount(newSize);
    if (tableAt > bytes.size() || bytes[tableAt - 1] != '\n' || newSize > bytes.size() ||
        bytes.size() - tableAt < blocks * 8 || bytes.size() - tableAt - blocks * 8 != oldSize)
        return CopyCondition::Damaged;
    const std::string_view table(bytes.data() + tableAt, blocks * 8);
    record.oldContent = std::string_view(bytes).substr(tableAt + blocks * 8);
    if (Checksum(HeaderBody(line.substr(0, std::size_t(fieldsEnd)), record.name, table)) != headSum ||
        Checksum(record.oldContent) != oldSum)
        return CopyCondition::Damaged;
    record.oldSize = oldSize;
    record.newSize = newSize;
    record.newBlocks.resize(blocks);
    std::memcpy(record.newBlocks.data(), table.data(), table.size());
    return CopyCondition::Whole;
}

PageState JudgePage(std::string_view page, const RecoveryRecord& record)
{
    const std::string_view old = record.oldContent;
    if (page == old)
        return PageState::Untouched;
    const std::size_t size = page.size();
    if (size != record.oldSize && size != record.newSize)
        return PageState::WrittenSince;
    // The rewrite wrote the new bytes from the start, then cut the page to the new size; a run that
    // died on the way left each block old or new.
    bool allNew = size == record.newSize;
    for (std::size_t block = 0; block < record.newBlocks.size(); ++block) {
        const std::size_t at = block * kBlock;
        const std::size_t length = std::min(kBlock, record.newSize - at);
        if (at >= size)
            break;
        const std::string_view part = page.substr(at, length);
        const bool isNew = part.size() == length && Checksum(part) == record.newBlocks[block];
        const bool isOld = at + part.size() <= old.size() && old.substr(at, part.size()) == part;
        if (!isNew && !isOld)
            return PageState::WrittenSince;
        allNew = allNew && isNew;
    }
    if (size > record.newSize && page.substr(record.newSize) != old.substr(std::min(record.newSize, old.size())))
        return PageState::WrittenSince;
    return allNew ? PageState::Finished : PageState::Torn;
}

bool PageMark(int pageFd, std::string& copyPath)
{
    char value[4096];
    const ssize_t n = ::fgetxattr(pageFd, kMarkAttribute, value, sizeof value);
    if (n < 0)
        return errno == ERANGE; // too long to be ours, but a mark all the same
    copyPath.assign(value, std::size_t(n));
    return true;
}

void UnmarkPage(int pageFd, const std::string& copyName)
{
    std::string copyPath;
    std::string folder;
    std::string name;
    if (!PageMark(pageFd, copyPath))
        return;
    SplitPath(copyPath, folder, name);
    if (name == copyName)
        (void)::fremovexattr(pageFd, kMarkAttribute);
}

FileStatus CheckPageMark(int pageFd, std::string& copyPath, bool mayWrite)
{
    if (!PageMark(pageFd, copyPath))
        return FileStatus::Ok;
    std::string folder;
    std::string name;
    SplitPath(copyPath, folder, name);
    if (KindOfName(name) != OwnFileKind::Recovery)
        return FileStatus::Damaged;
    const int folderFd = OpenFolder(folder).fd;
    if (folderFd < 0)
        return FileStatus::Damaged; // the copy cannot be looked at: better safe
    FileStatus result = FileStatus::Damaged;
    const int copy = ::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (copy >= 0) {
        if (::flock(copy, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK)
            result = FileStatus::Changed; // a live run is rewriting it now
        ::close(copy);
    } else if (errno == ENOENT) {
        struct stat kept;
        const std::string keptName = KeptNameOf(name);
        if (::fstatat(folderFd, keptName.c_str(), &kept, AT_SYMLINK_NOFOLLOW) == 0) {
            copyPath = folder + '/' + keptName;
        } else {
            // The user removed the copy: they have seen to the page.
            if (mayWrite)
                (void)::fremovexattr(pageFd, kMarkAttribute);
            result = FileStatus::Ok;
        }
    }
    ::close(folderFd);
    if (result == FileStatus::Ok)
        copyPath.clear();
    return result;
}

std::string KeepAside(int folderFd, const std::string& folderPath, const std::string& copyName,
                      std::string_view oldContent)
{
    std::string temporary;
    std::string kept;
    const int fd = CreateOwnFile(folderFd, temporary);
    bool done = fd >= 0 && WriteAll(fd, oldContent.data(), oldContent.size(), 0) && ::fsync(fd) == 0 &&
                RenameOwnFile(folderFd, temporary, OwnFileKind::Kept, kept);
    if (fd >= 0) {
        if (!done)
            ::unlinkat(folderFd, temporary.c_str(), 0);
        ::close(fd);
    }
    done = done && SyncFolder(folderFd) && ::unlinkat(folderFd, copyName.c_str(), 0) == 0;
    return folderPath + '/' + (done ? kept : copyName);
}

RecoveryCopy::~RecoveryCopy()
{
    CloseFd(m_fd);
}

FileStatus RecoveryCopy::Make(int folderFd, const std::string& folderPath, int pageFd, const Identity& page,
                              const std::string& pageName, std::string_view oldContent, std::string_view newContent)
{
    m_folderFd = folderFd;
    m_folderPath = folderPath;
    std::string temporary;
    m_fd = CreateOwnFile(folderFd, temporary);
    if (m_fd < 0)
        return WriteError(errno);
    const std::string header = Header(page, pageName, oldContent, newContent);
    // Whole and on the disk before it gets its name, so a copy by that name is always one to trust.
    if (!WriteAll(m_fd, header.data(), header.size(), 0) ||
        !WriteAll(m_fd, oldContent.data(), oldContent.size(), off_t(header.size())) || ::fsync(m_fd) != 0 ||
        !RenameOwnFile(folderFd, temporary, OwnFileKind::Recovery, m_name) || !SyncFolder(folderFd)) {
        const int error = errno;
        ::unlinkat(folderFd, temporary.c_str(), 0);
        CloseFd(m_fd);
        return WriteError(error);
    }
    // Where the mark cannot be set (no extended attributes there) the copy still protects the
    // page when a run reaches this folder.
    const std::string copyPath = m_folderPath + '/' + m_name;
    (void)::fsetxattr(pageFd, kMarkAttribute, copyPath.data(), copyPath.size(), 0);
    return FileStatus::Ok;
}

void RecoveryCopy::Drop(int pageFd)
{
    if (m_fd < 0)
        return;
    // The mark first: a copy without a mark is still found and judged in its folder.
    UnmarkPage(pageFd, m_name);
    ::unlinkat(m_folderFd, m_name.c_str(), 0);
    CloseFd(m_fd);
}

void RecoveryCopy::Leave()
{
    CloseFd(m_fd);
}

std::string RecoveryCopy::SetAside(int pageFd, std::string_view oldContent)
{
    const std::string path = KeepAside(m_folderFd, m_folderPath, m_name, oldContent);
    UnmarkPage(pageFd, m_name);
    CloseFd(m_fd);
    return path;
}

} // namespace filestore
