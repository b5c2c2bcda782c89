#include "Passes.h"

#include "ByteScan.h"
#include "PassStream.h"

#include <array>
#include <bit>

using namespace bytescan;
using passes::IsHtmlSpace;
using passes::kScriptOpening;
using passes::Stream;

namespace {

// A script's closing is looked for without its ">".
constexpr std::string_view kScriptEnd =
    passes::kScriptClosing.substr(0, passes::kScriptClosing.size() - 1);

// Pre-scans a tag from its "<" to its first ">" (or the end) and remembers where the last
// single and double quotes are, so that a "<" inside the same tag needs no second pre-scan.
struct TagPrescan
{
    std::size_t start = npos;
    std::size_t end = 0; // first ">" after start, or the length
    std::size_t lastSingle = npos;
    std::size_t lastDouble = npos;

    void Scan(const char* d, std::size_t len, std::size_t p) noexcept
    {
        if (start != npos && p >= start && p < end)
            return;
        start = p;
        ScanToTagEnd(d, p + 1, len, end, lastDouble, lastSingle);
    }
    // Whether (p, end] holds such a quote, for a p in [start, end).
    bool HoldsSingle(std::size_t p) const noexcept { return lastSingle != npos && lastSingle > p; }
    bool HoldsDouble(std::size_t p) const noexcept { return lastDouble != npos && lastDouble > p; }
};

// The next double quote of the tag being scanned, or npos with the tag passed over when its ">"
// (or the end of the document) comes first.
inline std::size_t NextQuote(Stream& s) noexcept
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
bool ScanTag(Stream& s) noexcept
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
    explicit SoundQuoteScan(TWorkingDocument& doc) noexcept : m_s{doc.data, doc.length} {}

    void Run(TWorkingDocument& doc) noexcept;

private:
    static constexpr std::size_t kWindow = 64;

    bool Covers(std::size_t p) const noexcept
    {
        return m_base != npos && p >= m_base && p < m_base + kWindow;
    }
    bool Load(std::size_t p) noexcept;
    std::size_t NextLt(std::size_t p) noexcept;
    bool QuickTag(std::size_t lt, std::size_t& next) noexcept;
    bool Tag(std::size_t lt, std::size_t& next) noexcept;
    void Value(std::size_t open, std::size_t close) noexcept;

    Stream m_s;
    TagMasks m_masks{};
    std::size_t m_base = npos; // the masks describe [m_base, m_base + 64)
    TagPrescan m_prescan;
    std::size_t m_noGtFrom = npos; // a tag without quotes runs from here to the end
};

bool SoundQuoteScan::Load(std::size_t p) noexcept
{
    if (p + kWindow > m_s.len || !MakeTagMasks(m_s.d + p, m_masks))
        return false;
    m_base = p;
    return true;
}

std::size_t SoundQuoteScan::NextLt(std::size_t p) noexcept
{
    while (p < m_s.len) {
        if (!Covers(p) && !Load(p))
            return Find(m_s.d, p, m_s.len, '<');
        const std::uint64_t bits = m_masks.lt >> (p - m_base);
        if (bits)
            return p + static_cast<std::size_t>(std::countr_zero(bits));
        p = m_base + kWindow;
    }
    return npos;
}

// Drops both quotes of the value from `open` to `close` when a browser reads it the same bare.
void SoundQuoteScan::Value(std::size_t open, std::size_t close) noexcept
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
bool SoundQuoteScan::QuickTag(std::size_t lt, std::size_t& next) noexcept
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
    const unsigned end = static_cast<unsigned>(std::countr_zero(gt));
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
        const unsigned i = static_cast<unsigned>(std::countr_zero(events));
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
        const unsigned j = i + 1 + static_cast<unsigned>(std::countr_zero(later));
        values[count][0] = i;
        values[count][1] = j;
        ++count;
        if (j + 1 >= known)
            return false;
        from = j + 1;
    }
}

// Any tag from its "<". False when the whole pass ends (a value whose closing quote never comes).
bool SoundQuoteScan::Tag(std::size_t lt, std::size_t& next) noexcept
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

void SoundQuoteScan::Run(TWorkingDocument& doc) noexcept
{
    Stream& s = m_s;
    std::size_t p = 0;
    while (p < s.len) {
        p = NextLt(p);
        if (p == npos)
            break;
        if (const std::size_t end = passes::TextElementEnd(s.d, p, s.len); end != npos) {
            if (end == s.len)
                break;
            p = end + 1;
            continue;
        }
        // A "<" before anything but a letter, "/", "!" or "?" is text to a browser: the quotes
        // after it are words, kept as they stand.
        const unsigned char next = p + 1 < s.len ? static_cast<unsigned char>(s.d[p + 1]) : 0;
        if (next == '!' || !(IsLetter(next) || next == '/' || next == '?')) {
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

void LiteralQuoteScan(TWorkingDocument& doc) noexcept
{
    Stream s{doc.data, doc.length};
    TagPrescan prescan;
    while (s.r < s.len) {
        const std::size_t lt = Find(s.d, s.r, s.len, '<');
        if (lt == npos)
            break;
        s.Emit(lt);
        if (MatchAt(s.At(), s.Left(), kScriptOpening)) {
            const std::size_t q = FindLiteral(s.d, s.r + 6, s.len, kScriptEnd);
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

void QuoteRemovalPass(TWorkingDocument& doc, bool literal) noexcept
{
    doc.unclosedBy = {};
    doc.noGtTail = 0;
    if (literal)
        LiteralQuoteScan(doc);
    else
        SoundQuoteScan(doc).Run(doc);
}
