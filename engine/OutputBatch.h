#pragma once

#include "FileStatus.h"
#include "OutputFile.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace filestore {

// Outputs put in place together, as pages are (see PageBatch): each is written and stamped
// beside its name before it is added; Flush makes the whole batch durable with one wait per file
// system, then renames each into place in the order added. An output that fails fails alone.
class OutputBatch
{
public:
    static constexpr std::size_t DefaultBytes = 32u << 20;
    static constexpr std::size_t DefaultFiles = 256;

    // Fewer files when the descriptors the process may still open would not carry them.
    explicit OutputBatch(std::size_t maxBytes = DefaultBytes, std::size_t maxFiles = DefaultFiles);
    ~OutputBatch(); // what was not flushed goes: the names keep what they held
    OutputBatch(const OutputBatch&) = delete;
    OutputBatch& operator=(const OutputBatch&) = delete;

    // A finished output that must not replace `source` (its own source's device and inode).
    void Add(std::unique_ptr<OutputFile> file, FileKeyPair source);

    // One result per output added since the last Flush, in the order added.
    [[nodiscard]] std::vector<FileStatus> Flush();

    [[nodiscard]] bool Full() const { return m_items.size() >= m_maxFiles || m_bytes >= m_maxBytes; }
    [[nodiscard]] bool IsEmpty() const { return m_items.empty(); }
    [[nodiscard]] std::size_t MaxFiles() const { return m_maxFiles; }

private:
    struct Item
    {
        std::unique_ptr<OutputFile> file;
        FileKeyPair source;
        FileStatus status = FileStatus::Ok;
    };

    std::vector<Item> m_items;
    std::size_t m_bytes = 0;
    std::size_t m_maxBytes;
    std::size_t m_maxFiles;
};

} // namespace filestore
