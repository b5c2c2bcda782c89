#pragma once

// Which tags a browser lays out as blocks, so that a line break or a space beside them is never
// seen. Internal to the engine.

#include "ByteScan.h"
#include "TagTokenizer.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string_view>

namespace blocktags {

// The names whose tags a browser lays out as blocks. Not li: style sheets lay list items out
// inline all the time (menus, breadcrumbs), and then the space between two of them is seen. Not
// script, style, meta, link, base, title or noscript either: a browser shows nothing for them, so
// in a body the breaks on both sides of one meet and show as a space, which only a break that
// stays can give; nor dialog, hidden or laid out over the page, for the same reason. Not select:
// it sits in the line like a word. Not frameset or frame: a body drops them, and the breaks
// around them meet.
inline constexpr std::string_view kBlockTagNames[] = {
    "html",    "head",       "body",    "div",     "p",        "h1",       "h2",      "h3",     "h4",
    "h5",      "h6",         "ul",      "ol",      "dl",       "dt",       "dd",      "table",  "caption",
    "thead",   "tbody",      "tfoot",   "tr",      "td",       "th",       "col",     "colgroup", "form",
    "fieldset", "legend",    "blockquote", "center", "pre",    "hr",       "br",      "address", "section",
    "article", "aside",      "nav",     "header",  "footer",   "main",     "figure",  "figcaption", "details",
    "summary", "menu",       "option",  "optgroup", "dir"};

static_assert(std::size(kBlockTagNames) <= 64, "a block name is a bit of one number");

// A block name's index in kBlockTagNames, or -1.
constexpr int BlockNameIndex(std::string_view name)
{
    for (std::size_t k = 0; k < std::size(kBlockTagNames); ++k)
        if (kBlockTagNames[k] == name)
            return static_cast<int>(k);
    return -1;
}

// If the bytes at `lt` (a "<", `avail` bytes left) begin a tag whose name, read past one "/" as
// ASCII letters and digits and compared without regard to case, is a block tag's: its index in
// kBlockTagNames; otherwise -1.
[[nodiscard]] int BlockTagIndex(const char* lt, std::size_t avail) noexcept;

[[nodiscard]] inline bool StartsBlockTag(const char* lt, std::size_t avail) noexcept
{
    return BlockTagIndex(lt, avail) >= 0;
}

// Whether d[0, end) ends in "</". Followed by white space, that opens a comment; with nothing
// after it at the end of the document, a browser shows it as text instead.
[[nodiscard]] inline bool EndsInEndTagOpen(const char* d, std::size_t end) noexcept
{
    return end >= 2 && d[end - 2] == '<' && d[end - 1] == '/';
}

// For a scan that asks with ever larger positions: each byte is looked back over once and read
// forward once, and a tag asked about twice (as the one after a run, then as the one before the
// next) is judged once. What a tag is, is what a browser reads: a "<" or ">" inside a quoted value,
// a comment or the text of a script, style, title or textarea opens or ends none.
class TagJudge
{
public:
    // For a document whose first `stable` bytes neither change nor move while it is asked about.
    explicit TagJudge(std::size_t stable = 0) noexcept : m_length(stable) {}

    // The last "<" or ">" in d[0, end), or -1: the rows that jump over tags see them so.
    [[nodiscard]] std::size_t LastAngle(const char* d, std::size_t end) noexcept;
    // Whether a ">" right after d[0, end) ends a block tag.
    [[nodiscard]] bool ClosesBlock(const char* d, std::size_t end) noexcept;
    // Whether a ">" right after d[0, end) and then `between` ends a tag.
    [[nodiscard]] bool ClosesTag(const char* d, std::size_t end, std::string_view between = {}) noexcept;
    // Whether a block tag starts at d[lt], `avail` bytes left there.
    [[nodiscard]] bool OpensBlock(const char* d, std::size_t lt, std::size_t avail) noexcept;
    // Whether a block tag starts at `lt` (`avail` bytes there) right after d[0, end) and then
    // `between`: a scan that writes behind where it reads asks so about its unread bytes.
    [[nodiscard]] bool OpensBlockAfter(const char* d, std::size_t end, std::string_view between, const char* lt,
                                       std::size_t avail) noexcept;
    // Whether d[at] lies inside a quoted attribute value. A ">" just before, not yet read, is
    // judged first, so that ClosesBlock may still be asked about it.
    [[nodiscard]] bool InQuotedValue(const char* d, std::size_t at) noexcept;
    // Whether a "<" at d[lt] stands in text, where it may open a tag or a comment: not inside a
    // tag, a comment or the text of an element such as title or style. Judged as InQuotedValue.
    [[nodiscard]] bool InText(const char* d, std::size_t lt) noexcept;
    // Reads on past d[from, to) as though it were not there: a marker comment the rows remove. A
    // ">" before it asked about just before is still answered.
    void Skip(const char* d, std::size_t from, std::size_t to) noexcept;

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    void ReadTo(const char* d, std::size_t end) noexcept;
    TagTokenizer After(const char* d, std::string_view between) noexcept;
    // Whether the tag at `tag` (`avail` bytes there), after d[0, before), is a block tag that a
    // browser keeps where it stands; one it drops parts nothing, and the breaks beside it meet.
    [[nodiscard]] bool StandsAsBlock(const char* d, std::size_t before, const char* tag, std::size_t avail) noexcept;
    // Whether a start tag of the block name `index` stands in d[0, before).
    [[nodiscard]] bool StartedBefore(const char* d, std::size_t before, int index) noexcept;
    // Notes the block names started in d[m_startsUpTo, to), until one of `wanted` is among them.
    void ReadStarts(const char* d, std::size_t to, std::uint64_t wanted) noexcept;

