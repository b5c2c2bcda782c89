#include "SourceFile.h"

#include "FileIdentity.h"
#include "PosixIo.h"
#include "RecoveryCopy.h"
#include "SafeOpen.h"

#include <fcntl.h>
#include <unistd.h>

namespace filestore {

SourceFile::~SourceFile()
{
    CloseFd(m_fd);
}

FileStatus SourceFile::Open(const std::string& path)
{
    CloseFd(m_fd);
    std::string folder;
    std::string name;
    SplitPath(path, folder, name);
    const OpenResult opened = OpenPageFolder(folder);
    OpenResult file = opened;
    if (opened.fd >= 0) {
        file = OpenInFolder(opened.fd, name, O_RDONLY);
        ::close(opened.fd);
    }
    // Refused for reading is no matter of write bits.
    if (file.fd < 0)
        return file.status == FileStatus::NotWritable ? FileStatus::ReadFailed : file.status;
    m_fd = file.fd;
    std::string copy;
    FileStatus status = CheckPageMark(m_fd, copy, false);
    if (status == FileStatus::Ok && ::fstat(m_fd, &m_info) != 0)
        status = FileStatus::ReadFailed;
    if (status != FileStatus::Ok)
        CloseFd(m_fd);
    return status;
}

FileStatus SourceFile::Read(std::string& bytes)
{
    if (m_fd < 0)
        return FileStatus::ReadFailed;
    const FileStatus status = ReadWhole(m_fd, bytes);
    return status == FileStatus::Ok && !Unchanged() ? FileStatus::Changed : status;
}

bool SourceFile::Unchanged() const
{
    Identity now;
    return m_fd >= 0 && IdentityOfFd(m_fd, now) && now.SameContent(IdentityOf(m_info));
}

} // namespace filestore
