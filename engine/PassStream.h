#pragma once

// What the passes share: the stream they edit the document through, and the texts they all read
// alike. Internal to the engine.

#include "Passes.h"

#include <cstddef>
#include <cstring>
#include <string_view>

namespace passes {

// The document during a pass: bytes before w are final, bytes from r on are still to be read,
// and the document as the written algorithm would see it is d[0, w) followed by d[r, len).
// Removing bytes is moving r ahead; nothing is shifted until it is copied once.
struct Stream
{
    char* d;
    std::size_t len;
    std::size_t r = 0;
    std::size_t w = 0;

    // Keeps the unread bytes [r, upto) unchanged and moves past them.
    void Emit(std::size_t upto) noexcept
    {
        const std::size_t n = upto - r;
        if (w != r)
            std::memmove(d + w, d + r, n);
        w += n;
        r = upto;
    }

    void Finish(TWorkingDocument& doc) noexcept
    {
        Emit(len);
        doc.length = w;
    }

    const char* At() const noexcept { return d + r; }
    std::size_t Left() const noexcept { return len - r; }
};

// The bytes a browser takes for whitespace inside a tag.
inline bool IsHtmlSpace(char b) noexcept
{
    return b == ' ' || b == '\t' || b == '\n' || b == '\f' || b == '\r';
}

// Script elements, which no pass changes inside.
inline constexpr std::string_view kScriptOpening = "<script";
inline constexpr std::string_view kScriptClosing = "</script>";

} // namespace passes
