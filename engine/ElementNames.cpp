#include "ElementNames.h"

#include "BlockTags.h"
#include "ByteScan.h"

using bytescan::Fold;

#include <array>

namespace elementnames {

namespace {

struct Entry
{
    std::string_view name;
    std::uint32_t traits;
    Id id = Id::Other;
};

constexpr std::uint32_t kHeadRaw = kHeadItem | kRawText;

constexpr Entry kEntries[] = {
    {"html", kHeadItem, Id::Html},
    {"head", kHeadItem, Id::Head},
    {"base", kHeadItem | kVoid, Id::Base},
    {"basefont", kHeadItem | kVoid},
    {"bgsound", kHeadItem | kVoid},
    {"link", kHeadItem | kVoid, Id::Link},
    {"meta", kHeadItem | kVoid, Id::Meta},
    {"title", kHeadRaw},
    {"noscript", kHeadRaw},
    {"noframes", kHeadRaw},
    {"style", kHeadRaw, Id::Style},
    {"script", kHeadRaw, Id::Script},
    {"textarea", kRawText},
    {"xmp", kRawText | kClosesP},
    {"iframe", kRawText},
    {"noembed", kRawText},
    {"plaintext", kPlainText},
    {"pre", kKeepsSpace | kClosesP},
    {"listing", kKeepsSpace | kClosesP},
    {"svg", kForeign},
    {"math", kForeign},
    {"template", kTemplate, Id::Template},
    // Phrasing: the parser never stops at them when it looks for an open list item or paragraph.
    {"a", kPhrasing},
    {"abbr", kPhrasing},
    {"acronym", kPhrasing},
    {"b", kPhrasing},
    {"bdi", kPhrasing},
    {"bdo", kPhrasing},
    {"big", kPhrasing},
    {"cite", kPhrasing},
    {"code", kPhrasing},
    {"data", kPhrasing},
    {"dfn", kPhrasing},
    {"em", kPhrasing},
    {"font", kPhrasing},
    {"i", kPhrasing},
    {"kbd", kPhrasing},
    {"label", kPhrasing},
    {"mark", kPhrasing},
    {"nobr", kPhrasing},
    {"q", kPhrasing},
    {"s", kPhrasing},
    {"samp", kPhrasing},
    {"small", kPhrasing},
    {"span", kPhrasing},
    {"strike", kPhrasing},
    {"strong", kPhrasing},
    {"sub", kPhrasing},
    {"sup", kPhrasing},
    {"time", kPhrasing},
    {"tt", kPhrasing},
    {"u", kPhrasing},
    {"var", kPhrasing},
    {"br", kPhrasing | kVoid},
    {"img", kPhrasing | kVoid},
    {"wbr", kPhrasing | kVoid},
    {"input", kPhrasing | kVoid},
    {"area", kVoid},
    {"col", kVoid, Id::Col},
    {"embed", kVoid},
    {"hr", kVoid | kClosesP},
    {"keygen", kVoid},
    {"param", kVoid},
    {"source", kVoid},
    {"track", kVoid},
    {"frame", kVoid},
    // Not form, li, dd, dt or table: each of those may leave a paragraph open.
    {"address", kClosesP},
    {"article", kClosesP},
    {"aside", kClosesP},
    {"blockquote", kClosesP},
    {"center", kClosesP},
    {"details", kClosesP},
    {"dialog", kClosesP},
    {"dir", kClosesP | kList},
    {"div", kClosesP},
    {"dl", kClosesP, Id::Dl},
    {"fieldset", kClosesP},
    {"figcaption", kClosesP},
    {"figure", kClosesP},
    {"footer", kClosesP},
    {"header", kClosesP},
    {"hgroup", kClosesP},
    {"main", kClosesP},
    {"menu", kClosesP | kList},
    {"nav", kClosesP},
    {"ol", kClosesP | kList},
    {"p", kClosesP, Id::P},
    {"section", kClosesP},
    {"summary", kClosesP},
    {"ul", kClosesP | kList},
    {"search", kClosesP},
    {"h1", kClosesP},
    {"h2", kClosesP},
    {"h3", kClosesP},
    {"h4", kClosesP},
    {"h5", kClosesP},
    {"h6", kClosesP},
    {"li", 0, Id::Li},
    {"dt", 0, Id::Dt},
    {"dd", 0, Id::Dd},
    {"table", 0, Id::Table},
    {"tr", 0, Id::Tr},
    {"colgroup", 0, Id::Colgroup},
    {"caption", 0, Id::Caption},
    {"body", 0, Id::Body},
    {"object", kUntrusting},
    {"applet", kUntrusting},
    {"marquee", kUntrusting},
    {"select", kUntrusting},
    {"option", kUntrusting},
    {"optgroup", kUntrusting},
    {"form", 0, Id::Form},
    {"button", 0, Id::Button},
    {"frameset", kUntrusting},
    {"image", kUntrusting},
    {"ruby", kUntrusting},
    {"rt", kUntrusting},
    {"rp", kUntrusting},
    {"rb", kUntrusting},
    {"rtc", kUntrusting},
    {"datalist", kUntrusting},
    {"td", kCell, Id::Td},
    {"th", kCell, Id::Th},
    {"tbody", kRowGroup, Id::Tbody},
    {"thead", kRowGroup, Id::Thead},
    {"tfoot", kRowGroup, Id::Tfoot},
    {"legend", 0},
};

constexpr std::size_t kSlots = 512;
constexpr std::size_t kLongest = 10;

// A name of up to ten bytes, folded, as two numbers.
struct Key
{
    std::uint64_t low = 0;
    std::uint64_t high = 0; // bytes 8 and 9, and the length

