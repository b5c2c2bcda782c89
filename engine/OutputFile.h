#pragma once

#include "FileStatus.h"

#include <cstddef>
#include <string>
#include <utility>

namespace filestore {

// What an output takes over from its source, so that tools comparing times and modes (rsync,
// make) see exactly what changed.
struct Stamp
{
    unsigned mode = 0644; // permission bits, set-id and sticky bits included
    long long mtimeSec = 0;
    long long mtimeNsec = 0;
};

// Device and inode of a file a commit must never replace: the output's own source.
using FileKeyPair = std::pair<unsigned long long, unsigned long long>;

// One file of an output tree. It is written whole to a temporary file in its folder and takes
// its name only at Commit, so a reader or a crash finds the old file or the new one, never a
// part. The steps mirror a page's save: Create, Write or CopyFrom, Finish, MakeDurable, Commit.
class OutputFile
{
public:
    OutputFile() = default;
    ~OutputFile(); // a temporary not committed goes
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Makes the temporary in the folder (the descriptor is duplicated) for the output `name`.
    [[nodiscard]] FileStatus Create(int folderFd, const std::string& name);
    [[nodiscard]] FileStatus Write(const char* data, std::size_t size);
    // The whole of an open file, in the kernel where it can, in slices otherwise.
    [[nodiscard]] FileStatus CopyFrom(int sourceFd);
    // Gives the temporary the source's mode and time, then starts its write to the disk without
    // waiting, so that a later MakeDurable of many outputs waits for all of them at once.
    [[nodiscard]] FileStatus Finish(const Stamp& stamp);

    // One wait for many outputs: flushes the file system of the temporary (see PageFile).
    [[nodiscard]] bool SyncFileSystem();
    [[nodiscard]] unsigned long long Device() const { return m_device; }
    [[nodiscard]] FileStatus MakeDurable(bool fileSystemSynced);
    // Renames the temporary over the name, unless a folder or the file `source` holds it.
    [[nodiscard]] FileStatus Commit(FileKeyPair source);
    void Discard();

    [[nodiscard]] std::size_t Size() const { return m_size; }

private:
    int m_folderFd = -1;
    int m_fd = -1;
    std::string m_name;
    std::string m_tempName;
    std::size_t m_size = 0;
    unsigned long long m_device = 0;
};

// Makes `name` in the folder a symbolic link to `target` with the source link's time, replacing
// whatever file or link held the name in one step (never a folder, never `source`).
[[nodiscard]] FileStatus PlaceLink(int folderFd, const std::string& name, const std::string& target,
                                   const Stamp& stamp, FileKeyPair source);

} // namespace filestore
