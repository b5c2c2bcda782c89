#pragma once

#include "FileIdentity.h"
#include "FileStatus.h"

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

// File access for the compressor: one page, read whole and replaced safely.
namespace filestore {

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
    // file without write bits is read-only to everyone; a page an interrupted run left half
    // rewritten is Damaged (RecoveryCopyPath says where its old bytes are).
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
    // Puts the new content in place. A page rewritten in place that someone edited meanwhile is
    // left as it then is and fails as Changed; its old bytes are kept aside (RecoveryCopyPath).
    [[nodiscard]] FileStatus Commit();
    // Removes the temporary file, if any; the page stays as it is.
    void Discard();

    // All steps at once.
    [[nodiscard]] FileStatus Save(const char* data, std::size_t size);

    void Close();
    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    [[nodiscard]] const std::string& Path() const { return m_path; }
    [[nodiscard]] bool RewritesInPlace() const { return m_inPlace; }
    // Where the page's earlier bytes are when Open found it Damaged or Commit found it Changed
    // while rewriting it in place; empty otherwise.
    [[nodiscard]] const std::string& RecoveryCopyPath() const { return m_recoveryCopy; }
    // Tests: called right after the new bytes are written in place, before they are checked.
    void SetInPlaceWriteHook(std::function<void()> hook) { m_inPlaceWritten = std::move(hook); }
    // Device and inode of the page as read.
    [[nodiscard]] std::pair<unsigned long long, unsigned long long> Key() const
    {
        return {m_identity.device, m_identity.inode};
    }

private:
    [[nodiscard]] FileStatus CheckUnchanged(bool ctimeToo = true) const;
    [[nodiscard]] bool CopyIdentity(int to);
    [[nodiscard]] FileStatus ReplaceByTemporary();
    [[nodiscard]] FileStatus RewriteInPlace();

    std::string m_path;
    std::string m_folder; // as given, for messages
    std::string m_name;   // last part of the path, inside m_folderFd
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
    bool m_plain = false; // the page has no extended attributes
    std::string m_recoveryCopy;
    std::function<void()> m_inPlaceWritten;
};

// How many more descriptors this process may open now (its limit less those open); a large
// number where the system sets no limit or cannot tell.
[[nodiscard]] std::size_t FreeDescriptors();

} // namespace filestore
