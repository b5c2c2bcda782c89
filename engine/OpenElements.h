#pragma once

// The elements the HTML parser holds open, as far as the --best pass needs them to know which end
// tags the parser implies: only the known elements that are not phrasing, followed through the
// parser's rules for paragraphs, list items, definitions and tables. Anything the model does not
// follow (select, object, template, a second form, a table opened in a paragraph, more nesting than
// it holds) stops it: from then on it answers no question. Foreign content is the caller's to skip.
// Internal to the engine.

#include "ElementNames.h"

#include <cstddef>
#include <string_view>

namespace openelements {

class OpenElements
{
public:
    // A start or end tag as the parser reads it: its name folded to lower case, and what it is.
    void Start(std::string_view name, elementnames::Element element) noexcept;
    void End(std::string_view name, elementnames::Element element) noexcept;

    // What the model cannot follow from here on.
    void Stop() noexcept { m_stopped = true; }

    // Whether the innermost element followed is `id` (never while stopped).
    [[nodiscard]] bool TopIs(elementnames::Id id) const noexcept;
    // Whether an end tag of `name` would find its element open now, and so close all above it.
    [[nodiscard]] bool EndFinds(std::string_view name, elementnames::Element element) const noexcept;
    // Whether the innermost table part open is a cell.
    [[nodiscard]] bool InCell() const noexcept;
    // Whether the parser drops an end tag of `name` here, finding nothing of it open (only for the
    // elements followed, never while stopped; a lone "</p>" still makes an empty paragraph).
    [[nodiscard]] bool EndDropped(std::string_view name, elementnames::Element element) const noexcept;
    // Whether the parser drops this table part's start tag here, with no table open (never while
    // stopped).
    [[nodiscard]] bool TablePartDropped(elementnames::Element element) const noexcept;

private:
    static constexpr int kDepth = 96;
    struct Entry
    {
        char name[12];
        unsigned char length;
        elementnames::Id id;
    };

    [[nodiscard]] int Find(std::string_view name, elementnames::Element element) const noexcept;
    [[nodiscard]] bool IsNamed(int k, std::string_view name) const noexcept;
    void Push(std::string_view name, elementnames::Id id) noexcept;
    void PopTo(int k) noexcept { m_depth = k; }
    [[nodiscard]] elementnames::Id Top() const noexcept
    {
        return m_depth > 0 ? m_entries[m_depth - 1].id : elementnames::Id::Other;
    }

    Entry m_entries[kDepth];
    int m_depth = 0;
    bool m_stopped = false;
};

} // namespace openelements
