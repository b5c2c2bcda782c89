#include "FileStore.h"

// The steps of a save in their order, the same on every system.
namespace filestore {

FileStatus PageFile::Commit()
{
    m_recoveryCopy.clear();
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
