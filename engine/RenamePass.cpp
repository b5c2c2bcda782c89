#include "Passes.h"

#include "ByteScan.h"
#include "PassStream.h"

#include <bit>
#include <cstring>
#include <vector>

using namespace bytescan;
using passes::IsHtmlSpace;
using passes::kTextElementOpenings;
using passes::NameEndsAt;
using passes::Stream;

namespace {

// Where the default renaming and centred paragraphs may act, 64 bytes at a time from the start of
// the document. Only asked about bytes not yet rewritten, so a window once worked out stays right.
class ShortTagWindows
{
public:
    ShortTagWindows(const char* d, std::size_t len) noexcept : m_d(d), m_len(len) {}

    // The first candidate at or after p, or the length.
    std::size_t Next(std::size_t p) noexcept
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
                return p + static_cast<std::size_t>(std::countr_zero(bits));
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

// Whether the "<" at `lt` opens a tag, a comment or the like, rather than standing in text.
bool OpensMarkup(const char* d, std::size_t lt, std::size_t len) noexcept
{
    if (lt + 1 >= len || d[lt] != '<')
        return false;
    const unsigned char next = static_cast<unsigned char>(d[lt + 1]);
    return IsLetter(next) || next == '/' || next == '!' || next == '?';
}

// Whether the last "<" that opens markup or ">" in d[from, to) is such a "<"; `before` when
// there is neither.
bool EndsInsideTag(const char* d, std::size_t from, std::size_t to, std::size_t len, bool before) noexcept
{
    for (;;) {
        const std::size_t angle = FindLastEither(d, from, to, '<', '>');
        if (angle == npos)
            return before;
        if (d[angle] == '>' || OpensMarkup(d, angle, len))
            return d[angle] == '<';
        to = angle;
    }
}

// Whether the element whose exact opening ends just before `from` may take the short name: its
// closing tag, "</name>" exactly, comes within kRenameReach bytes, and nothing before it would
// pair differently once renamed: no tag of the short name (a "</b>" a browser ignores inside a
// strong element would close a b), no other closing of the long name, no comment and no element
// whose text is no markup.
constexpr std::size_t kRenameReach = 65536;

bool RenameIsSafe(const char* d, std::size_t from, std::size_t len, const TRenamePair& pair) noexcept
{
    const std::string_view name = pair.opening.substr(1);
    const std::string_view shortName = pair.shortOpening.substr(1, pair.shortOpening.size() - 2);
    const std::size_t end = len - from > kRenameReach ? from + kRenameReach : len;
    const auto nameAt = [&](std::size_t at, std::string_view n) {
        return at + n.size() <= len && MatchAt(d + at, len - at, n) && NameEndsAt(d, at + n.size(), len);
    };
    int depth = 1;
    bool inTag = false; // the last "<" that opens something, or ">", was such a "<"
    for (std::size_t q = FindEither(d, from, end, '<', '>'); q != npos; q = FindEither(d, q + 1, end, '<', '>')) {
        if (d[q] == '>') {
            inTag = false;
            continue;
        }
        if (inTag || !OpensMarkup(d, q, len))
            continue;
        inTag = true;
        const bool closing = q + 1 < len && d[q + 1] == '/';
        const std::size_t at = q + 1 + closing;
        if (at >= len)
            break;
        if (d[q + 1] == '!' || nameAt(at, shortName))
            return false;
        if (!closing) {
            for (const std::string_view text : kTextElementOpenings)
                if (nameAt(at, text.substr(1)))
                    return false;
            depth += nameAt(at, name);
        } else if (nameAt(at, name)) {
            if (!MatchAt(d + q, len - q, pair.closing))
                return false;
            if (--depth == 0)
                return true;
        }
    }
    return false;
}

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
    if (!pairs.empty()) {
        for (const std::string_view opening : kTextElementOpenings)
            finder.Add(opening);
    }
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
    std::size_t renameFrom = pairs.empty() ? doc.length : 0; // nothing is renamed in text elements
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
    // Whether the last "<" or ">" before the read position is a "<": a tag to be renamed never
    // begins inside another one.
    bool inTag = false;
    while (s.r < limit) {
        const std::size_t c = windowed ? windows.Next(s.r) : finder.Next(s.d, s.r, s.len);
        if (c >= limit)
            break;
        inTag = EndsInsideTag(s.d, s.r, c, s.len, inTag);
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
                inTag = false;
                continue;
            }
        }
        // Passes one byte, noting an angle in it.
        const auto passByte = [&] {
            if (s.d[s.r] == '>')
                inTag = false;
            else if (OpensMarkup(s.d, s.r, s.len))
                inTag = true;
            s.Emit(s.r + 1);
        };
        if (s.r < renameFrom || inTag) {
            passByte();
            continue;
        }
        // Script, textarea, title, style and xmp hold text to a browser, tags or not.
        if (const std::size_t end = passes::TextElementEnd(s.d, s.r, s.len); end != npos) {
            renameFrom = end == s.len ? s.len : end + 1; // one never closed ends the renaming
            passByte();
            continue;
        }
        std::size_t k = 0;
        for (; k < pairs.size(); ++k) {
            const TRenamePair& pair = pairs[k];
            if (MatchAt(s.At(), s.Left(), pair.opening)) {
                const std::size_t after = s.r + pair.opening.size();
                const char next = after < s.len ? s.d[after] : '\0';
                if (next == '>' && RenameIsSafe(s.d, after + 1, s.len, pair)) {
                    open[k].push_back(true);
                    write(pair.shortOpening, pair.opening.size() + 1);
                    inTag = false;
                    break;
                }
                if (next == '>') {
                    open[k].push_back(false);
                    s.Emit(after + 1);
                    inTag = false;
                    break;
                }
                if (IsHtmlSpace(next) || next == '/') {
                    open[k].push_back(false);
                    s.Emit(after);
                    inTag = true;
                    break;
                }
            } else if (MatchAt(s.At(), s.Left(), pair.closing)) {
                // A closing tag with nothing open is one a browser ignores: renamed, it could
                // close another element.
                const bool renamed = !open[k].empty() && open[k].back();
                if (!open[k].empty())
                    open[k].pop_back();
                if (renamed)
                    write(pair.shortClosing, pair.closing.size());
                else
                    s.Emit(s.r + pair.closing.size());
                inTag = false;
                break;
            }
        }
        if (k == pairs.size())
            passByte();
    }
    s.Finish(doc);
}
