#pragma once

// Which tags a browser lays out as blocks, so that a line break or a space beside them is never
// seen. Internal to the engine.

#include <cstddef>

namespace blocktags {

// Whether the bytes at `lt` (a "<", `avail` bytes left) begin a tag whose name, read past one "/"
// as ASCII letters and digits and compared without regard to case, is a block tag's.
[[nodiscard]] bool StartsBlockTag(const char* lt, std::size_t avail);

} // namespace blocktags
