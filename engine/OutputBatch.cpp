#include "OutputBatch.h"

#include "PageBatch.h"

#include <algorithm>

namespace filestore {

namespace {

// A waiting output holds its folder and its temporary open.
constexpr std::size_t kDescriptorsPerFile = 2;

} // namespace

OutputBatch::OutputBatch(std::size_t maxBytes, std::size_t maxFiles)
    : m_maxBytes(maxBytes), m_maxFiles(BatchCapacity(maxFiles, kDescriptorsPerFile))
{
}

OutputBatch::~OutputBatch() = default;

void OutputBatch::Add(std::unique_ptr<OutputFile> file, FileKeyPair source)
{
    m_bytes += file->Size();
    m_items.push_back({std::move(file), source});
}

std::vector<FileStatus> OutputBatch::Flush()
{
    std::vector<std::pair<unsigned long long, bool>> synced; // device, flushed whole
    for (Item& item : m_items) {
        const unsigned long long device = item.file->Device();
        auto known = std::find_if(synced.begin(), synced.end(), [&](const auto& d) { return d.first == device; });
        if (known == synced.end())
            known = synced.insert(synced.end(), {device, device != 0 && item.file->SyncFileSystem()});
        item.status = item.file->MakeDurable(known->second);
    }
    std::vector<FileStatus> results;
    results.reserve(m_items.size());
    for (Item& item : m_items)
        results.push_back(item.status == FileStatus::Ok ? item.file->Commit(item.source) : item.status);
    m_items.clear();
    m_bytes = 0;
    return results;
}

} // namespace filestore
