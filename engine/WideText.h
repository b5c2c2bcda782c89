#pragma once

#include <string_view>

// Whether bytes hold text in 16- or 32-bit units (UTF-16, UTF-32), which the passes, working on
// single bytes, would tear apart.
[[nodiscard]] bool IsWideText(std::string_view bytes) noexcept;
