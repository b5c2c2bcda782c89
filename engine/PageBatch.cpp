#include "PageBatch.h"

#include "FileStore.h"
#include "SafeOpen.h"

#include <algorithm>
#include <optional>

namespace filestore {

namespace {

// A page waiting in a batch holds its folder, itself and its temporary file open.
constexpr std::size_t kDescriptorsPerPage = 3;
// Left for the rest of the program (log, settings, the window's own, sources being read).
constexpr std::size_t kDescriptorReserve = 64;

std::size_t FilesOpenAtMost(std::size_t each)
{
    const std::size_t free = FreeDescriptors();
    return free > kDescriptorReserve ? (free - kDescriptorReserve) / each : 0;
}

} // namespace

std::size_t BatchCapacity(std::size_t wanted, std::size_t each, std::size_t heldElsewhere)
{
    const std::size_t carried = FilesOpenAtMost(each);
    return std::max<std::size_t>(1, std::min(wanted, carried > heldElsewhere ? carried - heldElsewhere : 0));
}

std::size_t PageBatch::PagesOpenAtMost()
{
    return FilesOpenAtMost(kDescriptorsPerPage);
}

PageBatch::PageBatch(std::size_t maxBytes, std::size_t maxPages, std::size_t heldElsewhere)
    : m_maxBytes(maxBytes), m_maxPages(BatchCapacity(maxPages, kDescriptorsPerPage, heldElsewhere))
{
#ifdef _WIN32
    m_maxPages = 1; // temporaries there have one name per folder: a page at a time
#endif
}

PageBatch::~PageBatch() = default;

FileStatus PageBatch::Stage(std::unique_ptr<PageFile> page, std::string&& bytes, StagedPage& staged)
{
    // The bytes get a place of their own first: a page rewritten in place keeps pointing at them.
    staged.bytes = std::make_unique<std::string>(std::move(bytes));
    staged.size = staged.bytes->size();
    const FileStatus status = page->WriteTemporary(staged.bytes->data(), staged.size);
    if (status != FileStatus::Ok) {
        staged = {}; // any temporary goes with the page
        return status;
    }
    if (!page->RewritesInPlace()) {
        page->StartWriteback();
        staged.bytes.reset(); // on disk now
    }
    staged.page = std::move(page);
    return status;
}

void PageBatch::Add(StagedPage&& staged)
{
    m_bytes += staged.size;
    m_items.push_back({std::move(staged), FileStatus::Ok});
}

FileStatus PageBatch::Add(std::unique_ptr<PageFile> page, std::string&& bytes)
{
    StagedPage staged;
    const FileStatus status = Stage(std::move(page), std::move(bytes), staged);
    if (status == FileStatus::Ok)
        Add(std::move(staged));
    return status; // a page that failed already has no part in the flush
}

bool PageBatch::Holds(const std::string& path) const
{
    const std::optional<std::pair<unsigned long long, unsigned long long>> file = FileKey(path);
    return file && std::any_of(m_items.begin(), m_items.end(), [&](const Item& item) {
               return item.staged.page->Key() == *file;
           });
}

std::vector<PageResult> PageBatch::Flush()
{
    // A flush per page costs a full wait for the disk each; one flush of each file system the
    // batch wrote to costs one. Pages whose file system could not be flushed as a whole are
    // flushed one by one; either way a failure is told to its own page.
    std::vector<std::pair<unsigned long long, bool>> synced; // device, flushed whole
    for (Item& item : m_items) {
        if (item.status != FileStatus::Ok || item.staged.page->RewritesInPlace())
            continue;
        const unsigned long long device = item.staged.page->TemporaryDevice();
        auto known = std::find_if(synced.begin(), synced.end(), [&](const auto& d) { return d.first == device; });
        if (known == synced.end())
            known = synced.insert(synced.end(), {device, device != 0 && item.staged.page->SyncFileSystem()});
        item.status = item.staged.page->MakeDurable(known->second);
    }
    std::vector<PageResult> results;
    results.reserve(m_items.size());
    for (Item& item : m_items) {
        if (item.status == FileStatus::Ok)
            item.status = item.staged.page->Commit();
        results.push_back({item.status, item.staged.page->RecoveryCopyPath()});
        item.staged = {};
    }
    m_items.clear();
    m_bytes = 0;
    return results;
}

} // namespace filestore
