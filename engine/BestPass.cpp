#include "BestPass.h"

#include "BestScan.h"
#include "BlockTags.h"
#include "ByteScan.h"

#include <array>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace bytescan;
using namespace elementnames;
using passes::IsHtmlSpace;
using passes::Stream;

namespace best {

namespace {

// Two names as written, compared without regard to case.
bool SameName(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (Fold(static_cast<unsigned char>(a[k])) != Fold(static_cast<unsigned char>(b[k])))
            return false;
    return true;
}

// HTML start tags that end foreign content where the parser meets them (font too, when it has
// attributes).
bool LeavesForeignContent(std::string_view lower) noexcept
{
    static constexpr std::string_view kNames[] = {
        "b",      "big",  "blockquote", "body",  "br",   "center", "code",    "dd",   "div",
        "dl",     "dt",   "em",         "embed", "h1",   "h2",     "h3",      "h4",   "h5",
        "h6",     "head", "hr",         "i",     "img",  "li",     "listing", "menu", "meta",
        "nobr",   "ol",   "p",          "pre",   "ruby", "s",      "small",   "span", "strong",
        "strike", "sub",  "sup",        "table", "tt",   "u",      "ul",      "var",  "font"};
    for (const std::string_view n : kNames)
        if (lower == n)
            return true;
    return false;
}

// Bytes of text that end no run: neither white space nor "<".
constexpr std::array<bool, 256> kTextByte = [] {
    std::array<bool, 256> text{};
    text.fill(true);
    for (const unsigned char b : std::string_view(" \t\n\r<"))
        text[b] = false;
    return text;
}();

// Where a run of text that goes on at p ends: at "<", a tab or line break, or a space not followed
// by a byte of text (a single space between two bytes of text stays as it is, so it joins the run).
std::size_t RunEnd(const char* d, std::size_t p, std::size_t len) noexcept
{
#ifdef __SSE2__
    if (ScansUseSse2()) {
        const auto is = [](__m128i v, char b) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(b)); };
        for (; p + 17 <= len; p += 16) {
            const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + p));
            const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + p + 1));
            const __m128i breaks = _mm_or_si128(_mm_or_si128(is(v0, '<'), is(v0, '\t')),
                                                _mm_or_si128(is(v0, '\n'), is(v0, '\r')));
            const __m128i notText = _mm_or_si128(_mm_or_si128(_mm_or_si128(is(v1, ' '), is(v1, '<')),
                                                              _mm_or_si128(is(v1, '\t'), is(v1, '\n'))),
                                                 is(v1, '\r'));
            const unsigned mask = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_or_si128(breaks, _mm_and_si128(is(v0, ' '), notText))));
            if (mask)
                return p + static_cast<std::size_t>(std::countr_zero(mask));
        }
    }
#endif
    for (;; p += 2) {
        while (p < len && kTextByte[static_cast<unsigned char>(d[p])])
            ++p;
        if (!(p + 1 < len && d[p] == ' ' && kTextByte[static_cast<unsigned char>(d[p + 1])]))
            return p;
    }
}

// Where a comment opened by the "<!--" at `lt` ends, as a browser reads it ("<!-->" and "<!--->"
// end at once, "--!>" ends one too): just past its ">", or npos when it runs to the end.
std::size_t CommentEnd(const char* d, std::size_t lt, std::size_t len) noexcept
{
    if (lt + 4 < len && d[lt + 4] == '>')
        return lt + 5;
    if (lt + 5 < len && d[lt + 4] == '-' && d[lt + 5] == '>')
        return lt + 6;
    for (std::size_t q = lt + 4;; ++q) {
        q = FindLiteral(d, q, len, "--");
        if (q == npos || q + 2 >= len)
            return npos;
        if (d[q + 2] == '>')
            return q + 3;
        if (d[q + 2] == '!' && q + 3 < len && d[q + 3] == '>')
            return q + 4;
    }
}

// A comment's text that a browser or a server reads, or that is kept by convention.
bool MeansSomething(std::string_view text) noexcept
{
    return text.starts_with("[if") || text.starts_with("[endif") || text.starts_with("<![endif") ||
           text.starts_with("#") || text.starts_with("!");
}

// End tags this pass holds back and may leave out: table parts and the page's frame wherever
// they stand, paragraphs, list items and definitions while their element is the innermost.
bool AlwaysHeld(Id id, std::uint32_t traits) noexcept
{
    return (traits & (kCell | kRowGroup)) || id == Id::Tr || id == Id::Colgroup || id == Id::Head ||
           id == Id::Body || id == Id::Html;
}

