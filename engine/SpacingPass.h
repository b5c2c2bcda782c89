#pragma once

#include <cstddef>

// The line-break rows (CR CR, LF LF, then CR LF, CR and LF deleted where a browser shows
// nothing for them) and, with `spaces`, the space rows (runs, " >", the gaps between tags), in
// the default setting, as one scan from `in` to `out` (room for `length` bytes).
//
// Those rows only ever delete spaces and line breaks (and lower one letter after a gap), so each
// run of them can be settled alone from the bytes around it, once the scan knows which rows see
// it: none inside textarea and pre elements, only the two collapsing rows inside scripts, and
// not the CR rows inside a tag. Where the rows could disagree on that (a protected element
// opened inside a script, or inside a tag on a page with CR or marker comments, a script never
// closed, a marker comment never closed or inside a script, a CR row stopped by a "<" that
// nothing closes) it declines, and the caller runs the rows one by one instead.
enum class SpacingResult
{
    Declined,  // left to the rows one by one; `out` means nothing
    Unchanged, // the rows change nothing; `out` was not written
    Written,   // the result is the first `outLength` bytes of `out`
};

// `noGtTail`: the last bytes of `in` that hold no ">" (0 when not known); when written, those of
// `out`.
[[nodiscard]] SpacingResult SpacingPass(const char* in, std::size_t length, char* out, std::size_t& outLength,
                                        bool spaces, bool webbots, std::size_t& noGtTail) noexcept;
