#pragma once

#include "FileStatus.h"
#include "FileStore.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace filestore {

// How one page of a batch ended, and where its earlier bytes are when a page rewritten in place
// was edited meanwhile (see PageFile::Commit).
struct PageResult
{
    FileStatus status = FileStatus::Ok;
    std::string recoveryCopy;
};

// A page whose new content is already written beside it, on its way into a batch. Pages may be
// staged on several threads at once and added to the batch on one.
struct StagedPage
{
    std::unique_ptr<PageFile> page;
    std::unique_ptr<std::string> bytes; // kept only for a page rewritten in place: its commit writes them
    std::size_t size = 0;               // of the new content
};

// How many files a batch may hold at once with `each` descriptors apiece and room left for the
// rest of the program and for `heldElsewhere` files open besides: at most `wanted`, at least one.
[[nodiscard]] std::size_t BatchCapacity(std::size_t wanted, std::size_t each, std::size_t heldElsewhere = 0);

// Pages saved together, so that a whole site waits for the disk a few times instead of once per
// page. Each page's new content goes to its temporary file when it is added; Flush makes the
// whole batch durable with as few waits as the system allows and then puts every page in place,
// in the order added, each behind the same checks as a single save (still the same unchanged
// file, identity kept, links rewritten in place behind a recovery copy). A page that fails at
// any step fails alone, with its reason. A crash leaves each page old or new, and at most one
// batch of temporary files, which the next run removes.
class PageBatch
{
public:
    static constexpr std::size_t DefaultBytes = 32u << 20;
    static constexpr std::size_t DefaultPages = 256;

    // Full() once the batch holds maxPages pages or maxBytes bytes of new content. Fewer pages
    // when the descriptors the process may still open would not carry maxPages open pages
    // besides `heldElsewhere` pages staged but not yet added (by the threads of a run).
    explicit PageBatch(std::size_t maxBytes = DefaultBytes, std::size_t maxPages = DefaultPages,
                       std::size_t heldElsewhere = 0);

    // How many pages may be open at once, staged and batched together, within the descriptors
    // the process may still open.
    [[nodiscard]] static std::size_t PagesOpenAtMost();
    ~PageBatch(); // discards what was not flushed: the pages stay as they are
    PageBatch(const PageBatch&) = delete;
    PageBatch& operator=(const PageBatch&) = delete;

    // Takes an opened page and its new content and writes the content beside it. The page gets
    // the next index (0, 1, ... since the last Flush); its result comes from Flush. Returns the
    // early result: anything but Ok means the page has failed already and is left alone.
    FileStatus Add(std::unique_ptr<PageFile> page, std::string&& bytes);
    // The same in two steps: Stage writes the content beside the page (any thread, no batch
    // needed), Add then takes the staged page.
    [[nodiscard]] static FileStatus Stage(std::unique_ptr<PageFile> page, std::string&& bytes, StagedPage& staged);
    void Add(StagedPage&& staged);

    // Whether a page waiting here is the file at `path` (by another name, too: a hard link or a
    // symbolic link). Such a page must be flushed before the file is read again.
    [[nodiscard]] bool Holds(const std::string& path) const;

    // Makes every written page durable, then commits each; one result per page added since the
    // last Flush, in the order added. The batch is empty afterwards.
    [[nodiscard]] std::vector<PageResult> Flush();

    [[nodiscard]] bool Full() const { return m_items.size() >= m_maxPages || m_bytes >= m_maxBytes; }
    [[nodiscard]] bool IsEmpty() const { return m_items.empty(); }
    [[nodiscard]] std::size_t Size() const { return m_items.size(); }
    [[nodiscard]] std::size_t MaxPages() const { return m_maxPages; }

private:
    struct Item
    {
        StagedPage staged;
        FileStatus status;
    };

    std::vector<Item> m_items;
    std::size_t m_bytes = 0;
    std::size_t m_maxBytes;
    std::size_t m_maxPages;
};

} // namespace filestore