bool HeldWhenInnermost(Id id) noexcept
{
    return id == Id::P || id == Id::Li || id == Id::Dt || id == Id::Dd;
}

} // namespace

// Where the "</p>" of a centred paragraph whose text runs from `from` stands, when nothing but
// phrasing, text and comments comes before it (so that the paragraph and a center element in its
// place end there alike); npos otherwise.
std::size_t BestScan::CentredEnd(std::size_t from) noexcept
{
    const char* d = m_s.d;
    const std::size_t len = m_s.len;
    for (std::size_t q = from;;) {
        q = Find(d, q, len, '<');
        if (q == npos || q + 3 >= len)
            return npos;
        const char b1 = d[q + 1];
        if (IsLetter(static_cast<unsigned char>(b1)) || (b1 == '/' && IsLetter(static_cast<unsigned char>(d[q + 2])))) {
            if (!ParseTag(q, m_look))
                return npos;
            const std::string_view name(d + m_look.nameStart, m_look.nameLength);
            if (m_look.closing && NameIs(name, "p"))
                return q;
            if (!(Lookup(name).traits & kPhrasing))
                return npos;
            q = m_look.end;
        } else if (MatchAt(d + q, len - q, "<!--")) {
            q = CommentEnd(d, q, len);
            if (q == npos)
                return npos;
        } else if (b1 == '!' || b1 == '?' || b1 == '/') {
            return npos;
        } else {
            ++q;
        }
    }
}

// As the default rules judge a tag (blocktags::StartsBlockTag), from what its name is known as:
// every block name is known, and a known name is read whole by both.
bool BestScan::IsBlockTag(const Tag& tag) const noexcept
{
    if (tag.traits != 0)
        return tag.traits & kBlockTag;
    return blocktags::StartsBlockTag(m_s.d + tag.start, m_s.len - tag.start);
}

bool BestScan::SpaceShows(Next next, bool block) const noexcept
{
    return m_pending && !(m_inHead || m_last != Last::Content || block || next == Next::End);
}

// Settles what waits before the next thing: the end tags held back, then the white space.
void BestScan::Before(Next next, const Tag* tag, bool block) noexcept
{
    const bool spaceShown = SpaceShows(next, block);
    if (m_heldCount > 0) {
        bool goes[kMaxHeld];
        Next after = next;
        Id name = tag ? tag->id : Id::Other;
        std::uint32_t traits = tag ? tag->traits : 0;
        bool found = next == Next::EndTag && m_elements.EndFinds(tag->Name(), {tag->traits, tag->id});
        for (int k = m_heldCount - 1; k >= 0; --k) {
            goes[k] = !(spaceShown && k == m_heldCount - 1) && Goes(m_held[k], after, name, traits, found);
            if (!goes[k]) {
                after = Next::EndTag;
                name = m_held[k].name.id;
                traits = m_held[k].name.traits;
                found = m_held[k].found;
            }
        }
        bool written = false;
        for (int k = 0; k < m_heldCount; ++k) {
            if (!goes[k]) {
                WriteEndTag(m_held[k].nameStart, m_held[k].nameLength);
                written = true;
            }
        }
        m_heldCount = 0;
        if (!written && block && m_spaceEnd == m_s.w)
            --m_s.w; // the space written before the end tags now meets the block
    }
    if (m_pending) {
        m_pending = false;
        if (spaceShown) {
            m_s.d[m_s.w++] = m_pendingByte;
            m_spaceEnd = m_s.w;
            m_last = Last::Space;
        }
    }
}

void BestScan::Space() noexcept
{
    const char* d = m_s.d;
    std::size_t end = m_s.r;
    while (end < m_s.len && IsTextSpace(d[end]))
        ++end;
    if (m_keepDepth > 0) {
        m_s.Emit(end);
        return;
    }
    const bool single = end - m_s.r == 1 && (d[m_s.r] == ' ' || d[m_s.r] == '\n');
    m_pendingByte = m_pending || !single ? ' ' : d[m_s.r];
    m_pending = true;
    m_s.r = end;
}

