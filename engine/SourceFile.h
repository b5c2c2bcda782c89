#pragma once

#include "FileStatus.h"

#include <string>
#include <sys/stat.h>

namespace filestore {

// A file a run reads and writes elsewhere: opened for reading only, so that nothing of the run
// can ever change it. Links are followed only as the page rules allow, and only regular files
// open (a pipe would hang the read).
class SourceFile
{
public:
    SourceFile() = default;
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // Damaged when an interrupted in-place rewrite left the file marked as torn.
    [[nodiscard]] FileStatus Open(const std::string& path);
    // The whole file; Changed when it was written while being read.
    [[nodiscard]] FileStatus Read(std::string& bytes);

    // Still the same file, with the size and times it was opened with.
    [[nodiscard]] bool Unchanged() const;

    [[nodiscard]] int Fd() const { return m_fd; }
    // As opened.
    [[nodiscard]] const struct stat& Info() const { return m_info; }

private:
    int m_fd = -1;
    struct stat m_info = {};
};

} // namespace filestore
