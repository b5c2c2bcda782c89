// The tokenizer's reading of text and the tags in it, 64 bytes at a time where the bytes allow.
#include "TagTokenizer.h"

#include "ByteScan.h"
#include "TagBytes.h"

#include <bit>

namespace blocktags {

using namespace tagbytes;

namespace {

// Whose text a start tag whose name begins at d[0] (n bytes of it read) makes raw: kNotRaw, an
// index into kRawNames, or kUndecided while the bytes read could still spell one.
std::uint8_t RawKind(const char* d, std::size_t n) noexcept
{
    const char first = Lower(static_cast<unsigned char>(d[0]));
    if (first != 't' && first != 's' && first != 'x' && first != 'i' && first != 'n' && first != 'p')
        return kNotRaw;
    char name[10];
    std::size_t k = 0;
    for (; k < n && k < sizeof name; ++k) {
        const unsigned char c = static_cast<unsigned char>(d[k]);
        if (IsSpace(c) || c == '/' || c == '>')
            break;
        name[k] = Lower(c);
    }
    if (k == sizeof name)
        return kNotRaw; // longer than any
    const std::string_view read(name, k);
    const bool ended = k < n;
    for (std::uint8_t r = 0; r < std::size(kRawNames); ++r) {
        if (ended ? read == kRawNames[r] : kRawNames[r].starts_with(read))
            return ended ? r : kUndecided;
    }
    return kNotRaw;
}

// The first position in [i, to) whose bit is set in the masks `pick` chooses from the window,
// loading windows as it goes; `to` when there is none.
template <typename Pick>
inline std::size_t NextBit(TagWindow& a, const char* d, std::size_t i, std::size_t to, std::size_t readable,
                           Pick pick) noexcept
{
    if (i >= to)
        return to;
    std::size_t at = i & ~std::size_t{63};
    a.Cover(d, at, to, readable);
    std::uint64_t bits = pick(a) & (~std::uint64_t{0} << (i - at));
    for (;;) {
        if (to - at < 64)
            bits &= (std::uint64_t{1} << (to - at)) - 1;
        if (bits != 0)
            return at + static_cast<std::size_t>(std::countr_zero(bits));
        at += 64;
        if (at >= to)
            return to;
        a.Cover(d, at, to, readable);
        bits = pick(a);
    }
}

} // namespace

void TagWindow::Load(const char* d, std::size_t at, std::size_t to, std::size_t readable) noexcept
{
    of = d;
    base = at;
    if (at + 66 <= readable && bytescan::MakeTokenMasks(d + at, masks)) {
        covered = 64;
    } else {
        // Only what is read may be looked at, and it may change once read: kept for this read only.
        bytescan::MakeTokenMasks(d + at, to - at < 64 ? to - at : 64, masks);
        covered = 0;
    }
    stop = masks.gt | masks.quote;
}

// Text and the tags in it, 64 bytes at a time while nothing in them asks for more than the masks
// tell (see Window), else tag by tag. Returns where the byte-wise states read on.
std::size_t TagTokenizer::Text(const char* d, std::size_t i, std::size_t to) noexcept
{
    while (i < to) {
        const std::size_t at = i & ~std::size_t{63};
        m_window.Cover(d, at, to, m_readable);
        const std::size_t end = to - at < 64 ? to : at + 64;
        if (m_raw == kNotRaw && Window(d, at, i - at, end - at, end == to)) {
            i = end;
            continue;
        }
        if (m_state == QuotelessTag) {
            i = QuotelessTagEnd(d, i, to);
            if (m_state != Data)
                return i;
        }
        i = Tags(d, i, to, end);
        if (m_state != Data && m_state != QuotelessTag)
            return i;
    }
    return to;
}

// Bytes [from, end) of the window at `at`, read from its bits alone when no quote stands inside a
// tag and no "<" opens anything but a tag whose text is markup: then a tag opens at a "<" and
// ends at its first ">", and a state is that of the last of them. False, nothing read, otherwise.
bool TagTokenizer::Window(const char* d, std::size_t at, unsigned from, unsigned end, bool last) noexcept
{
    const bytescan::TokenMasks& m = m_window.masks;
    const std::uint64_t span = (end == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << end) - 1) &
                               (~std::uint64_t{0} << from);
    std::uint64_t odd = m.odd & span;
    if (last) // the bytes after a "<" that the next read brings may make it anything
        odd |= m.lt & span & ~((std::uint64_t{1} << (end >= 2 ? end - 2 : 0)) - 1);
    if (odd != 0)
        return false;
    const std::uint64_t open = m.open & span;
    const std::uint64_t gt = m.gt & span;
    const std::uint64_t events = open | gt;
    const bool inTag = m_state == QuotelessTag;
    // From each opening to the event after it: a carry that runs through the bytes between.
    const std::uint64_t between = ~events;
    const std::uint64_t carried = (open << 1) | (inTag ? std::uint64_t{1} << from : 0);
    const std::uint64_t inside = open | (((between + carried) ^ between) & between);
    if ((m.quote & span & inside) != 0)
        return false;
    if (events == 0)
        return true;
    const int top = 63 - std::countl_zero(events);
    if ((gt >> top) & 1) {
        m_state = Data;
        return true;
    }
    if (gt == 0 && inTag)
        return true; // the same tag goes on
    const int lastGt = gt == 0 ? -1 : 63 - std::countl_zero(gt);
    const std::size_t lt = at + static_cast<std::size_t>(std::countr_zero(open & (~std::uint64_t{0} << (lastGt + 1))));
    m_lt = lt;
    m_endTag = d[lt + 1] == '/';
    m_nameStart = lt + 1 + m_endTag;
    m_state = QuotelessTag;
    return true;
}