void BestScan::Text() noexcept
{
    Before(Next::Text, nullptr, false);
    char* d = m_s.d;
    const std::size_t len = m_s.len;
    const std::size_t end = RunEnd(d, m_s.r + 1, len);
    while (m_utf8) {
        const std::size_t amp = Find(d, m_s.r, end, '&');
        if (amp == npos)
            break;
        m_s.Emit(amp);
        char out[4];
        std::size_t n = 0;
        const std::size_t taken = charrefs::ShorterReference(d, amp, m_s.len, out, n);
        if (taken == 0 || amp + taken > end) {
            m_s.Emit(amp + 1);
            continue;
        }
        std::memcpy(d + m_s.w, out, n);
        m_s.w += n;
        m_s.r = amp + taken;
    }
    m_s.Emit(end);
    m_inHead = false;
    m_bodyStarted = true;
    m_textSinceTag = true;
    m_last = Last::Content;
}

void BestScan::CopyRest() noexcept
{
    Before(Next::Other, nullptr, false);
    m_s.Emit(m_s.len);
}

// A comment from its "<!--": gone, or copied as it stands. False when it runs to the end.
bool BestScan::Comment(std::size_t lt) noexcept
{
    const char* d = m_s.d;
    const std::size_t len = m_s.len;
    const std::size_t end = CommentEnd(d, lt, len);
    if (end == npos)
        return false;
    bool keep = m_keepDepth > 0 || MeansSomething({d + lt + 4, end - lt - 4});
    if (!keep && !m_pending && m_s.w > 0) {
        // Text on both sides meets: it must not become a tag or a character reference.
        std::size_t b = m_s.w;
        while (b > 0 && m_s.w - b < 32 && IsAsciiAlnum(d[b - 1]))
            --b;
        // After a ";" it may end a reference kept for the "<" of this very comment.
        keep = d[m_s.w - 1] == '<' || d[m_s.w - 1] == ';' ||
               (b > 0 && (d[b - 1] == '&' || (d[b - 1] == '#' && b > 1 && d[b - 2] == '&')));
    }
    if (keep) {
        Before(Next::Other, nullptr, false);
        m_s.Emit(end);
    } else {
        m_s.r = end;
    }
    return true;
}

// The text of a raw text element after its start tag, copied as it stands up to its end tag.
// False when it never ends, or when a script's text may hide its end tag from a simple search.
bool BestScan::RawText(const Tag& tag) noexcept
{
    const char* d = m_s.d;
    const std::size_t len = m_s.len;
    const std::string_view name = tag.Name();
    for (std::size_t q = m_s.r;;) {
        q = Find(d, q, len, '<');
        if (q == npos || q + 2 + name.size() >= len)
            return false;
        if (d[q + 1] == '/') {
            const bool same = SameName({d + q + 2, name.size()}, name);
            const char after = d[q + 2 + name.size()];
            if (same && (IsHtmlSpace(after) || after == '/' || after == '>')) {
                if (tag.id == Id::Script) {
                    // "<!--" then "<script" inside a script can make the parser read past this end.
                    const std::size_t open = FindLiteral(d, m_s.r, q, "<!--");
                    if (open != npos && FindLiteral(d, open, q, "<script") != npos)
                        return false;
                }
                m_s.Emit(q);
                return true;
            }
        }
        ++q;
    }
}

// Where the next thing after `from` that this pass writes begins: past white space and the
// comments that go (as far as no text before them keeps them).
std::size_t BestScan::NextKept(std::size_t from) const noexcept
{
    const char* d = m_s.d;
    const std::size_t len = m_s.len;
    const bool textBefore = !m_pending && m_s.w > 0 && d[m_s.w - 1] != '>';
    for (std::size_t q = from;;) {
        while (q < len && IsHtmlSpace(d[q]))
            ++q;
        if (textBefore || !MatchAt(d + q, len - q, "<!--"))
            return q;
        const std::size_t end = CommentEnd(d, q, len);
        if (end == npos || MeansSomething({d + q + 4, end - q - 4}))
            return q;
        q = end;
    }
}

