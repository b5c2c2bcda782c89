#pragma once

// What an element's name tells the HTML parser and a browser's default styles, for the --best
// pass. Internal to the engine.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace elementnames {

enum Trait : std::uint32_t
{
    kHeadItem = 1u << 0,   // goes into the head when met there (title, meta, link, script, ...)
    kRawText = 1u << 1,    // its text runs to its own closing tag (script, style, textarea, title, ...)
    kPlainText = 1u << 2,  // its text runs to the end of the document
    kKeepsSpace = 1u << 3, // shows its white space as written (pre, listing)
    kForeign = 1u << 4,    // svg, math: another parser's rules inside
    kTemplate = 1u << 5,
    kPhrasing = 1u << 6,  // inline and never a boundary of the parser's scopes or lists
    kClosesP = 1u << 7,   // its start tag closes an open paragraph in every mode of the document
    kList = 1u << 8,      // ul, ol, menu: the parent of list items
    kCell = 1u << 9,      // td, th
    kRowGroup = 1u << 10, // tbody, thead, tfoot
    kVoid = 1u << 11,
    kUntrusting = 1u << 12, // modes of its own that the --best pass does not follow
    kBlockTag = 1u << 13,   // one of the block tags of the default rules (blocktags::kBlockTagNames)
};

// The names the --best pass asks about one by one.
enum class Id : std::uint8_t
{
    Other,
    P,
    Li,
    Dt,
    Dd,
    Dl,
    Table,
    Tr,
    Td,
    Th,
    Tbody,
    Thead,
    Tfoot,
    Colgroup,
    Col,
    Template,
    Html,
    Head,
    Body,
    Style,
    Script,
    Link,
    Meta,
    Base,
    Caption,
    Form,
    Button,
};

struct Element
{
    std::uint32_t traits = 0;
    Id id = Id::Other;
};

// What a name given as written (any letter case) is; no traits for a name not known here. Every
// name with kBlockTag is known here.
[[nodiscard]] Element Lookup(std::string_view name) noexcept;

// Case-blind equality of a name as written with a lower-case one.
[[nodiscard]] bool NameIs(std::string_view name, std::string_view lower) noexcept;

} // namespace elementnames
