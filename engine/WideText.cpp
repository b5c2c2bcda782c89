#include "WideText.h"

#include <algorithm>
#include <cstring>

// Without a byte-order mark such text shows in its NULs: in markup most units are ASCII, whose
// high bytes are NUL, so NULs crowd into the same places of every 4-byte step (two of them for
// UTF-16, two or three for UTF-32). A stray NUL of a byte-wide page is rare, and a run of them
// fills every place alike.
bool IsWideText(std::string_view bytes) noexcept
{
    using namespace std::string_view_literals;
    if (bytes.starts_with("\xFF\xFE"sv) || bytes.starts_with("\xFE\xFF"sv) ||
        bytes.starts_with("\x00\x00\xFE\xFF"sv))
        return true;
    const std::size_t head = std::min<std::size_t>(bytes.size(), 1024);
    if (head == 0 || !std::memchr(bytes.data(), 0, head))
        return false;
    std::size_t nuls[4] = {};
    for (std::size_t i = 0; i < head; ++i)
        nuls[i % 4] += bytes[i] == '\0';
    const std::size_t most = *std::max_element(nuls, nuls + 4);
    const std::size_t least = *std::min_element(nuls, nuls + 4);
    // At least a quarter of one place NUL, and not about as many everywhere.
    return most >= 2 && 4 * most >= head / 4 && 2 * least <= most;
}
