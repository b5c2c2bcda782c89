#pragma once

#include "FileIdentity.h"
#include "FileStatus.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A page rewritten in place keeps its earlier bytes in a recovery copy beside it until the
// rewrite is whole, and carries a mark (an extended attribute) naming that copy, so that a run
// reaching the page under any name knows it may be half rewritten. The copy records what it
// protects: the page's device and inode, name and mode, its old bytes and size, and the size and
// a checksum of every 4 KiB block of the new content, so that a later run can tell the torn state
// the dying run left from a page written since, which must never be rolled back.
namespace filestore {

// What a recovery copy says.
struct RecoveryRecord
{
    unsigned long long device = 0;
    unsigned long long inode = 0;
    unsigned mode = 0;
    std::string name; // the page's name in the copy's folder
    std::size_t oldSize = 0;
    std::size_t newSize = 0;
    std::vector<std::uint64_t> newBlocks; // checksum of each block of the new content
    std::string_view oldContent;          // inside the bytes parsed
};

enum class CopyCondition
{
    Whole,
    Damaged,       // ours, but cut short or altered: it cannot be trusted (the page may still be named)
    UnknownFormat, // not a recovery copy this program can read
};

// Reads a copy's bytes. The record's page fields are filled as far as the copy could be read.
[[nodiscard]] CopyCondition ParseRecoveryCopy(const std::string& bytes, RecoveryRecord& record);

enum class PageState
{
    Untouched,    // holds the old bytes: the rewrite never began
    Finished,     // holds the new bytes: the rewrite was whole
    Torn,         // old and new blocks, at the old or the new size: what a dying rewrite leaves
    WrittenSince, // anything else: someone wrote the page after the run
};

[[nodiscard]] PageState JudgePage(std::string_view page, const RecoveryRecord& record);

// The mark on a page being rewritten in place: the path of its recovery copy, if any.
[[nodiscard]] bool PageMark(int pageFd, std::string& copyPath);
// Removes the page's mark when it names the copy called `copyName`.
void UnmarkPage(int pageFd, const std::string& copyName);

// Whether a page may be worked on, as far as its mark tells: Ok with no mark (a mark whose copy
// the user has removed is dropped), Changed while a live run rewrites it, Damaged while the copy
// of an interrupted rewrite, or the copy kept aside from it, still exists (`copyPath` says where).
// Without `mayWrite` a stale mark is only passed over: the file is a source that is never written.
[[nodiscard]] FileStatus CheckPageMark(int pageFd, std::string& copyPath, bool mayWrite = true);

// Writes the old bytes into a file of their own beside the copy (".kept"), for the user to
// compare with the page, and removes the recovery copy. Returns the kept file's path, or the
// recovery copy's when that failed (it then stays).
std::string KeepAside(int folderFd, const std::string& folderPath, const std::string& copyName,
                      std::string_view oldContent);

// The recovery copy of one rewrite in hand.
class RecoveryCopy
{
public:
    RecoveryCopy() = default;
    ~RecoveryCopy();
    RecoveryCopy(const RecoveryCopy&) = delete;
    RecoveryCopy& operator=(const RecoveryCopy&) = delete;

    // Writes the copy durably beside the page (it appears under its name only when whole), then
    // marks the page. The page's bytes are not touched.
    [[nodiscard]] FileStatus Make(int folderFd, const std::string& folderPath, int pageFd, const Identity& page,
                                  const std::string& pageName, std::string_view oldContent,
                                  std::string_view newContent);
    // The rewrite is whole, or was undone: the mark and the copy go.
    void Drop(int pageFd);
    // The page could not be put back: the copy stays for a later run.
    void Leave();
    // The page changed while it was rewritten: see KeepAside. Returns the path to report.
    std::string SetAside(int pageFd, std::string_view oldContent);

private:
    int m_folderFd = -1; // not owned
    int m_fd = -1;
    std::string m_folderPath;
    std::string m_name;
};

} // namespace filestore
