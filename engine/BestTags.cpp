// How the --best scan reads a tag and writes it again as the parser reads it.
#include "BestScan.h"

#include "ByteScan.h"

using namespace bytescan;
using namespace elementnames;
using passes::IsHtmlSpace;

namespace best {

namespace {

// Bytes that an attribute value needs its quotes for.
constexpr std::array<bool, 256> kNeedsQuotes = [] {
    std::array<bool, 256> needs{};
    for (const unsigned char b : std::string_view(" \t\n\f\r\"'=<>`"))
        needs[b] = true;
    return needs;
}();

constexpr std::string_view kJavaScriptTypes[] = {
    "application/ecmascript",
    "application/javascript",
    "application/x-ecmascript",
    "application/x-javascript",
    "text/ecmascript",
    "text/javascript",
    "text/javascript1.0",
    "text/javascript1.1",
    "text/javascript1.2",
    "text/javascript1.3",
    "text/javascript1.4",
    "text/javascript1.5",
    "text/jscript",
    "text/livescript",
    "text/x-ecmascript",
    "text/x-javascript",
};

} // namespace

// Reads a tag from its "<" as the tokenizer does; false when the document ends inside it.
bool BestScan::ParseTag(std::size_t lt, Tag& tag) const noexcept
{
    const char* d = m_s.d;
    const std::size_t len = m_s.len;
    tag.start = lt;
    tag.closing = d[lt + 1] == '/';
    tag.selfClosing = false;
    tag.tooMany = false;
    tag.count = 0;
    std::size_t p = lt + (tag.closing ? 2 : 1);
    tag.nameStart = p;
    while (p < len && !Is(d[p], kEndsName))
        ++p;
    tag.nameLength = p - tag.nameStart;
    for (;;) {
        while (p < len && (Is(d[p], kSpace) || (d[p] == '/' && p + 1 < len && d[p + 1] != '>')))
            ++p;
        if (p >= len)
            return false;
        if (d[p] == '>') {
            tag.end = p + 1;
            return true;
        }
        if (d[p] == '/') { // "/>", or "/" at the very end
            if (p + 1 >= len)
                return false;
            tag.selfClosing = true;
            tag.end = p + 2;
            return true;
        }
        Attribute a{p, 0, 0, 0, 0, false};
        ++p; // a name may begin with "="
        while (p < len && !Is(d[p], kEndsAttributeName))
            ++p;
        a.nameLength = p - a.nameStart;
        std::size_t q = p;
        while (q < len && Is(d[q], kSpace))
            ++q;
        if (q < len && d[q] == '=') {
            a.hasValue = true;
            p = q + 1;
            while (p < len && Is(d[p], kSpace))
                ++p;
            if (p >= len)
                return false;
            if (d[p] == '"' || d[p] == '\'') {
                a.quote = d[p];
                a.valueStart = p + 1;
                const std::size_t close = Find(d, p + 1, len, d[p]);
                if (close == npos)
                    return false;
                a.valueLength = close - a.valueStart;
                p = close + 1;
            } else {
                a.valueStart = p;
                while (p < len && !Is(d[p], kEndsValue))
                    ++p;
                a.valueLength = p - a.valueStart;
            }
        }
        if (tag.count < Tag::kMaxAttributes)
            tag.attributes[tag.count++] = a;
        else
            tag.tooMany = true;
    }
}

// The attribute a browser would take `type` from, when it can go; -1 otherwise.
int BestScan::RemovableType(const Tag& tag) const noexcept
{
    if (tag.tooMany)
        return -1;
    const char* d = m_s.d;
    const Id id = tag.id;
    const bool script = id == Id::Script;
    const bool style = id == Id::Style;
    const bool link = id == Id::Link;
    if (!script && !style && !link)
        return -1;
    int type = -1;
    bool stylesheet = false;
    bool relSeen = false;
    for (int k = 0; k < tag.count; ++k) {
        const Attribute& a = tag.attributes[k];
        const std::string_view attribute(d + a.nameStart, a.nameLength);
        if (NameIs(attribute, "type")) {
            if (type >= 0)
                return -1; // which one counts is no longer plain
            type = k;
        } else if (script && NameIs(attribute, "language")) {
            return -1; // consulted when type is missing
        } else if (link && NameIs(attribute, "rel") && !relSeen) {
            relSeen = true;
            // "stylesheet" among its space-separated words
            std::size_t p = a.valueStart;
            const std::size_t end = a.valueStart + a.valueLength;
            while (p < end) {
                while (p < end && IsHtmlSpace(d[p]))
                    ++p;
                std::size_t q = p;
                while (q < end && !IsHtmlSpace(d[q]))
                    ++q;
                stylesheet = stylesheet || NameIs({d + p, q - p}, "stylesheet");
                p = q;
            }
        }
    }
    if (type < 0 || (link && !stylesheet))
        return -1;
    const Attribute& a = tag.attributes[type];
    std::string_view value(d + a.valueStart, a.valueLength);
    if (!script)
        return NameIs(value, "text/css") ? type : -1;
    while (!value.empty() && IsHtmlSpace(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && IsHtmlSpace(value.back()))
        value.remove_suffix(1);
    for (const std::string_view js : kJavaScriptTypes)
        if (NameIs(value, js))
            return type;
    return -1;
}

// An inline style that names white-space: the element may show its spaces as written.
bool BestScan::KeepsSpaceByStyle(const Tag& tag) const noexcept
{
    const char* d = m_s.d;
    for (int k = 0; k < tag.count; ++k) {
        const Attribute& a = tag.attributes[k];
        if (a.hasValue && NameIs({d + a.nameStart, a.nameLength}, "style") &&
            FindLiteral(d, a.valueStart, a.valueStart + a.valueLength, "white-space") != npos)
            return true;
    }
    return tag.tooMany;
}

void BestScan::WriteEndTag(std::size_t nameStart, std::size_t nameLength) noexcept
{
    char* d = m_s.d;
    d[m_s.w++] = '<';
    d[m_s.w++] = '/';
    std::memmove(d + m_s.w, d + nameStart, nameLength);
    m_s.w += nameLength;
    d[m_s.w++] = '>';
}

// Writes a tag as the parser reads it. Every piece comes from at or after where it is written,
// and is no longer than what it stood for, so the writing never overtakes the reading.
void BestScan::WriteTag(const Tag& tag) noexcept
{
    char* d = m_s.d;
    if (tag.tooMany || m_keepForeign || (tag.traits & kForeign)) {
        m_s.Emit(tag.end);
        return;
    }
    // The stream's unread bytes are the tag's; it is rebuilt at w from them.
    if (tag.closing) {
        WriteEndTag(tag.nameStart, tag.nameLength);
        m_s.r = tag.end;
        return;
    }
    const int dropped = RemovableType(tag);
    std::size_t& w = m_s.w;
    d[w++] = '<';
    std::memmove(d + w, d + tag.nameStart, tag.nameLength);
    w += tag.nameLength;
    bool afterQuote = false;
    bool afterBareName = false;
    for (int k = 0; k < tag.count; ++k) {
        if (k == dropped)
            continue;
        const Attribute& a = tag.attributes[k];
        // After a name without a value, " =" would give that name one: "/" starts a new name.
        if (!afterQuote)
            d[w++] = afterBareName && d[a.nameStart] == '=' ? '/' : ' ';
        afterBareName = !a.hasValue || a.valueLength == 0;
        std::memmove(d + w, d + a.nameStart, a.nameLength);
        w += a.nameLength;
        afterQuote = false;
        if (!a.hasValue || a.valueLength == 0)
            continue; // `a=""` and `a` give the same empty value
        d[w++] = '=';
        bool bare = !a.quote || m_unquote;
        for (std::size_t v = a.valueStart; bare && a.quote && v < a.valueStart + a.valueLength; ++v)
            bare = !kNeedsQuotes[static_cast<unsigned char>(d[v])];
        if (!bare)
            d[w++] = a.quote;
        std::memmove(d + w, d + a.valueStart, a.valueLength);
        w += a.valueLength;
        if (!bare) {
            d[w++] = a.quote;
            afterQuote = true;
        }
    }
    d[w++] = '>';
    m_s.r = tag.end;
}

} // namespace best