// Tags one by one from `i` in text, as long as each holds no quote before its ">", its name shows
// whether its text runs raw, and no comment or the like comes; until the first tag boundary at or
// after `until`. Anything else is left to the byte-wise states. Returns where to read on.
std::size_t TagTokenizer::Tags(const char* d, std::size_t i, std::size_t to, std::size_t until) noexcept
{
    TagWindow& a = m_window;
    const auto lts = [](const TagWindow& w) { return w.masks.lt; };
    const auto stops = [](const TagWindow& w) { return w.stop; };
    for (;;) {
        if (i >= until)
            return i;
        const std::size_t lt = NextBit(a, d, i, to, m_readable, lts);
        if (lt + 2 >= to) {
            // Too near the end to judge here.
            if (lt < to) {
                m_lt = lt;
                m_state = TagOpen;
                return lt + 1;
            }
            return to;
        }
        const unsigned char c = static_cast<unsigned char>(d[lt + 1]);
        std::size_t name = lt + 1;
        if (c == '/') {
            if (!bytescan::IsLetter(static_cast<unsigned char>(d[lt + 2]))) {
                m_lt = lt;
                m_state = TagOpen;
                return lt + 1;
            }
            name = lt + 2;
        } else if (!bytescan::IsLetter(c)) {
            if (c == '!' || c == '?') {
                m_lt = lt;
                m_state = TagOpen;
                return lt + 1;
            }
            i = lt + 1; // a "<" of the text
            continue;
        }
        const bool endTag = c == '/';
        const std::uint8_t raw = endTag ? kNotRaw : RawKind(d + name, to - name);
        const std::size_t stop = raw == kUndecided ? lt : NextBit(a, d, name + 1, to, m_readable, stops);
        if (raw == kUndecided || (stop < to && d[stop] != '>')) {
            // Read byte by byte from its name.
            m_lt = lt;
            m_endTag = endTag;
            m_nameLength = 0;
            m_state = TagName;
            return name;
        }
        m_lt = lt;
        m_endTag = endTag;
        m_raw = raw;
        m_nameStart = name;
        if (stop == to) {
            m_state = QuotelessTag;
            return to;
        }
        if (raw != kNotRaw) {
            EnterRaw();
            return stop + 1;
        }
        i = stop + 1;
    }
}

// A tag read quickly on from `i`: it ends at a ">", or a quote has it read again byte by byte.
std::size_t TagTokenizer::QuotelessTagEnd(const char* d, std::size_t i, std::size_t to) noexcept
{
    for (; i < to; ++i) {
        const char c = d[i];
        if (c == '>') {
            m_state = Data;
            if (!m_endTag && m_raw != kNotRaw)
                EnterRaw();
            return i + 1;
        }
        if (c == '"' || c == '\'') {
            m_nameLength = 0;
            m_state = TagName;
            return InsideTag(d, m_nameStart, to);
        }
    }
    return to;
}

void TagTokenizer::Settle(const char* d, std::size_t upTo) noexcept
{
    if (m_state != QuotelessTag)
        return;
    m_nameLength = 0;
    m_state = TagName;
    (void)InsideTag(d, m_nameStart, upTo);
}

} // namespace blocktags
