// The page file where there are no POSIX calls: replaced through a temporary of a fixed name,
// one page at a time, without identity keeping or recovery copies.
#include "DeadRuns.h"
#include "FileStore.h"
#include "OwnFiles.h"
#include "SafeOpen.h"
#include "SpareFiles.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace filestore {

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

FileStatus PageFile::CheckUnchanged(bool) const
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

bool IsTemporaryName(const std::string&)
{
    return false;
}

std::size_t FreeDescriptors()
{
    return 1u << 16; // Windows handles have no small per-process limit
}

DeadRunReport RecoverDeadRuns(const std::string&)
{
    return {};
}

void ForgetFolder() {}

OpenResult OpenRegular(const std::string&, int)
{
    return {-1, FileStatus::ReadFailed, 0};
}

// Pages are replaced by a temporary of a fixed name here: there are no spares to keep.
SpareFileScope::SpareFileScope() = default;
SpareFileScope::~SpareFileScope() = default;

bool WantsSpares()
{
    return false;
}

} // namespace filestore
