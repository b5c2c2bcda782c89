#include "Passes.h"

#include "BlockTags.h"
#include "ByteScan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

using namespace bytescan;
using blocktags::StartsBlockTag;

namespace {

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
    void Emit(std::size_t upto)
    {
        const std::size_t n = upto - r;
        if (w != r)
            std::memmove(d + w, d + r, n);
        w += n;
        r = upto;
    }

    void Finish(TWorkingDocument& doc)
    {
        Emit(len);
        doc.length = w;
    }

    const char* At() const { return d + r; }
    std::size_t Left() const { return len - r; }
};

// The bytes a browser takes for whitespace inside a tag.
bool IsHtmlSpace(char b)
{
    return b == ' ' || b == '\t' || b == '\n' || b == '\f' || b == '\r';
}

bool IsDeletableNeighbourBefore(char b)
{
    return b == '>' || b == ' ';
}

bool IsDeletableNeighbourAfter(char b)
{
    return b == '<' || b == ' ' || b == '\r' || b == '\n';
}

bool StartsBlockTagAt(const Stream& s, std::size_t p)
{
    return p < s.len && StartsBlockTag(s.d + p, s.len - p);
}

// Whether a line break of n bytes at the read position is one a browser never shows: at either
// end of the document, beside a space or another break, or beside a block tag.
bool IsInvisibleBreak(const Stream& s, std::size_t n, blocktags::TagJudge& tag)
{
    if (s.w == 0 || s.r + n == s.len)
        return true;
    const char before = s.d[s.w - 1];
    const char after = s.d[s.r + n];
    if (before == ' ' || after == ' ' || after == '\r' || after == '\n')
        return true;
    if (after == '<' && StartsBlockTagAt(s, s.r + n))
        return true;
    return before == '>' && tag.ClosesBlock(s.d, s.w - 1);
}