// A start tag: written, and what it opens noted. False when the pass has to stop.
bool BestScan::StartTag(Tag& tag) noexcept
{
    // A table part the parser drops parts nothing either, and opens nothing.
    const bool dropped = m_keepDepth == 0 && m_elements.TablePartDropped({tag.traits, tag.id});
    const bool merged = MergedIntoBody(tag.id, true) || dropped;
    const bool block = !merged && IsBlockTag(tag);
    const bool implied = Implied(tag); // before the end tags held back are settled
    Before(Next::StartTag, &tag, block);
    m_textSinceTag = false;
    const std::uint32_t t = tag.traits;
    if (!(t & kHeadItem)) {
        m_inHead = false;
        m_bodyStarted = true;
    }
    const std::string_view name = tag.Name();
    const Id id = tag.id;
    const bool transparent = merged || id == Id::Link || id == Id::Meta || id == Id::Base;
    const std::size_t centreEnd = m_centre && tag.centred && m_keepDepth == 0 ? CentredEnd(tag.end) : npos;
    if (centreEnd != npos) {
        // <p align=center> becomes <center>, and its own "</p>" </center>.
        std::memcpy(m_s.d + m_s.w, "<center>", 8);
        m_s.w += 8;
        m_s.r = tag.end;
        m_centreEnd = centreEnd;
    } else if (implied) {
        m_s.r = tag.end;
        m_spaceEnd = npos; // as after a tag written: the next block takes no space back
    } else {
        tag.centred = false;
        WriteTag(tag);
    }
    if (m_keepDepth > 0) {
        if (name == m_keepTag.Name() && !(t & kVoid) && !(tag.selfClosing && m_keepForeign))
            ++m_keepDepth;
    } else if (!(t & kVoid) && !(tag.selfClosing && (t & kForeign)) &&
               ((t & (kKeepsSpace | kForeign | kTemplate)) || tag.styledSpace)) {
        m_keepDepth = 1;
        std::memcpy(m_keepTag.lower, tag.lower, sizeof tag.lower);
        // A name too long to hold matches no end tag: kept to the end of the document.
        m_keepTag.nameLength = tag.nameLength < sizeof tag.lower ? tag.nameLength : 0;
        m_keepForeign = t & kForeign;
    }
    if (centreEnd != npos)
        m_elements.Start("center", Lookup("center"));
    else if (dropped)
        ; // the parser drops it: nothing opens
    else if (!m_keepForeign)
        m_elements.Start(name, {t, id});
    else if (LeavesForeignContent(name))
        m_elements.Stop();
    if (t & kPlainText)
        return false;
    if ((t & kRawText) && !m_keepForeign) {
        if (!RawText(tag))
            return false;
        if (id == Id::Style)
            return true; // shows nothing, like a comment
    }
    if (!transparent)
        m_last = block || m_inHead ? Last::Edge : Last::Content;
    return true;
}

void BestScan::EndTag(Tag& tag) noexcept
{
    // An end tag the parser drops (a void one other than br's, or one finding nothing open) is
    // written as it comes and changes nothing: the white space before it is settled by what
    // follows, as the parser sees it. Not so after end tags held back, nor for the kinds this pass
    // may leave out (unless no table is open for a table part): one of those dropped here would
    // close the element once an earlier one went, and a second run would read it otherwise.
    const bool mayGo = AlwaysHeld(tag.id, tag.traits) || HeldWhenInnermost(tag.id);
    if (m_keepDepth == 0 && m_heldCount == 0 && (!mayGo || m_elements.TablePartDropped({tag.traits, tag.id})) &&
        tag.start != m_centreEnd &&
        (((tag.traits & kVoid) && !NameIs(tag.Name(), "br") && IsBlockTag(tag)) ||
         m_elements.EndDropped(tag.Name(), {tag.traits, tag.id}))) {
        WriteTag(tag);
        return;
    }
    const bool merged = MergedIntoBody(tag.id, false);
    const bool block = !merged && IsBlockTag(tag);
    const std::uint32_t t = tag.traits;
    const std::string_view name = tag.Name();
    const Id id = tag.id;
    const Element element{t, id};
    const bool tracked = m_keepDepth == 0 && HeldWhenInnermost(id) && m_elements.TopIs(id);
    const bool impliable =
        m_keepDepth == 0 && tag.start != m_centreEnd && !tag.tooMany && (tracked || AlwaysHeld(id, t));
    if (impliable && m_heldCount > 0 && m_heldCount < kMaxHeld && !SpaceShows(Next::EndTag, block))
        m_pending = false; // joins the run held back; the space between shows nothing
    else
        Before(Next::EndTag, &tag, block);
    m_textSinceTag = false;
    const bool raw = t & kRawText;
    if (!raw && id != Id::Head)
        m_inHead = false;
    if (tag.start == m_centreEnd) {
        // The tag written before it saved more than this one adds.
        std::memcpy(m_s.d + m_s.w, "</center>", 9);
        m_s.w += 9;
        m_s.r = tag.end;
        m_centreEnd = npos;
        m_elements.End("center", Lookup("center"));
        m_last = Last::Edge;
        return;
    }
    if (m_keepDepth > 0) {
        if (!m_keepForeign)
            m_elements.End(name, element);
        else if (id == Id::P || NameIs(name, "br"))
            m_elements.Stop(); // the parser leaves foreign content for them
        WriteTag(tag);
        if (name == m_keepTag.Name() && --m_keepDepth == 0)
            m_keepForeign = false;
        if (id != Id::Style)
            m_last = block ? Last::Edge : Last::Content;
        return;
    }
    if (impliable) {
        Held& held = m_held[m_heldCount++];
        held.nameStart = tag.nameStart;
        held.nameLength = tag.nameLength;
        std::memcpy(held.name.lower, tag.lower, sizeof tag.lower);
        held.name.nameLength = tag.nameLength;
        held.name.traits = t;
        held.name.id = tag.id;
        held.tracked = tracked;
        held.found = m_elements.EndFinds(name, element);
        held.inCell = m_elements.InCell();
        m_s.r = tag.end;
    } else {
        WriteTag(tag);
    }
    m_elements.End(name, element);
    if (id != Id::Style && !merged)
        m_last = block || m_inHead ? Last::Edge : Last::Content;
}

