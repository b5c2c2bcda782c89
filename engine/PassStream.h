#pragma once

// What the passes share: the stream they edit the document through, and the texts they all read
// alike. Internal to the engine.

#include "ByteScan.h"
#include "Passes.h"

#include <cstddef>
#include <cstring>
#include <iterator>
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

// Whether a tag's name ends at d[at]: "<scripts>" opens no script, and "</titles>" ends no title.
inline bool NameEndsAt(const char* d, std::size_t at, std::size_t len) noexcept
{
    return at == len || IsHtmlSpace(d[at]) || d[at] == '/' || d[at] == '>';
}

// The "<" of the first closing tag `closing` ("</name", lower case) at or after `from` whose name
// ends there; one cut off by the end of the document closes nothing. npos when there is none.
inline std::size_t FindClosingTag(const char* d, std::size_t from, std::size_t len, std::string_view closing) noexcept
{
    for (std::size_t q = bytescan::FindLiteral(d, from, len, closing); q != bytescan::npos;
         q = bytescan::FindLiteral(d, q + 1, len, closing))
        if (q + closing.size() < len && NameEndsAt(d, q + closing.size(), len))
            return q;
    return bytescan::npos;
}

// Elements whose text a browser shows or reads as it stands, tags and quotes included: no tag in
// it is renamed or loses its quotes. Openings and closings go pair by pair, names ending after.
inline constexpr std::string_view kTextElementOpenings[] = {"<script", "<textarea", "<title", "<style", "<xmp"};
inline constexpr std::string_view kTextElementClosings[] = {"</script", "</textarea", "</title", "</style", "</xmp"};

// TextElementEnd past its quick test: a tag whose first two letters begin a name of the list.
// Kept out of line so that the test itself costs a caller next to nothing.
[[gnu::noinline]] inline std::size_t ListedTextElementEnd(const char* d, std::size_t lt, std::size_t len) noexcept
{
    for (std::size_t e = 0; e < std::size(kTextElementOpenings); ++e) {
        const std::string_view opening = kTextElementOpenings[e];
        if (bytescan::MatchAt(d + lt, len - lt, opening) && NameEndsAt(d, lt + opening.size(), len)) {
            const std::size_t q = FindClosingTag(d, lt + 1, len, kTextElementClosings[e]);
            return q == bytescan::npos ? len : q;
        }
    }
    return bytescan::npos;
}

// Where the text of an element of kTextElementOpenings opened at `lt` ends: the "<" of its
// closing tag, `len` when it has none, or npos when no such element opens there. Asked at many a
// "<": most tags are turned away by their first two letters.
[[gnu::always_inline]] inline std::size_t TextElementEnd(const char* d, std::size_t lt, std::size_t len) noexcept
{
    if (lt + 2 >= len)
        return bytescan::npos;
    // sc, st, te, ti and xm begin the names of the list.
    const char first = static_cast<char>(bytescan::Fold(static_cast<unsigned char>(d[lt + 1])));
    const char second = static_cast<char>(bytescan::Fold(static_cast<unsigned char>(d[lt + 2])));
    const bool listed = first == 's'   ? second == 'c' || second == 't'
                        : first == 't' ? second == 'e' || second == 'i'
                                       : first == 'x' && second == 'm';
    return listed ? ListedTextElementEnd(d, lt, len) : bytescan::npos;
}

// Script elements, which no pass changes inside.
inline constexpr std::string_view kScriptOpening = "<script";
inline constexpr std::string_view kScriptClosing = "</script>";

} // namespace passes