    std::size_t m_seenUpTo = 0;
    std::size_t m_lastAngle = kNone; // the last "<" or ">" in [0, m_seenUpTo)
    TagTokenizer m_tokenizer;
    std::size_t m_readUpTo = 0;
    std::size_t m_length = 0;
    std::size_t m_judgedLt = kNone;
    bool m_judgedBlock = false;
    std::size_t m_closesAt = kNone; // the last ">" asked about, and its answer
    bool m_closesBlock = false;
    std::uint64_t m_started = 0;    // the block names whose start tags stand in [0, m_startsUpTo)
    std::size_t m_startsUpTo = 0;
};

namespace detail {

constexpr std::uint64_t NameBits(std::initializer_list<std::string_view> names)
{
    std::uint64_t bits = 0;
    for (std::string_view name : names)
        bits |= std::uint64_t(1) << BlockNameIndex(name);
    return bits;
}

// Dropped wherever they stand in a body, and before it they part nothing that shows.
inline constexpr std::uint64_t kPageFrame = NameBits({"html", "head", "body"});
// Void: their end tags are dropped (and "</br>" is read as a br, "</p>" as an empty p).
inline constexpr std::uint64_t kVoidNames = NameBits({"hr", "col"});
inline constexpr std::uint64_t kEndsAlwaysStand = NameBits({"p", "br"});
// Dropped outside a table.
inline constexpr std::uint64_t kTableParts =
    NameBits({"caption", "thead", "tbody", "tfoot", "tr", "td", "th", "col", "colgroup"});
inline constexpr int kTableIndex = BlockNameIndex("table");

} // namespace detail

// Inline: the scans ask at nearly every line break.
inline std::size_t TagJudge::LastAngle(const char* d, std::size_t end) noexcept
{
    if (end < m_seenUpTo) {
        m_seenUpTo = 0; // the scans never ask so; start over rather than answer wrongly
        m_lastAngle = kNone;
    }
    const std::size_t angle = bytescan::FindLastEither(d, m_seenUpTo, end, '<', '>');
    if (angle != bytescan::npos)
        m_lastAngle = angle;
    m_seenUpTo = end;
    return m_lastAngle;
}

inline void TagJudge::ReadTo(const char* d, std::size_t end) noexcept
{
    if (end > m_readUpTo) {
        m_tokenizer.Read(d, m_readUpTo, end, m_length);
        m_readUpTo = end;
    }
}

inline TagTokenizer TagJudge::After(const char* d, std::string_view between) noexcept
{
    m_tokenizer.Settle(d, m_readUpTo); // what follows is read from another block
    TagTokenizer after = m_tokenizer;
    after.Read(between.data(), 0, between.size());
    return after;
}

inline bool TagJudge::ClosesBlock(const char* d, std::size_t end) noexcept
{
    // The answer stays known for a scan that asks again after skipping what follows.
    if (end == m_closesAt)
        return m_closesBlock;
    ReadTo(d, end);
    m_closesAt = end;
    m_closesBlock = false;
    if (!m_tokenizer.InTag())
        return false;
    const std::size_t lt = m_tokenizer.TagStart();
    if (lt != m_judgedLt) {
        m_judgedLt = lt;
        m_judgedBlock = StandsAsBlock(d, lt, d + lt, end - lt);
    }
    m_closesBlock = m_judgedBlock;
    return m_closesBlock;
}

inline bool TagJudge::ClosesTag(const char* d, std::size_t end, std::string_view between) noexcept
{
    ReadTo(d, end);
    return between.empty() ? m_tokenizer.InTag() : After(d, between).InTag();
}

inline bool TagJudge::OpensBlock(const char* d, std::size_t lt, std::size_t avail) noexcept
{
    // Most tags are no block tags: the cheaper question first.
    if (lt != m_judgedLt) {
        m_judgedLt = lt;
        m_judgedBlock = StandsAsBlock(d, lt, d + lt, avail);
    }
    if (!m_judgedBlock)
        return false;
    ReadTo(d, lt);
    return m_tokenizer.InText();
}

inline bool TagJudge::OpensBlockAfter(const char* d, std::size_t end, std::string_view between, const char* lt,
                                      std::size_t avail) noexcept
{
    // Unread bytes become written ones at other places, so no judgement of them is kept.
    if (!StandsAsBlock(d, end, lt, avail))
        return false;
    ReadTo(d, end);
    return After(d, between).InText();
}

// Read from the start tags before: an end tag whose name never opened, or a table part with no
// table before it, is one a browser drops. Elements closed again or tables ended before are not
// told apart, so some dropped tags still count as blocks.
inline bool TagJudge::StandsAsBlock(const char* d, std::size_t before, const char* tag, std::size_t avail) noexcept
{
    using namespace detail;
    const int index = BlockTagIndex(tag, avail);
    if (index < 0)
        return false;
    const std::uint64_t bit = std::uint64_t(1) << index;
    const bool end = tag[1] == '/';
    if ((bit & kPageFrame) || (end && (bit & kVoidNames)))
        return false;
    if ((bit & kTableParts) && !StartedBefore(d, before, kTableIndex))
        return false;
    return !end || (bit & kEndsAlwaysStand) || StartedBefore(d, before, index);
}

inline bool TagJudge::StartedBefore(const char* d, std::size_t before, int index) noexcept
{
    const std::uint64_t bit = std::uint64_t(1) << index;
    if (before < m_startsUpTo) {
        m_started = 0; // the scans never ask so; start over rather than answer wrongly
        m_startsUpTo = 0;
    }
    ReadStarts(d, before, bit); // only as far as the answer needs
    return m_started & bit;
}

inline void TagJudge::ReadStarts(const char* d, std::size_t to, std::uint64_t wanted) noexcept
{
    while (!(m_started & wanted) && m_startsUpTo < to) {
        const std::size_t lt = bytescan::Find(d, m_startsUpTo, to, '<');
        if (lt == bytescan::npos) {
            m_startsUpTo = to;
            break;
        }
        m_startsUpTo = lt + 1;
        if (lt + 1 < to && bytescan::IsLetter(static_cast<unsigned char>(d[lt + 1]))) {
            const int started = BlockTagIndex(d + lt, to - lt);
            if (started >= 0)
                m_started |= std::uint64_t(1) << started;
        }
    }
}

inline bool TagJudge::InQuotedValue(const char* d, std::size_t at) noexcept
{
    if (at > 0 && d[at - 1] == '>' && m_readUpTo < at)
        (void)ClosesBlock(d, at - 1);
    ReadTo(d, at);
    return m_tokenizer.InQuotedValue(); // a tag read quickly holds no quote so far
}

inline bool TagJudge::InText(const char* d, std::size_t lt) noexcept
{
    if (lt > 0 && d[lt - 1] == '>' && m_readUpTo < lt)
        (void)ClosesBlock(d, lt - 1);
    ReadTo(d, lt);
    return m_readUpTo == lt && m_tokenizer.InText(); // read past already: no answer, so no
}

inline void TagJudge::Skip(const char* d, std::size_t from, std::size_t to) noexcept
{
    // A start tag inside what goes started nothing. Such a marker is rare, so only then are the
    // start tags before it read and the reading moved past it.
    for (std::size_t lt = bytescan::Find(d, from, to, '<'); lt != bytescan::npos; lt = bytescan::Find(d, lt + 1, to, '<')) {
        if (lt + 1 < to && bytescan::IsLetter(static_cast<unsigned char>(d[lt + 1])) && BlockTagIndex(d + lt, to - lt) >= 0) {
            ReadStarts(d, from, 0);
            if (m_startsUpTo < to)
                m_startsUpTo = to;
            break;
        }
    }
    ReadTo(d, from);
    m_tokenizer.Settle(d, from); // a tag read quickly is read again from its start
    m_readUpTo = to;
}

} // namespace blocktags
