#pragma once

// Character references a page can hold as the characters themselves, for the --best pass.
// Internal to the engine.

#include <cstddef>

namespace charrefs {

// Whether a browser reads the page as UTF-8 from its own bytes: a UTF-8 byte-order mark, or a
// meta element in the first 1024 bytes whose charset (the first one given) is utf-8.
[[nodiscard]] bool DeclaresUtf8(const char* d, std::size_t len) noexcept;

// At the "&" of d[at], in text of a UTF-8 page: when a reference ending in ";" stands there whose
// character reads the same written out, its length, with the character's UTF-8 bytes in `out`
// (`outLength` of them, always fewer than the reference's). 0 when it stays. Characters that could
// start markup or another reference with what follows ("<", "&") are written out only before a
// byte that cannot; letters, digits, "#", ";", white space and controls always stay references.
[[nodiscard]] std::size_t ShorterReference(const char* d, std::size_t at, std::size_t len, char out[4],
                                           std::size_t& outLength) noexcept;

} // namespace charrefs
