#pragma once

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
};

// Replaces every case-blind occurrence of `search` (lower case, 1..13 bytes) by `replacement`
// (shorter, possibly empty), skipping textarea/pre and script elements as asked. An empty
// replacement deletes a match only next to ">" / space before or "<" / space / CR / LF after.
// Passes whose search text begins with CR jump over tags and, with `webbots`, drop
// "<!--webbot ... >" comments. One linear scan: the write position trails the read position.
void ReplacePass(TWorkingDocument& doc, std::string_view search, std::string_view replacement,
                 bool protectPreTextarea, bool protectScript, bool webbots);

struct TReplaceRule
{
    std::string_view search;
    std::string_view replacement;
};

// Several replace passes in one scan. Only for rules that can never both match at one place and
// whose replacements neither create a match of another rule nor touch the texts that open and
// close protected elements: then one scan gives what running them one after another gives.
void ReplacePass(TWorkingDocument& doc, std::span<const TReplaceRule> rules, bool protectPreTextarea,
                 bool protectScript, bool webbots);

// Drops the double quotes inside tags, keeping them where the tag holds a single quote or a
// value="..." / alt="..." holds a space; script elements and "<!" constructs are left alone.
void QuoteRemovalPass(TWorkingDocument& doc);

// Turns each `longOpening` into `shortOpening` and the next `longClosing` after it into
// `shortClosing`. The net effect of an opening and its closing never lengthens the document.
void PairReplacePass(TWorkingDocument& doc, std::string_view longOpening, std::string_view shortOpening,
                     std::string_view longClosing, std::string_view shortClosing);
