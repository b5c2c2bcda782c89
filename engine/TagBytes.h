#pragma once

// The bytes a tag tokenizer looks for, shared by its byte-wise states and its reading of text
// 64 bytes at a time. Internal to the engine.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace blocktags::tagbytes {

// Start tags after which only the element's own closing tag is markup: their text first, then
// script, whose escapes differ, then plaintext, which nothing closes. Noscript is not among them:
// a browser without scripts shows its contents as markup, and one with scripts shows nothing of
// them, so they are read as markup, quoted values and all.
constexpr std::string_view kRawNames[] = {"title",    "textarea", "style",  "xmp",
                                          "iframe",   "noembed",  "noframes", "script", "plaintext"};
constexpr std::uint8_t kScript = 7;
constexpr std::uint8_t kPlainText = 8;
constexpr std::string_view kScriptName = kRawNames[kScript];

inline bool IsSpace(unsigned char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

inline char Lower(unsigned char c) noexcept
{
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
}

inline std::size_t Next(const char* d, std::size_t from, std::size_t to, char b) noexcept
{
    const void* hit = std::memchr(d + from, b, to - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - d) : to;
}

// What a tag's name tells of its text: no raw text, or not yet known.
constexpr std::uint8_t kNotRaw = 0xFF;
constexpr std::uint8_t kUndecided = 0xFE;

} // namespace blocktags::tagbytes
