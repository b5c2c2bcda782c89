#include "OpenElements.h"

#include <cstring>

namespace openelements {

using elementnames::Element;
using elementnames::Id;
using namespace elementnames;

namespace {

bool IsRowGroup(Id id) noexcept
{
    return id == Id::Tbody || id == Id::Thead || id == Id::Tfoot;
}

// Where the parser stops looking for an open element of an end tag (a table, its cells and
// caption).
bool IsBoundary(Id id) noexcept
{
    return id == Id::Table || id == Id::Td || id == Id::Th || id == Id::Caption;
}

// Whether the model follows an element at all: known, not phrasing, not closed at once.
bool Followed(std::string_view name, Element e) noexcept
{
    if (e.id == Id::Html || e.id == Id::Head || e.id == Id::Body || e.id == Id::Col)
        return false;
    if (e.traits & (kPhrasing | kVoid | kRawText | kPlainText))
        return false;
    return !name.empty() && (e.traits != 0 || e.id != Id::Other);
}

} // namespace

bool OpenElements::IsNamed(int k, std::string_view name) const noexcept
{
    return m_entries[k].length == name.size() &&
           std::memcmp(m_entries[k].name, name.data(), name.size()) == 0;
}

void OpenElements::Push(std::string_view name, Id id) noexcept
{
    if (m_depth == kDepth || name.size() > sizeof m_entries[0].name) {
        m_stopped = true;
        return;
    }
    Entry& e = m_entries[m_depth++];
    std::memcpy(e.name, name.data(), name.size());
    e.length = static_cast<unsigned char>(name.size());
    e.id = id;
}

void OpenElements::Start(std::string_view name, Element element) noexcept
{
    if (!m_stopped && element.id == Id::Col && Top() != Id::Colgroup) {
        // Void itself, but outside a column group it opens one straight in the table, as the
        // parser does; the same page with that colgroup tag left out reads the same.
        while (m_depth > 0 && Top() != Id::Table)
            PopTo(m_depth - 1);
        if (m_depth == 0)
            m_stopped = true;
        else
            Push("colgroup", Id::Colgroup);
        return;
    }
    if (m_stopped || !Followed(name, element))
        return;
    const Id id = element.id;
    if (element.traits & kForeign)
        return; // followed by the pass, which stops the model where the parser leaves it
    if (element.traits & (kUntrusting | kTemplate) || (id == Id::Table && Top() == Id::P) ||
        (id == Id::Form && Find("form", element) >= 0) ||
        (id == Id::Button && Find("button", element) >= 0)) {
        m_stopped = true; // its own modes, a paragraph it may or may not close, or one in another
        return;
    }
    if (Top() == Id::Colgroup && !(element.traits & (kCell | kRowGroup)) && id != Id::Tr &&
        id != Id::Caption && id != Id::Colgroup) {
        m_stopped = true; // moved out of the table, which the model does not follow
        return;
    }
    if (id == Id::Li || id == Id::Dd || id == Id::Dt) {
        // The parser closes an open item of the same kind, looking past paragraphs and divisions.
        for (int k = m_depth - 1; k >= 0; --k) {
            const Id at = m_entries[k].id;
            const bool same = id == Id::Li ? at == Id::Li : at == Id::Dd || at == Id::Dt;
            if (same) {
                PopTo(k);
                break;
            }
            if (at != Id::P && !IsNamed(k, "div") && !IsNamed(k, "address"))
                break;
        }
        if (Top() == Id::P)
            PopTo(m_depth - 1);
    } else if (id == Id::Caption || id == Id::Colgroup) {
        while (m_depth > 0 && Top() != Id::Table)
            PopTo(m_depth - 1);
        if (m_depth == 0) {
            m_stopped = true;
            return;
        }
    } else if (id == Id::Form) {
        if (Top() == Id::P)
            PopTo(m_depth - 1);
    } else if (element.traits & (kCell | kRowGroup) || id == Id::Tr) {
        // A table part closes the parts inside the one it belongs in, and opens those it needs.
        const auto holds = [&](Id at) {
            return at == Id::Table ||
                   (id != Id::Tbody && id != Id::Thead && id != Id::Tfoot && IsRowGroup(at)) ||
                   ((element.traits & kCell) && at == Id::Tr);
        };
        while (m_depth > 0 && !holds(Top()))
            PopTo(m_depth - 1);
        if (m_depth == 0) {
            m_stopped = true;
            return;
        }
        if (Top() == Id::Table && !(element.traits & kRowGroup))
            Push("tbody", Id::Tbody);
        if (IsRowGroup(Top()) && (element.traits & kCell))
            Push("tr", Id::Tr);
    } else if (element.traits & kClosesP) {
        if (Top() == Id::P)
            PopTo(m_depth - 1);
        const auto heading = [](std::string_view n) {
            return n.size() == 2 && n[0] == 'h' && n[1] >= '1' && n[1] <= '6';
        };
        if (heading(name) && m_depth > 0 &&
            heading({m_entries[m_depth - 1].name, m_entries[m_depth - 1].length}))
            PopTo(m_depth - 1);
    }
    Push(name, id);
}

int OpenElements::Find(std::string_view name, Element element) const noexcept
{
    const Id id = element.id;
    const bool tablePart = (element.traits & (kCell | kRowGroup)) || id == Id::Tr || id == Id::Table ||
                           id == Id::Caption || id == Id::Colgroup;
    for (int k = m_depth - 1; k >= 0; --k) {
        if (IsNamed(k, name))
            return k;
        const Id at = m_entries[k].id;
        if (tablePart ? at == Id::Table
                      : IsBoundary(at) || (id == Id::P && at == Id::Button) ||
                            (id == Id::Li && (IsNamed(k, "ul") || IsNamed(k, "ol"))))
            return -1;
    }
    return -1;
}

void OpenElements::End(std::string_view name, Element element) noexcept
{
    if (m_stopped || !Followed(name, element) || (element.traits & kForeign))
        return;
    if (element.traits & (kUntrusting | kTemplate)) {
        m_stopped = true;
        return;
    }
    if (element.id == Id::Form) {
        // Taken out of the open elements where it stands, not closing those inside it.
        if (Top() == Id::Form)
            PopTo(m_depth - 1);
        else
            m_stopped = Find(name, element) >= 0;
        return;
    }
    const int k = Find(name, element);
    if (k >= 0)
        PopTo(k); // and an end tag that finds nothing is ignored (a lone </p> opens and closes one)
}

bool OpenElements::TopIs(Id id) const noexcept
{
    return !m_stopped && m_depth > 0 && Top() == id;
}

bool OpenElements::EndFinds(std::string_view name, Element element) const noexcept
{
    return !m_stopped && Followed(name, element) &&
           !(element.traits & (kUntrusting | kForeign | kTemplate)) && Find(name, element) >= 0;
}

bool OpenElements::InCell() const noexcept
{
    for (int k = m_depth - 1; k >= 0 && !m_stopped; --k) {
        const Id at = m_entries[k].id;
        if (at == Id::Td || at == Id::Th)
            return true;
        if (at == Id::Table || at == Id::Tr || IsRowGroup(at))
            return false;
    }
    return false;
}

bool OpenElements::EndDropped(std::string_view name, Element element) const noexcept
{
    return !m_stopped && Followed(name, element) &&
           !(element.traits & (kUntrusting | kForeign | kTemplate)) && element.id != Id::P &&
           Find(name, element) < 0;
}

bool OpenElements::TablePartDropped(Element element) const noexcept
{
    const Id id = element.id;
    if (m_stopped || !((element.traits & (kCell | kRowGroup)) || id == Id::Tr || id == Id::Caption ||
                       id == Id::Colgroup || id == Id::Col))
        return false;
    for (int k = 0; k < m_depth; ++k)
        if (m_entries[k].id == Id::Table)
            return false;
    return true;
}

} // namespace openelements