// Tries the rules at the read position: a replacement takes the place of the match's tail in
// the unread bytes, so that the position can be examined again with it; a deletion happens only
// beside the right neighbours. Block-aware, deletions follow IsInvisibleBreak and a "> <x" gap
// goes only beside a block tag. True when the document changed.
template <bool BlockAware> bool ApplyRules(Stream& s, std::span<const TReplaceRule> rules, blocktags::TagJudge& tag)
{
    for (const TReplaceRule& rule : rules) {
        if (!MatchAt(s.At(), s.Left(), rule.search))
            continue;
        const std::size_t n = rule.search.size();
        const std::size_t rl = rule.replacement.size();
        if (rl > 0) {
            // A gap rule's ">" stands at the read position and its "<" two bytes on.
            if (BlockAware && !StartsBlockTagAt(s, s.r + 2) && !tag.ClosesBlock(s.d, s.w))
                return false;
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
constexpr ProtectedElement kScript{"<script", "</script>"};
constexpr std::string_view kMarker = "<!--webbot";

// Moves the read position from the opening of a protected element to the "/" of its closing
// text, copying the element unchanged. False when the element is never closed.
bool SkipToClosingTag(Stream& s, std::string_view closing)
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
                 bool protectScript, bool webbots)
{
    const bool tagSkipping = rules[0].search[0] == '\r';
    const bool markers = tagSkipping && webbots;

    CandidateFinder finder;
    for (const TReplaceRule& rule : rules)
        finder.Add(rule.search);
    if (protectPreTextarea) {
        finder.Add(kTextarea.opening);
        finder.Add(kPre.opening);
    }
    if (protectScript)
        finder.Add(kScript.opening);
    if (markers)
        finder.Add(kMarker);

    Stream s{doc.data, doc.length};
    blocktags::TagJudge tag;
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

        if (ApplyRules<BlockAware>(s, rules, tag)) {
            // The same position is examined again. Without a "<" there, no protected element
            // or tag can begin, so only the rules need trying: runs collapse in this loop.
            while (s.r < s.len && s.d[s.r] != '<' && ApplyRules<BlockAware>(s, rules, tag)) {
            }
            continue;
        }

        if (tagSkipping && s.d[s.r] == '<') {
            const std::size_t gt = Find(s.d, s.r, s.len, '>');
            if (markers && MatchAt(s.At(), s.Left(), kMarker)) {
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
                 bool protectPreTextarea, bool protectScript, bool webbots, bool blockAware)
{
    const TReplaceRule rule{search, replacement};
    ReplacePass(doc, std::span<const TReplaceRule>(&rule, 1), protectPreTextarea, protectScript, webbots,
                blockAware);
}

void ReplacePass(TWorkingDocument& doc, std::span<const TReplaceRule> rules, bool protectPreTextarea,
                 bool protectScript, bool webbots, bool blockAware)
{
    doc.noGtTail = 0;
    if (doc.length == 0 || rules.empty())
        return;
    if (blockAware)
        ReplaceScan<true>(doc, rules, protectPreTextarea, protectScript, webbots);
    else
        ReplaceScan<false>(doc, rules, protectPreTextarea, protectScript, webbots);
}

void SpacingRows(TWorkingDocument& doc, bool allReturns, bool returns, bool spaces, bool webbots, bool blockAware)
{
    // "> <t" to "> </p": one space between a tag and a following t, l or p tag goes.
    static constexpr TReplaceRule kTagGapRules[] = {{"> <t", "><t"}, {"> </t", "></t"}, {"> <l", "><l"},
                                                    {"> </l", "></l"}, {"> <p", "><p"},  {"> </p", "></p"}};
    if (allReturns || returns) {
        ReplacePass(doc, "\r\r", "\r", true, false, webbots, false);
        ReplacePass(doc, "\n\n", "\n", true, false, webbots, false);
    }
    if (allReturns) {
        ReplacePass(doc, "\r\n", "", true, true, webbots, blockAware);
        ReplacePass(doc, "\r", "", true, true, webbots, blockAware);
        ReplacePass(doc, "\n", "", true, true, webbots, blockAware);
    }
    if (spaces) {
        // A two-space search re-examined in place collapses every run at once, so the four-,
        // three- and two-space rows together come down to this one scan.
        ReplacePass(doc, "  ", " ", true, true, webbots, false);
        ReplacePass(doc, " >", ">", true, true, webbots, false);
        ReplacePass(doc, kTagGapRules, true, true, webbots, blockAware);
    }
}

namespace {

// Pre-scans a tag from its "<" to its first ">" (or the end) and remembers where the last
// single and double quotes are, so that a "<" inside the same tag needs no second pre-scan.
struct TagPrescan
{
    std::size_t start = npos;
    std::size_t end = 0; // first ">" after start, or the length
    std::size_t lastSingle = npos;
    std::size_t lastDouble = npos;

    void Scan(const char* d, std::size_t len, std::size_t p)
    {
        if (start != npos && p >= start && p < end)
            return;
        start = p;
        ScanToTagEnd(d, p + 1, len, end, lastDouble, lastSingle);
    }
    // Whether (p, end] holds such a quote, for a p in [start, end).
    bool HoldsSingle(std::size_t p) const { return lastSingle != npos && lastSingle > p; }
    bool HoldsDouble(std::size_t p) const { return lastDouble != npos && lastDouble > p; }
};

// The next double quote of the tag being scanned, or npos with the tag passed over when its ">"
// (or the end of the document) comes first.
inline std::size_t NextQuote(Stream& s)
{
    const std::size_t k = FindEither(s.d, s.r, s.len, '"', '>');
    if (k == npos)
        s.Emit(s.len);
    else if (s.d[k] == '>')
        s.Emit(k + 1);
    else
        return k;
    return npos;
}

// Removes the double quotes of one tag. Starts at its "<"; returns false when the whole pass
// has to end (a protected value that runs to the end of the document).
bool ScanTag(Stream& s)
{
    static constexpr std::string_view kValue = "value=\"";
    static constexpr std::string_view kAlt = "alt=\"";

    s.Emit(s.r + 1);
    std::size_t eligible = s.r; // first position where a protected value may begin
    for (;;) {
        const std::size_t k = NextQuote(s);
        if (k == npos)
            return true;
        // A protected value ends its name with the quote at k.
        std::size_t start = npos;
        std::size_t nameLength = 0;
        if (k >= eligible + 6 && MatchAt(s.d + k - 6, 7, kValue)) {
            start = k - 6;
            nameLength = kValue.size();
        } else if (k >= eligible + 4 && MatchAt(s.d + k - 4, 5, kAlt)) {
            start = k - 4;
            nameLength = kAlt.size();
        }
        if (start != npos) {
            s.Emit(start);
            const std::size_t valueStart = start + nameLength;
            std::size_t close = Find(s.d, valueStart, s.len, '"');
            if (close == npos)
                close = s.len;
            if (close + 1 >= s.len)
                return false;
            if (Find(s.d, valueStart, close, ' ') == npos) {
                // No space: the quotes go like any others, so scan the value again.
                s.Emit(start + 1);
                eligible = s.r;
                continue;
            }
            s.Emit(close + 1);
            if (s.d[s.r] == '"') {
                ++s.r;
                eligible = s.r;
                continue;
            }
            if (s.d[s.r] == '>') {
                s.Emit(s.r + 1);
                return true;
            }
            s.Emit(s.r + 1);
            eligible = s.r;
            continue;
        }
        s.Emit(k);
        ++s.r; // the quote goes
        if (s.d[s.w - 1] == '>')
            return true;
        eligible = s.r;
    }
}

// Bytes that an attribute value needs its quotes for.
constexpr std::array<bool, 256> kNeedsQuotes = [] {
    std::array<bool, 256> needs{};
    for (const unsigned char b : std::string_view(" \t\n\f\r\"'=<>`"))
        needs[b] = true;
    return needs;
}();

// The quote removal that keeps what a browser reads: the quotes of a value opened by `="` go
// when the value is not empty, needs no quotes and ends where a bare value would. Bytes are only
// moved where a quote goes.
class SoundQuoteScan
{
public:
    explicit SoundQuoteScan(TWorkingDocument& doc) : m_s{doc.data, doc.length} {}

    void Run(TWorkingDocument& doc);

private:
    static constexpr std::size_t kWindow = 64;

    bool Covers(std::size_t p) const { return m_base != npos && p >= m_base && p < m_base + kWindow; }
    bool Load(std::size_t p);
    std::size_t NextLt(std::size_t p);
    bool QuickTag(std::size_t lt, std::size_t& next);
    bool Tag(std::size_t lt, std::size_t& next);
    void Value(std::size_t open, std::size_t close);

    Stream m_s;
    TagMasks m_masks{};
    std::size_t m_base = npos; // the masks describe [m_base, m_base + 64)
    TagPrescan m_prescan;
    std::size_t m_noGtFrom = npos; // a tag without quotes runs from here to the end
};

bool SoundQuoteScan::Load(std::size_t p)
{
    if (p + kWindow > m_s.len || !MakeTagMasks(m_s.d + p, m_masks))
        return false;
    m_base = p;
    return true;
}

std::size_t SoundQuoteScan::NextLt(std::size_t p)
{
    while (p < m_s.len) {
        if (!Covers(p) && !Load(p))
            return Find(m_s.d, p, m_s.len, '<');
        const std::uint64_t bits = m_masks.lt >> (p - m_base);
        if (bits)
            return p + static_cast<std::size_t>(__builtin_ctzll(bits));
        p = m_base + kWindow;
    }
    return npos;
}

// Drops both quotes of the value from `open` to `close` when a browser reads it the same bare.
void SoundQuoteScan::Value(std::size_t open, std::size_t close)
{
    Stream& s = m_s;
    bool bare = close > open + 1 && close + 1 < s.len && (IsHtmlSpace(s.d[close + 1]) || s.d[close + 1] == '>');
    for (std::size_t v = open + 1; bare && v < close; ++v)
        bare = !kNeedsQuotes[static_cast<unsigned char>(s.d[v])];
    if (bare) {
        s.Emit(open);
        ++s.r;
        s.Emit(close);
        ++s.r;
    }
}

// A tag from its "<" that ends, values included, within the masks: decided from their bits.
// False, with nothing done, for any other.
bool SoundQuoteScan::QuickTag(std::size_t lt, std::size_t& next)
{
    if (!Covers(lt) || m_base + kWindow - lt < 16) {
        if (!Load(lt))
            return false;
    }
    const unsigned shift = static_cast<unsigned>(lt - m_base);
    const unsigned known = static_cast<unsigned>(kWindow) - shift; // bits 0 .. known-1 describe lt ..
    const std::uint64_t gt = m_masks.gt >> shift;
    const std::uint64_t dq = m_masks.dq >> shift;
    if (gt == 0)
        return false;
    const unsigned end = static_cast<unsigned>(__builtin_ctzll(gt));
    const std::uint64_t inside = ((std::uint64_t(1) << end) - 1) & ~std::uint64_t(1);
    if ((m_masks.sq >> shift) & inside) {
        next = lt + 1; // left alone; its bytes are passed over one by one
        return true;
    }
    if (!(dq & inside)) {
        next = lt + end + 1;
        return true;
    }
    // Decide every value first, so that a tag running past the masks is left whole to Tag.
    unsigned values[kWindow / 2][2];
    unsigned count = 0;
    unsigned from = 1;
    for (;;) {
        if (from >= known)
            return false;
        const std::uint64_t events = (dq | gt) & ~((std::uint64_t(1) << from) - 1);
        if (events == 0)
            return false;
        const unsigned i = static_cast<unsigned>(__builtin_ctzll(events));
        if (gt >> i & 1) {
            for (unsigned k = 0; k < count; ++k)
                Value(lt + values[k][0], lt + values[k][1]);
            next = lt + i + 1;
            return true;
        }
        const std::size_t at = lt + i;
        const char before = at > m_s.r ? m_s.d[at - 1] : m_s.d[m_s.w - 1];
        if (before != '=') {
            from = i + 1; // a quote that opens no value stays
            continue;
        }
        const std::uint64_t later = i + 1 < known ? dq >> (i + 1) : 0;
        if (later == 0)
            return false;
        const unsigned j = i + 1 + static_cast<unsigned>(__builtin_ctzll(later));
        values[count][0] = i;
        values[count][1] = j;
        ++count;
        if (j + 1 >= known)
            return false;
        from = j + 1;
    }
}

// Any tag from its "<". False when the whole pass ends (a value whose closing quote never comes).
bool SoundQuoteScan::Tag(std::size_t lt, std::size_t& next)
{
    if (QuickTag(lt, next))
        return true;
    Stream& s = m_s;
    m_prescan.Scan(s.d, s.len, lt);
    if (m_prescan.HoldsSingle(lt)) {
        next = lt + 1;
        return true;
    }
    if (!m_prescan.HoldsDouble(lt)) {
        next = m_prescan.end + 1;
        if (m_prescan.end >= s.len)
            m_noGtFrom = lt; // copied as it is from here on
        return true;
    }
    std::size_t q = lt + 1;
    for (;;) {
        const std::size_t k = FindEither(s.d, q, s.len, '"', '>');
        if (k == npos || s.d[k] == '>') {
            next = k == npos ? s.len : k + 1;
            return true;
        }
        const char before = k > s.r ? s.d[k - 1] : s.d[s.w - 1];
        if (before != '=') {
            q = k + 1;
            continue;
        }
        const std::size_t close = Find(s.d, k + 1, s.len, '"');
        if (close == npos)
            return false;
        Value(k, close);
        q = close + 1;
    }
}

void SoundQuoteScan::Run(TWorkingDocument& doc)
{
    static constexpr std::string_view kScriptOpening = "<script";
    static constexpr std::string_view kScriptClosing = "</script";
    Stream& s = m_s;
    std::size_t p = 0;
    while (p < s.len) {
        p = NextLt(p);
        if (p == npos)
            break;
        if (MatchAt(s.d + p, s.len - p, kScriptOpening)) {
            const std::size_t q = FindLiteral(s.d, p + 6, s.len, kScriptClosing);
            if (q == npos)
                break;
            p = q + 2;
            continue;
        }
        if (p + 1 < s.len && s.d[p + 1] == '!') {
            ++p;
            continue;
        }
        if (!Tag(p, p))
            break;
    }
    const std::size_t length = s.len;
    s.Finish(doc);
    doc.noGtTail = m_noGtFrom == npos ? 0 : length - m_noGtFrom;
}

void LiteralQuoteScan(TWorkingDocument& doc)
{
    static constexpr std::string_view kScriptOpening = "<script";
    static constexpr std::string_view kScriptClosing = "</script";

    Stream s{doc.data, doc.length};
    TagPrescan prescan;
    while (s.r < s.len) {
        const std::size_t lt = Find(s.d, s.r, s.len, '<');
        if (lt == npos)
            break;
        s.Emit(lt);
        if (MatchAt(s.At(), s.Left(), kScriptOpening)) {
            const std::size_t q = FindLiteral(s.d, s.r + 6, s.len, kScriptClosing);
            if (q == npos)
                break;
            s.Emit(q + 2);
            continue;
        }
        if (s.r + 1 < s.len && s.d[s.r + 1] == '!') {
            s.Emit(s.r + 1);
            continue;
        }
        prescan.Scan(s.d, s.len, s.r);
        if (prescan.HoldsSingle(s.r)) {
            s.Emit(s.r + 1); // left alone; its bytes are passed over one by one
            continue;
        }
        if (!prescan.HoldsDouble(s.r)) {
            // Nothing to drop, and no protected value can begin without a quote before ">".
            if (prescan.end >= s.len)
                break;
            s.Emit(prescan.end + 1);
            continue;
        }
        if (!ScanTag(s))
            break;
    }
    s.Finish(doc);
}

} // namespace

void QuoteRemovalPass(TWorkingDocument& doc, bool literal)
{
    doc.unclosedBy = {};
    doc.noGtTail = 0;
    if (literal)
        LiteralQuoteScan(doc);
    else
        SoundQuoteScan(doc).Run(doc);
}

namespace {

// Where the default renaming and centred paragraphs may act, 64 bytes at a time from the start of
// the document. Only asked about bytes not yet rewritten, so a window once worked out stays right.
class ShortTagWindows
{
public:
    ShortTagWindows(const char* d, std::size_t len) : m_d(d), m_len(len) {}

    // The first candidate at or after p, or the length.
    std::size_t Next(std::size_t p)
    {
        while (p < m_len) {
            const std::size_t base = p & ~std::size_t(63);
            if (base != m_base) {
                m_base = base;
                if (base + 67 > m_len || !ShortTagCandidates(m_d + base, m_bits)) {
                    m_bits = 0;
                    for (std::size_t j = base; j < base + 64 && j < m_len; ++j)
                        m_bits |= std::uint64_t(StartsShortTagCandidate(m_d, j, m_len)) << (j - base);
                }
            }
            const std::uint64_t bits = m_bits >> (p - base);
            if (bits)
                return p + static_cast<std::size_t>(__builtin_ctzll(bits));
            p = base + 64;
        }
        return m_len;
    }

private:
    const char* m_d;
    std::size_t m_len;
    std::size_t m_base = npos;
    std::uint64_t m_bits = 0;
};

} // namespace

void RenamePass(TWorkingDocument& doc, std::span<const TRenamePair> pairs, bool centre)
{
    static constexpr std::string_view kCentreOpenings[] = {"<p align=center>", "<p align=\"center\">"};
    static constexpr std::string_view kParagraphClosing = "</p>";

    doc.unclosedBy = {};
    CandidateFinder finder;
    for (const TRenamePair& pair : pairs) {
        finder.Add(pair.opening);
        finder.Add(pair.closing);
    }
    if (!pairs.empty())
        finder.Add(kScript.opening);
    if (centre) {
        finder.Add(kCentreOpenings[0]);
        finder.Add(kParagraphClosing);
    }
    // The default tags all begin as the short-tag windows look for; others take the finder.
    bool windowed = true;
    for (const TRenamePair& pair : pairs)
        for (const std::string_view text : {pair.opening, pair.closing})
            windowed = windowed && StartsShortTagCandidate(text.data(), 0, text.size());
    ShortTagWindows windows(doc.data, doc.length);

    // Per pair, the elements open so far, innermost last: true when renamed.
    std::vector<std::vector<bool>> open(pairs.size());
    // Per centred-paragraph row: its opening was converted and its "</p>" is still to come.
    bool closingWanted[2] = {false, false};
    std::size_t renameFrom = pairs.empty() ? doc.length : 0; // scripts are not renamed in
    Stream s{doc.data, doc.length};
    const auto write = [&s](std::string_view text, std::size_t replaced) {
        // Shorter than what it replaces, or a closing after an opening that freed more room, so
        // it never reaches unread bytes.
        std::memmove(s.d + s.w, text.data(), text.size());
        s.w += text.size();
        s.r += replaced;
    };
    // Every text this pass changes holds a ">", so none begins where none follows.
    const std::size_t limit = s.len - doc.noGtTail;
    doc.noGtTail = 0;
    while (s.r < limit) {
        const std::size_t c = windowed ? windows.Next(s.r) : finder.Next(s.d, s.r, s.len);
        if (c >= limit)
            break;
        s.Emit(c);
        if (centre) {
            // The first row sees the text before the second does; neither's texts can begin
            // inside the other's or a renamed tag, so each place is settled by one of them.
            int row = 0;
            for (; row < 2; ++row) {
                if (!closingWanted[row] && MatchAt(s.At(), s.Left(), kCentreOpenings[row])) {
                    write("<center>", kCentreOpenings[row].size());
                    break;
                }
                if (closingWanted[row] && MatchAt(s.At(), s.Left(), kParagraphClosing)) {
                    write("</center>", kParagraphClosing.size());
                    break;
                }
            }
            if (row < 2) {
                closingWanted[row] = !closingWanted[row];
                continue;
            }
        }
        if (s.r < renameFrom) {
            s.Emit(s.r + 1);
            continue;
        }
        if (MatchAt(s.At(), s.Left(), kScript.opening)) {
            const std::size_t q = FindLiteral(s.d, s.r + 1, s.len, kScript.closing);
            renameFrom = q == npos ? s.len : q + 1; // an open script ends the renaming
            s.Emit(s.r + 1);
            continue;
        }
        std::size_t k = 0;
        for (; k < pairs.size(); ++k) {
            const TRenamePair& pair = pairs[k];
            if (MatchAt(s.At(), s.Left(), pair.opening)) {
                const std::size_t after = s.r + pair.opening.size();
                const char next = after < s.len ? s.d[after] : '\0';
                if (next == '>') {
                    open[k].push_back(true);
                    write(pair.shortOpening, pair.opening.size() + 1);
                    break;
                }
                if (IsHtmlSpace(next) || next == '/') {
                    open[k].push_back(false);
                    s.Emit(after);
                    break;
                }
            } else if (MatchAt(s.At(), s.Left(), pair.closing)) {
                const bool renamed = open[k].empty() || open[k].back();
                if (!open[k].empty())
                    open[k].pop_back();
                if (renamed)
                    write(pair.shortClosing, pair.closing.size());
                else
                    s.Emit(s.r + pair.closing.size());
                break;
            }
        }
        if (k == pairs.size())
            s.Emit(s.r + 1);
    }
    s.Finish(doc);
}

void PairReplacePass(TWorkingDocument& doc, std::string_view longOpening, std::string_view shortOpening,
                     std::string_view longClosing, std::string_view shortClosing)
{
    doc.unclosedBy = {};
    doc.noGtTail = 0;
    CandidateFinder openings;
    openings.Add(longOpening);
    CandidateFinder closings;
    closings.Add(longClosing);
    if (openings.Next(doc.data, 0, doc.length) == doc.length)
        return;

    Stream s{doc.data, doc.length};
    bool lookingForOpening = true;
    while (s.r < s.len) {
        const CandidateFinder& finder = lookingForOpening ? openings : closings;
        const std::size_t c = finder.Next(s.d, s.r, s.len);
        if (c >= s.len)
            break;
        s.Emit(c);
        const std::string_view from = lookingForOpening ? longOpening : longClosing;
        const std::string_view to = lookingForOpening ? shortOpening : shortClosing;
        if (!MatchAt(s.At(), s.Left(), from)) {
            s.Emit(s.r + 1);
            continue;
        }
        // A closing only follows an opening that freed more room than it needs, so writing
        // the longer closing text never reaches unread bytes. Both texts begin with their only
        // "<", so no match can start inside a replacement.
        std::memmove(s.d + s.w, to.data(), to.size());
        s.w += to.size();
        s.r += from.size();
        lookingForOpening = !lookingForOpening;
    }
    s.Finish(doc);
}
