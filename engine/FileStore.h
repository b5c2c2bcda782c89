#pragma once

#include <cstddef>
#include <string>

enum class FileStatus;

// File access for the compressor. Internal to the engine.
namespace filestore {

// Reads the whole file into `bytes`. The file must also be writable, so that a file that could
// never be saved is never compressed.
[[nodiscard]] FileStatus ReadForRewrite(const std::string& path, std::string& bytes);

// Puts `size` bytes in place of the file's content without ever leaving it half-written: a
// temporary file beside it, flushed to disk, renamed over it. Symbolic links are followed and
// stay links; the permission bits stay.
[[nodiscard]] FileStatus Replace(const std::string& path, const char* data, std::size_t size);

} // namespace filestore
