#pragma once

// The passes over one document in memory. Each lives in the file named after it (ReplacePass.cpp,
// SpacingRows.cpp, QuoteRemovalPass.cpp, RenamePass.cpp, PairReplacePass.cpp); the stream they
// edit through is in PassStream.h. Internal to the engine.

#include <cstddef>
#include <span>
#include <string_view>

// The document as the passes see it: one block edited in place and its current length. A pass
// only ever shortens the length, so the block never has to grow.
struct TWorkingDocument
{
    char* data;
    std::size_t length;

    // What a replace pass learnt when it stopped at a protected element that is never closed:
    // the last `unclosedTail` bytes, from that element's opening on, hold no `unclosedBy` text.
    // The pass left those bytes as they were, so the next replace pass that stops at the same
    // element need not search them again. Any pass that may change them forgets it.
    std::string_view unclosedBy = {};
    std::size_t unclosedTail = 0;

    // What the quote removal learnt from a tag that runs to the end: the last `noGtTail` bytes
    // hold no ">", so no text with a ">" begins there. Passes that keep it true say so; the others
    // forget it.
    std::size_t noGtTail = 0;
};

// Replaces every case-blind occurrence of `search` (lower case, 1..13 bytes) by `replacement`
// (shorter, possibly empty), skipping textarea/pre and script elements as asked. An empty
// replacement deletes a match only next to ">" / space before or "<" / space / CR / LF after.
// Passes whose search text begins with CR jump over tags and, with `webbots`, drop
// "<!--webbot ... >" comments. One linear scan: the write position trails the read position.
//
// `blockAware` keeps what a browser would show: a deletion happens only at either end of the
// document, after a space or tab, before a space / tab / CR / LF, after a ">" that ends a block tag or before
// the "<" of one (as a browser reads tags: not inside a quoted value, a comment or the text of a
// script, style, title or textarea); a replacement of "> <x" or "> </x" only when the tag before
// or after is a block tag, and of " >" only where the ">" ends a tag. `keepValues` leaves the
// inside of quoted attribute values as it is.
void ReplacePass(TWorkingDocument& doc, std::string_view search, std::string_view replacement,
                 bool protectPreTextarea, bool protectScript, bool webbots, bool blockAware,
                 bool keepValues = false) noexcept;

struct TReplaceRule
{
    std::string_view search;
    std::string_view replacement;
};

// Several replace passes in one scan. Only for rules that can never both match at one place and
// whose replacements neither create a match of another rule nor touch the texts that open and
// close protected elements: then one scan gives what running them one after another gives.
void ReplacePass(TWorkingDocument& doc, std::span<const TReplaceRule> rules, bool protectPreTextarea,
                 bool protectScript, bool webbots, bool blockAware, bool keepValues = false) noexcept;

// The line-break rows (`allReturns`: every break; `returns`: only doubled ones) and then the space
// rows (`spaces`), one pass per row: what SpacingPass does in one scan where it can. Block-aware,
// they leave quoted attribute values as they are.
void SpacingRows(TWorkingDocument& doc, bool allReturns, bool returns, bool spaces, bool webbots,
                 bool blockAware) noexcept;

// Drops double quotes inside tags; script elements, "<!" constructs and tags that hold a single
// quote are left alone. `literal`: every double quote goes except those of a value="..." /
// alt="..." that holds a space. Otherwise only the two quotes of a value opened by `="` go, and
// only when the value is not empty, holds no space, tab, LF, FF, CR, quote, "=", "<", ">" or "`"
// and is followed by space, tab, LF, FF, CR or ">": then a browser reads the same attribute.
void QuoteRemovalPass(TWorkingDocument& doc, bool literal) noexcept;

// One element name and its shorter one, as whole tag texts: "<strong", "</strong>", "<b>", "</b>".
struct TRenamePair
{
    std::string_view opening;
    std::string_view closing;
    std::string_view shortOpening;
    std::string_view shortClosing;
};

// Renames an element opened exactly as opening + ">" and, with it, the closing tag that closes
// it (the innermost open element of that name); an element opened with attributes or "/" keeps
// its name, closing tag included, and a closing tag with nothing open is left as it is. Script,
// textarea, title and style elements, whose contents are text, are skipped. One scan for all
// pairs, since no pair can create or hide a tag of another.
//
// With `centre`, the same scan also does what PairReplacePass does for "<p align=center>" and
// then for its quoted form, each with "</p>": none of those texts can begin inside another's or
// a renamed tag, so one scan gives what the passes one after another give. At most three pairs
// then.
//
// May throw std::bad_alloc: the elements still open are kept in lists that grow with the nesting.
void RenamePass(TWorkingDocument& doc, std::span<const TRenamePair> pairs, bool centre = false);

// Turns each `longOpening` into `shortOpening` and the next `longClosing` after it into
// `shortClosing`. The net effect of an opening and its closing never lengthens the document.
void PairReplacePass(TWorkingDocument& doc, std::string_view longOpening, std::string_view shortOpening,
                     std::string_view longClosing, std::string_view shortClosing) noexcept;
