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

// A descriptor opened by name, or why not: on failure `fd` is -1, `status` says why and `error`
// holds the errno of the system call that failed, 0 where the store refused by itself (a foreign
// link, a file swapped while opened, no regular file).
struct [[nodiscard]] OpenResult
{
    int fd = -1;
    FileStatus status = FileStatus::Ok;
    int error = 0;
    bool viaLink = false; // OpenInFolder: the file was reached through a symbolic link
};

// Where `name` in the folder leads (`target`), and whether through a link.
[[nodiscard]] bool LookUp(int folderFd, const char* name, struct stat& target, bool& viaLink, FileStatus& status);

// Opens `name` in the folder: regular files only (never blocking on a pipe), links as LookUp
// allows.
OpenResult OpenInFolder(int folderFd, const std::string& name, int flags);

// Opens a folder for reading, walking its path one name at a time from "/" or the working folder.
OpenResult OpenFolder(const std::string& folder);

// The same, served from the folder last opened on this thread while its path still leads to it,
// so that the pages of one folder need not each walk the whole path again.
OpenResult OpenPageFolder(const std::string& folder);

// Lets go of the folder kept open on this thread for the next page of the same folder, so that
// nothing of a finished run holds its file system busy.
void ForgetFolder();

// Opens a program file (settings, log) with the page rules: regular files only, never blocking
// on a pipe, a symbolic link only when its owner is the runner or owns the target too, and a
// file without write bits is refused for writing whoever runs (with EACCES, as the system refuses
// a user without the privilege). `flags` are open(2) flags; with O_CREAT a missing file is created
// (0666 less the umask).
OpenResult OpenRegular(const std::string& path, int flags);

// Device and inode of the file a path leads to (links followed); none when it cannot be found.
[[nodiscard]] std::optional<std::pair<unsigned long long, unsigned long long>> FileKey(const std::string& path);

} // namespace filestore
