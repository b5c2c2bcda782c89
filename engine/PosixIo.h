#pragma once

#include "FileIdentity.h"
#include "FileStatus.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <utility>
#include <vector>

// The system calls the file store is built on, with their failures told as a FileStatus.
namespace filestore {

// Why opening failed.
[[nodiscard]] FileStatus OpenError(int error);
// Why creating or writing a file failed; a full disk is told apart, as the user can mend it.
[[nodiscard]] FileStatus WriteError(int error);

// A file or folder with no write bit at all is read-only to the user, even to one whose
// privileges would let the system write it anyway.
[[nodiscard]] bool HasWriteBits(const struct stat& info);
[[nodiscard]] Identity IdentityOf(const struct stat& info);
// The identity of an open file; false when it cannot be taken.
[[nodiscard]] bool IdentityOfFd(int fd, Identity& identity);

void CloseFd(int& fd);
[[nodiscard]] bool WriteAll(int fd, const char* data, std::size_t size, off_t offset);
// False on an error, or when the file ends first.
[[nodiscard]] bool ReadAll(int fd, char* data, std::size_t size, off_t offset);
// Whether the file holds exactly `expected` at `offset`, read in slices so that a large page
// needs no second copy in memory.
[[nodiscard]] bool HoldsAt(int fd, std::string_view expected, off_t offset);
// Resizes without throwing: false when memory runs out.
[[nodiscard]] bool ResizeTo(std::string& bytes, std::size_t size);
// Reads a whole open file into `bytes`.
[[nodiscard]] FileStatus ReadWhole(int fd, std::string& bytes);

// Waits until a file's writes are on the disk. After a flush of its whole file system it only
// waits for the outcome of its own writes (which an older system's flush may not have told),
// without another flush. False with errno set.
[[nodiscard]] bool WaitForDisk(int fd, bool fileSystemSynced);

// The folder part ("." for a bare name) and the last part of a path.
void SplitPath(const std::string& path, std::string& folder, std::string& name);
[[nodiscard]] bool SyncFolder(int folderFd);
// The absolute path of an open file or folder, as the system names it; empty when unknown.
[[nodiscard]] std::string PathOfFd(int fd);

// Every extended attribute (ACLs included) as name and value, sorted by name. False when they
// cannot be listed.
[[nodiscard]] bool Attributes(int fd, std::vector<std::pair<std::string, std::string>>& attributes);

} // namespace filestore
