#include "Passes.h"

#include "BlockTags.h"
#include "ByteScan.h"
#include "PassStream.h"

using namespace bytescan;
using passes::Stream;

namespace {

bool IsDeletableNeighbourBefore(char b) noexcept
{
    return b == '>' || b == ' ';
}

bool IsDeletableNeighbourAfter(char b) noexcept
{
    return b == '<' || b == ' ' || b == '\r' || b == '\n';
}

// Whether a line break of n bytes at the read position is one a browser never shows: at either
// end of the document, beside a space, a tab or another break, or beside a block tag. At the end
// after "</" the break keeps a comment open that would otherwise show as text.
bool IsInvisibleBreak(const Stream& s, std::size_t n, blocktags::TagJudge& tag) noexcept
{
    if (s.w == 0)
        return true;
    if (s.r + n == s.len)
        return !blocktags::EndsInEndTagOpen(s.d, s.w);
    const char before = s.d[s.w - 1];
    const char after = s.d[s.r + n];
    if (before == ' ' || before == '\t' || after == ' ' || after == '\t' || after == '\r' || after == '\n')
        return true;
    // The tag before is asked about first: the judge reads on through the document.
    if (before == '>' && tag.ClosesBlock(s.d, s.w - 1))
        return true;
    return after == '<' && tag.OpensBlockAfter(s.d, s.w, {s.d + s.r, n}, s.d + s.r + n, s.len - s.r - n);
}

// Tries the rules at the read position: a replacement takes the place of the match's tail in
// the unread bytes, so that the position can be examined again with it; a deletion happens only
// beside the right neighbours. Block-aware, deletions follow IsInvisibleBreak, a "> <x" gap
// goes only beside a block tag and " >" only where the ">" ends a tag. True when the document changed.
template <bool BlockAware>
bool ApplyRules(Stream& s, std::span<const TReplaceRule> rules, blocktags::TagJudge& tag) noexcept
{
    for (const TReplaceRule& rule : rules) {
        if (!MatchAt(s.At(), s.Left(), rule.search))
            continue;
        const std::size_t n = rule.search.size();
        const std::size_t rl = rule.replacement.size();
        if (rl > 0) {
            if (BlockAware && rule.search[0] == ' ') {
                // " >": only where that ">" ends a tag.
                if (!tag.ClosesTag(s.d, s.w, {s.d + s.r, 1}))
                    return false;
            } else if (BlockAware && !tag.ClosesBlock(s.d, s.w) &&
                       !tag.OpensBlockAfter(s.d, s.w, {s.d + s.r, 2}, s.d + s.r + 2, s.len - s.r - 2)) {
                return false; // a gap rule's ">" stands at the read position and its "<" two bytes on
            }
            s.r += n - rl;
            for (std::size_t k = 0; k < rl; ++k)
                s.d[s.r + k] = rule.replacement[k];
            return true;
        }
        const bool deletable = BlockAware ? IsInvisibleBreak(s, n, tag)
                                          : (s.w > 0 && IsDeletableNeighbourBefore(s.d[s.w - 1])) ||
                                                (s.r + n < s.len && IsDeletableNeighbourAfter(s.d[s.r + n]));
        if (deletable) {
            s.r += n;
            return true;
        }
        return false; // rules never overlap, so no other one can match here
    }
    return false;
}

struct ProtectedElement
{
    std::string_view opening;
    std::string_view closing;
};

constexpr ProtectedElement kTextarea{"<textarea", "</textarea>"};
constexpr ProtectedElement kPre{"<pre", "</pre>"};
constexpr ProtectedElement kXmp{"<xmp", "</xmp>"}; // shown as pre is; the written rules knew nothing of it
constexpr ProtectedElement kScript{passes::kScriptOpening, passes::kScriptClosing};
constexpr std::string_view kMarker = "<!--webbot";

// Moves the read position from the opening of a protected element to the "/" of its closing
// text, copying the element unchanged. False when the element is never closed.
bool SkipToClosingTag(Stream& s, std::string_view closing) noexcept
{
    const std::size_t q = FindLiteral(s.d, s.r + 1, s.len, closing);
    if (q == npos)
        return false;
    s.Emit(q + 1);
    return true;
}

// The replace pass, built once per kind of rule so that the written rules pay nothing for the
// block-aware ones.
template <bool BlockAware>
void ReplaceScan(TWorkingDocument& doc, std::span<const TReplaceRule> rules, bool protectPreTextarea,
                 bool protectScript, bool webbots, bool keepValues) noexcept
{
    const bool tagSkipping = rules[0].search[0] == '\r';
    const bool markers = tagSkipping && webbots;

    CandidateFinder finder;
    for (const TReplaceRule& rule : rules)
        finder.Add(rule.search);
    const bool protectXmp = protectPreTextarea && keepValues;
    if (protectPreTextarea) {
        finder.Add(kTextarea.opening);
        finder.Add(kPre.opening);
    }
    if (protectXmp)
        finder.Add(kXmp.opening);
    if (protectScript)
        finder.Add(kScript.opening);
    if (markers)
        finder.Add(kMarker);

    Stream s{doc.data, doc.length};
    blocktags::TagJudge tag; // the bytes ahead are rewritten as it goes
    bool stoppedUnclosed = false;
    while (s.r < s.len) {
        const std::size_t c = finder.Next(s.d, s.r, s.len);
        if (c >= s.len)
            break;
        if (tagSkipping) {
            // The scan is outside any tag at r. When the last "<" or ">" before c is a "<", it
            // opens a tag still open at c, and the scan jumps from it past the first ">" after c.
            std::size_t j = c;
            while (j > s.r && s.d[j - 1] != '<' && s.d[j - 1] != '>')
                --j;
            if (j > s.r && s.d[j - 1] == '<') {
                const std::size_t end = Find(s.d, c, s.len, '>');
                if (end == npos)
                    break;
                s.Emit(end + 1);
                continue;
            }
        }
        s.Emit(c);

        // Protected elements: jump to the "/" of the closing text, then one byte on.
        const ProtectedElement* element = nullptr;
        if (protectPreTextarea && MatchAt(s.At(), s.Left(), kTextarea.opening))
            element = &kTextarea;
        else if (protectPreTextarea && MatchAt(s.At(), s.Left(), kPre.opening))
            element = &kPre;
        else if (protectXmp && MatchAt(s.At(), s.Left(), kXmp.opening))
            element = &kXmp;
        else if (protectScript && MatchAt(s.At(), s.Left(), kScript.opening))
            element = &kScript;
        if (element) {
            const std::size_t tail = s.len - s.r;
            const bool knownUnclosed = doc.unclosedBy == element->closing && doc.unclosedTail == tail;
            if (knownUnclosed || !SkipToClosingTag(s, element->closing)) {
                // Unterminated: the rest stays as it is, and the next pass may know so.
                doc.unclosedBy = element->closing;
                doc.unclosedTail = tail;
                stoppedUnclosed = true;
                break;
            }
            s.Emit(s.r + 1); // no search text begins with "/"
            continue;
        }

        // A quoted attribute value is the tag's own: no rule changes it.
        if (!(keepValues && tag.InQuotedValue(s.d, s.w)) && ApplyRules<BlockAware>(s, rules, tag)) {
            // The same position is examined again. Without a "<" there, no protected element
            // or tag can begin, so only the rules need trying: runs collapse in this loop.
            while (s.r < s.len && s.d[s.r] != '<' && ApplyRules<BlockAware>(s, rules, tag)) {
            }
            continue;
        }

        if (tagSkipping && s.d[s.r] == '<') {
            const std::size_t gt = Find(s.d, s.r, s.len, '>');
            // Under the sound rules a marker goes only where it stands in text (see SpacingPass).
            if (markers && MatchAt(s.At(), s.Left(), kMarker) && (!keepValues || tag.InText(s.d, s.w))) {
                if (gt == npos)
                    break;
                s.r = gt + 1; // gone; the bytes after it are examined from the same place
                continue;
            }
            if (gt == npos)
                break;
            s.Emit(gt + 1);
            continue;
        }
        s.Emit(s.r + 1);
    }
    if (!stoppedUnclosed)
        doc.unclosedBy = {}; // this pass may have changed any byte
    s.Finish(doc);
}

} // namespace

void ReplacePass(TWorkingDocument& doc, std::string_view search, std::string_view replacement,
                 bool protectPreTextarea, bool protectScript, bool webbots, bool blockAware, bool keepValues) noexcept
{
    const TReplaceRule rule{search, replacement};
    ReplacePass(doc, std::span<const TReplaceRule>(&rule, 1), protectPreTextarea, protectScript, webbots,
                blockAware, keepValues);
}

void ReplacePass(TWorkingDocument& doc, std::span<const TReplaceRule> rules, bool protectPreTextarea,
                 bool protectScript, bool webbots, bool blockAware, bool keepValues) noexcept
{
    doc.noGtTail = 0;
    if (doc.length == 0 || rules.empty())
        return;
    if (blockAware)
        ReplaceScan<true>(doc, rules, protectPreTextarea, protectScript, webbots, keepValues);
    else
        ReplaceScan<false>(doc, rules, protectPreTextarea, protectScript, webbots, keepValues);
}
