#pragma once

#include <string>

// The files of pages a run has replaced, kept to become its next temporaries. A run that makes a
// new file for every page and frees the old one makes the file system hunt for a fresh inode among
// thousands just freed, which costs more than reading, compressing and writing the page. Swapped
// out of its name instead, the old file is reused when the file system allows it: it has no other
// name, no extended attributes, an owner the runner may set, and no one else holds it open (no
// reader of the old page ever sees its bytes change). A spare lies in the folder of its page under
// a temporary name, locked like any temporary; a run that dies leaves spares that the next run
// removes with the other temporaries.
namespace filestore {

// Spares are kept only while a scope is open, and all go when it closes, so that a finished run
// leaves no hidden file behind. One scope at a time; any thread may retire and take spares.
class SpareFileScope
{
public:
    SpareFileScope();
    ~SpareFileScope();
    SpareFileScope(const SpareFileScope&) = delete;
    SpareFileScope& operator=(const SpareFileScope&) = delete;
};

// Whether a replaced page should be swapped out of its name (for RetireFile) rather than
// renamed over: a scope is open and has room.
[[nodiscard]] bool WantsSpares();

// Takes the file open as `fd` and found at `name` in the folder (swapped out of its page's name):
// keeps it as a spare when it is fit to be reused, removes the name otherwise. `plain` says
// the page had no extended attributes. `fd` is -1 afterwards.
void RetireFile(int folderFd, const std::string& name, int& fd, bool plain);

// A spare of the same file system moved into the folder under a fresh temporary name, with
// mode 0600 and locked, like a file CreateOwnFile makes; `size` is what it holds now (the
// caller writes over it and cuts it to length). -1 when there is none to be had.
[[nodiscard]] int TakeSpareFile(int folderFd, unsigned long long device, std::string& name, long long& size);

} // namespace filestore