// At a "<". False when the rest of the document is to be copied as it stands.
bool BestScan::Markup() noexcept
{
    const char* d = m_s.d;
    const std::size_t len = m_s.len;
    const std::size_t lt = m_s.r;
    const char b1 = lt + 1 < len ? d[lt + 1] : '\0';
    if (IsLetter(static_cast<unsigned char>(b1)) || (b1 == '/' && lt + 2 < len && IsLetter(static_cast<unsigned char>(d[lt + 2])))) {
        if (!ParseTag(lt, m_tag))
            return false;
        const Element element = Lookup({d + m_tag.nameStart, m_tag.nameLength});
        m_tag.traits = element.traits;
        m_tag.id = element.id;
        for (std::size_t k = 0; k < m_tag.nameLength && k < sizeof m_tag.lower; ++k)
            m_tag.lower[k] = static_cast<char>(Fold(static_cast<unsigned char>(d[m_tag.nameStart + k])));
        m_tag.styledSpace = !m_tag.closing && KeepsSpaceByStyle(m_tag);
        const Attribute& first = m_tag.attributes[0];
        m_tag.centred = !m_tag.closing && m_tag.id == Id::P && m_tag.count == 1 && !m_tag.tooMany &&
                        NameIs({d + first.nameStart, first.nameLength}, "align") &&
                        NameIs({d + first.valueStart, first.valueLength}, "center");
        if (m_tag.closing) {
            EndTag(m_tag);
            return true;
        }
        return StartTag(m_tag);
    }
    if (b1 == '!' && MatchAt(d + lt, len - lt, "<!--"))
        return Comment(lt);
    if (b1 == '!' || b1 == '?' || b1 == '/') {
        // A doctype, CDATA section or bogus comment: to its ">" (a CDATA section in foreign
        // content to its "]]>"), copied as it stands.
        std::size_t end = npos;
        if (MatchAt(d + lt, len - lt, "<![cdata[")) {
            end = FindLiteral(d, lt, len, "]]>");
            end = end == npos ? npos : end + 3;
        }
        if (end == npos) {
            end = Find(d, lt, len, '>');
            if (end == npos)
                return false;
            ++end;
        }
        Before(Next::Other, nullptr, false);
        m_s.Emit(end);
        return true;
    }
    Text(); // a "<" that opens nothing
    return true;
}

void BestScan::Run(TWorkingDocument& doc) noexcept
{
    if (MatchAt(m_s.d, m_s.len, "\xef\xbb\xbf"))
        m_s.Emit(3); // the byte-order mark goes before anything the parser sees
    while (m_s.r < m_s.len) {
        const char b = m_s.d[m_s.r];
        if (b == '<') {
            if (!Markup()) {
                CopyRest();
                break;
            }
        } else if (IsTextSpace(b)) {
            Space();
        } else {
            Text();
        }
    }
    if (m_s.r >= m_s.len)
        Before(Next::End, nullptr, true);
    m_s.Finish(doc);
    doc.unclosedBy = {};
    doc.noGtTail = 0;
}

} // namespace best

void BestPass(TWorkingDocument& doc, bool unquote, bool centre) noexcept
{
    if (doc.length == 0)
        return;
    best::BestScan(doc, unquote, centre).Run(doc);
}
