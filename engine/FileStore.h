#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

enum class FileStatus;

// File access for the compressor, also used for the program's own settings and log files.
namespace filestore {

// What a page looked like when it was read: the same file, unchanged, is the only one a save
// may replace.
struct Identity
{
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long mtimeSec = 0;
    long long mtimeNsec = 0;
    long long ctimeSec = 0;
    long long ctimeNsec = 0;
    unsigned mode = 0;
    unsigned uid = 0;
    unsigned gid = 0;
    unsigned long links = 0;

    [[nodiscard]] bool SameContent(const Identity& other) const;
};

// One page, opened once when it is read and replaced through that opening. Saving is a row of
// steps a caller may also drive one by one: WriteTemporary, MakeDurable, Commit (which verifies
// the name still leads to the same unchanged file, then renames, or rewrites in place behind a
// recovery copy when a new file could not carry the page's identity).
class PageFile
{
public:
    PageFile() = default;
    ~PageFile();
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    // Opens the page and reads it whole into `bytes`. A symbolic link is followed only when its
    // owner is the runner or also owns the target; pipes, devices and folders are refused; a
    // file without write bits is read-only to everyone.
    [[nodiscard]] FileStatus Open(const std::string& path, std::string& bytes);

    // `data` must stay valid until Commit when the page is rewritten in place (RewritesInPlace).
    [[nodiscard]] FileStatus WriteTemporary(const char* data, std::size_t size);
    // Starts writing the temporary to the disk without waiting, so that a later MakeDurable of
    // many pages waits for all of them at once.
    void StartWriteback();
    // Waits until the temporary is on the disk. After a successful SyncFileSystem of its file
    // system it only checks that its own writes did not fail, without a wait for the disk each.
    [[nodiscard]] FileStatus MakeDurable(bool fileSystemSynced = false);
    // One wait for many pages: flushes the whole file system that holds the temporary. False
    // when that is not possible or failed; each page's MakeDurable then flushes it alone and
    // says which page failed. TemporaryDevice tells pages on one file system apart.
    [[nodiscard]] bool SyncFileSystem();
    [[nodiscard]] unsigned long long TemporaryDevice() const;
    [[nodiscard]] FileStatus Commit();
    // Removes the temporary file, if any; the page stays as it is.
    void Discard();

    // All steps at once.
    [[nodiscard]] FileStatus Save(const char* data, std::size_t size);

    void Close();
    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    [[nodiscard]] const std::string& Path() const { return m_path; }
    [[nodiscard]] bool RewritesInPlace() const { return m_inPlace; }
    // Device and inode of the page as read.
    [[nodiscard]] std::pair<unsigned long long, unsigned long long> Key() const
    {
        return {m_identity.device, m_identity.inode};
    }

private:
    [[nodiscard]] FileStatus CheckUnchanged() const;
    [[nodiscard]] bool CopyIdentity(int to) const;
    [[nodiscard]] FileStatus ReplaceByTemporary();
    [[nodiscard]] FileStatus RewriteInPlace();

    std::string m_path;
    std::string m_name; // last part of the path, inside m_folderFd
    int m_folderFd = -1;
    int m_fd = -1;
    bool m_viaLink = false;
    Identity m_identity;
    // The step in hand.
    int m_tempFd = -1;
    std::string m_tempName;
    const char* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_inPlace = false;
};

// Device and inode of the file a path leads to (links followed); none when it cannot be found.
[[nodiscard]] std::optional<std::pair<unsigned long long, unsigned long long>> FileKey(const std::string& path);

// How many more descriptors this process may open now (its limit less those open); a large
// number where the system sets no limit or cannot tell.
[[nodiscard]] std::size_t FreeDescriptors();

// Removes what runs that died left in the folder: their temporary files, and their recovery
// copies after putting the old bytes back into a page that may have been half rewritten. Files
// a live run still holds locked, and any file not named like ours, are left alone. Returns how
// many were cleaned up.
int RemoveStaleTemporaries(const std::string& folder);

// Lets go of the folder kept open on this thread for the next page of the same folder, so that
// nothing of a finished run holds its file system busy.
void ForgetFolder();

// True for names our temporary and recovery files have.
[[nodiscard]] bool IsTemporaryName(const std::string& name);

// Opens a program file (settings, log) with the page rules: regular files only, never blocking
// on a pipe, a symbolic link only when its owner is the runner or owns the target too, and a
// file without write bits is refused for writing whoever runs. `flags` are open(2) flags; with
// O_CREAT a missing file is created (0666 less the umask). Returns the descriptor, or -1 with
// `status` set and errno saying why.
[[nodiscard]] int OpenRegular(const std::string& path, int flags, FileStatus& status);

} // namespace filestore
