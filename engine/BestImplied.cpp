// What the parser implies, so that the tags for it may go: end tags held back that the next tag
// closes just the same, and start tags of groups the parser opens by itself.
#include "BestScan.h"

#include "ByteScan.h"

using namespace bytescan;
using namespace elementnames;

namespace best {

// Whether the end tag held back goes before what comes next (`n`, with traits `t`): the next tag
// closes its element just as the end tag would have.
bool BestScan::Goes(const Held& held, Next next, Id n, std::uint32_t t, bool found) noexcept
{
    const Id e = held.name.id;
    if (next == Next::End)
        return e == Id::Body || e == Id::Html;
    if (next != Next::StartTag && next != Next::EndTag)
        return false;
    const bool start = next == Next::StartTag;
    if (!start && n == e && !held.tracked)
        return true; // the same end tag again does its work (and was ignored after it)
    if (e == Id::Td || e == Id::Th)
        return start ? (t & (kCell | kRowGroup)) || n == Id::Tr
                     : (t & kRowGroup) || n == Id::Tr || n == Id::Table;
    if (e == Id::Tr)
        return start ? (t & kRowGroup) || n == Id::Tr : (t & kRowGroup) || n == Id::Table;
    if (e == Id::Tbody || e == Id::Thead || e == Id::Tfoot)
        return start ? n == Id::Tbody || n == Id::Tfoot : n == Id::Table;
    if (e == Id::Head)
        return start;
    if (e == Id::Colgroup)
        return start ? n != Id::Col && n != Id::Template : n == Id::Table;
    if (e == Id::Body)
        return !start && n == Id::Html;
    if (!held.tracked)
        return false;
    // An end tag that finds its element open closes this one with it.
    if (!start)
        return found;
    if (e == Id::P)
        return (t & kClosesP) || n == Id::Li || n == Id::Dt || n == Id::Dd ||
               (held.inCell && ((t & (kCell | kRowGroup)) || n == Id::Tr));
    if (e == Id::Li)
        return n == Id::Li;
    return n == Id::Dt || n == Id::Dd;
}

// Whether the parser makes a start tag's element just the same without the tag: a tbody without
// attributes before its first row and a colgroup before its first col, straight inside a table
// whose last group of the same kind was not left to end unwritten.
bool BestScan::Implied(const Tag& tag) const noexcept
{
    // (Text in a table just before it would be moved out of the table with what follows.)
    if ((tag.id != Id::Tbody && tag.id != Id::Colgroup) || m_keepDepth > 0 || tag.count > 0 || tag.tooMany ||
        m_textSinceTag || !m_elements.TopIs(Id::Table))
        return false;
    // (A held end tag that finds nothing open ends no group: whether it goes changes nothing.)
    for (int k = 0; k < m_heldCount; ++k) {
        const Id held = m_held[k].name.id;
        if (m_held[k].found &&
            (tag.id == Id::Tbody ? held == Id::Tbody || held == Id::Thead || held == Id::Tfoot : held == Id::Colgroup))
            return false;
    }
    const char* d = m_s.d;
    const std::size_t len = m_s.len;
    const std::size_t q = NextKept(tag.end);
    const std::string_view first = tag.id == Id::Tbody ? "<tr" : "<col";
    return q + first.size() < len && MatchAt(d + q, len - q, first) && Is(d[q + first.size()], kEndsName);
}

} // namespace best
