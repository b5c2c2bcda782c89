#pragma once

#include "FileStatus.h"

#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>

// Opening files and folders by name without being led astray: one name at a time, a symbolic
// link followed only when its owner is the runner or also owns the target, and every opened file
// checked to be the one looked at. Pages, the settings and the log are all opened this way.
namespace filestore {

// Where `name` in the folder leads (`target`), and whether through a link.
[[nodiscard]] bool LookUp(int folderFd, const char* name, struct stat& target, bool& viaLink, FileStatus& status);

// Opens `name` in the folder: regular files only (never blocking on a pipe), links as LookUp
// allows. Returns the descriptor, or -1 with `status` set.
[[nodiscard]] int OpenInFolder(int folderFd, const std::string& name, int flags, FileStatus& status, bool& viaLink);

// Opens a folder for reading, walking its path one name at a time from "/" or the working folder.
[[nodiscard]] int OpenFolder(const std::string& folder, FileStatus& status);

// The same, served from the folder last opened on this thread while its path still leads to it,
// so that the pages of one folder need not each walk the whole path again.
[[nodiscard]] int OpenPageFolder(const std::string& folder, FileStatus& status);

// Lets go of the folder kept open on this thread for the next page of the same folder, so that
// nothing of a finished run holds its file system busy.
void ForgetFolder();

// Opens a program file (settings, log) with the page rules: regular files only, never blocking
// on a pipe, a symbolic link only when its owner is the runner or owns the target too, and a
// file without write bits is refused for writing whoever runs. `flags` are open(2) flags; with
// O_CREAT a missing file is created (0666 less the umask). Returns the descriptor, or -1 with
// `status` set and errno saying why.
[[nodiscard]] int OpenRegular(const std::string& path, int flags, FileStatus& status);

// Device and inode of the file a path leads to (links followed); none when it cannot be found.
[[nodiscard]] std::optional<std::pair<unsigned long long, unsigned long long>> FileKey(const std::string& path);

} // namespace filestore