    constexpr bool operator==(const Key&) const = default;
};

constexpr std::size_t Slot(const Key& k)
{
    return static_cast<std::size_t>(((k.low ^ (k.high * 0x9E3779B97F4A7C15ull)) * 0xff51afd7ed558ccdull) >>
                                    55) %
           kSlots;
}

constexpr Key KeyOf(std::string_view lower)
{
    Key k;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        const std::uint64_t b = static_cast<unsigned char>(lower[i]);
        if (i < 8)
            k.low |= b << (8 * i);
        else
            k.high |= b << (8 * (i - 8));
    }
    k.high |= std::uint64_t(lower.size()) << 56;
    return k;
}

struct Table
{
    std::array<Key, kSlots> keys{};
    std::array<std::int16_t, kSlots> entry{};
    std::array<std::uint32_t, kSlots> traits{}; // the entry's, with kBlockTag added
};

constexpr bool IsBlockTagName(std::string_view name)
{
    for (const std::string_view block : blocktags::kBlockTagNames)
        if (block == name)
            return true;
    return false;
}

constexpr Table MakeTable()
{
    Table t;
    for (auto& e : t.entry)
        e = -1;
    for (std::size_t e = 0; e < std::size(kEntries); ++e) {
        const Key k = KeyOf(kEntries[e].name);
        std::size_t s = Slot(k);
        while (t.entry[s] >= 0)
            s = (s + 1) % kSlots;
        t.entry[s] = static_cast<std::int16_t>(e);
        t.keys[s] = k;
        t.traits[s] = kEntries[e].traits | (IsBlockTagName(kEntries[e].name) ? std::uint32_t{kBlockTag} : 0u);
    }
    return t;
}

constexpr Table kTable = MakeTable();

constexpr bool AllBlockTagNamesKnown()
{
    for (const std::string_view block : blocktags::kBlockTagNames) {
        bool known = false;
        for (const Entry& e : kEntries)
            known = known || e.name == block;
        if (!known)
            return false;
    }
    return true;
}
static_assert(AllBlockTagNamesKnown(), "the --best pass reads block tags from this table");

} // namespace

Element Lookup(std::string_view name) noexcept
{
    if (name.empty() || name.size() > kLongest)
        return {};
    Key k;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const std::uint64_t b = Fold(static_cast<unsigned char>(name[i]));
        if (i < 8)
            k.low |= b << (8 * i);
        else
            k.high |= b << (8 * (i - 8));
    }
    k.high |= std::uint64_t(name.size()) << 56;
    for (std::size_t s = Slot(k);; s = (s + 1) % kSlots) {
        const int e = kTable.entry[s];
        if (e < 0)
            return {};
        if (kTable.keys[s] == k)
            return {kTable.traits[s], kEntries[e].id};
    }
}

bool NameIs(std::string_view name, std::string_view lower) noexcept
{
    return name.size() == lower.size() && bytescan::MatchAt(name.data(), name.size(), lower);
}

} // namespace elementnames
