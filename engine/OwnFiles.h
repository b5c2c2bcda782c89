#pragma once

#include <string>
#include <string_view>

// The files a run makes beside a page: temporaries (".tmp"), recovery copies of pages rewritten in
// place (".rec") and copies kept aside for the user (".kept"). Hidden, a fixed length whatever the
// page's name, so they always fit the 255-byte limit, and a pattern no user file is likely to have.
// A live run holds its temporaries and recovery copies locked; a clean-up takes only unlocked ones.
namespace filestore {

enum class OwnFileKind
{
    None,
    Temporary,
    Recovery,
    Kept,
};

[[nodiscard]] OwnFileKind KindOfName(std::string_view name);

// True for the names of temporaries and recovery copies (those a later run cleans up).
[[nodiscard]] bool IsTemporaryName(const std::string& name);

// A fresh random temporary name (for what is not a plain file: a link on its way into place).
// False with errno set.
[[nodiscard]] bool NewTemporaryName(std::string& name);

// A fresh temporary file in the folder, opened for reading and writing and locked. Returns the
// descriptor and its name, or -1 with errno set.
[[nodiscard]] int CreateOwnFile(int folderFd, std::string& name);

// Gives a whole temporary the name of its kind (same random part), never replacing a file; the
// descriptor and its lock stay. False with errno set.
[[nodiscard]] bool RenameOwnFile(int folderFd, const std::string& name, OwnFileKind kind, std::string& renamed);

// The name a recovery copy's content gets when it is kept aside.
[[nodiscard]] std::string KeptNameOf(const std::string& recoveryName);

} // namespace filestore
