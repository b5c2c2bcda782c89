#include "ElementNames.h"

#include "ByteScan.h"

#include <array>

namespace elementnames {

namespace {

struct Entry
{
    std::string_view name;
    std::uint32_t traits;
};

constexpr std::uint32_t kHeadRaw = kHeadItem | kRawText;

constexpr Entry kEntries[] = {
    {"html", kHeadItem}, {"head", kHeadItem}, {"base", kHeadItem | kVoid}, {"basefont", kHeadItem | kVoid},
    {"bgsound", kHeadItem | kVoid}, {"link", kHeadItem | kVoid}, {"meta", kHeadItem | kVoid},
    {"title", kHeadRaw}, {"noscript", kHeadRaw}, {"noframes", kHeadRaw}, {"style", kHeadRaw},
    {"script", kHeadRaw}, {"textarea", kRawText}, {"xmp", kRawText | kClosesP}, {"iframe", kRawText},
    {"noembed", kRawText}, {"plaintext", kPlainText}, {"pre", kKeepsSpace | kClosesP},
    {"listing", kKeepsSpace | kClosesP}, {"svg", kForeign}, {"math", kForeign}, {"template", kTemplate},
    // Phrasing: the parser never stops at them when it looks for an open list item or paragraph.
    {"a", kPhrasing}, {"abbr", kPhrasing}, {"acronym", kPhrasing}, {"b", kPhrasing}, {"bdi", kPhrasing},
    {"bdo", kPhrasing}, {"big", kPhrasing}, {"cite", kPhrasing}, {"code", kPhrasing}, {"data", kPhrasing},
    {"dfn", kPhrasing}, {"em", kPhrasing}, {"font", kPhrasing}, {"i", kPhrasing}, {"kbd", kPhrasing},
    {"label", kPhrasing}, {"mark", kPhrasing}, {"nobr", kPhrasing}, {"q", kPhrasing}, {"s", kPhrasing},
    {"samp", kPhrasing}, {"small", kPhrasing}, {"span", kPhrasing}, {"strike", kPhrasing},
    {"strong", kPhrasing}, {"sub", kPhrasing}, {"sup", kPhrasing}, {"time", kPhrasing}, {"tt", kPhrasing},
    {"u", kPhrasing}, {"var", kPhrasing}, {"br", kPhrasing | kVoid}, {"img", kPhrasing | kVoid},
    {"wbr", kPhrasing | kVoid}, {"input", kPhrasing | kVoid},
    {"area", kVoid}, {"col", kVoid}, {"embed", kVoid}, {"hr", kVoid | kClosesP}, {"keygen", kVoid},
    {"param", kVoid}, {"source", kVoid}, {"track", kVoid}, {"frame", kVoid},
    // Not form, li, dd, dt or table: each of those may leave a paragraph open.
    {"address", kClosesP}, {"article", kClosesP}, {"aside", kClosesP}, {"blockquote", kClosesP},
    {"center", kClosesP}, {"details", kClosesP}, {"dialog", kClosesP}, {"dir", kClosesP | kList},
    {"div", kClosesP}, {"dl", kClosesP}, {"fieldset", kClosesP}, {"figcaption", kClosesP},
    {"figure", kClosesP}, {"footer", kClosesP}, {"header", kClosesP}, {"hgroup", kClosesP},
    {"main", kClosesP}, {"menu", kClosesP | kList}, {"nav", kClosesP}, {"ol", kClosesP | kList},
    {"p", kClosesP}, {"section", kClosesP}, {"summary", kClosesP}, {"ul", kClosesP | kList},
    {"search", kClosesP}, {"h1", kClosesP}, {"h2", kClosesP}, {"h3", kClosesP}, {"h4", kClosesP},
    {"h5", kClosesP}, {"h6", kClosesP},
    {"td", kCell}, {"th", kCell}, {"tbody", kRowGroup}, {"thead", kRowGroup}, {"tfoot", kRowGroup},
};

constexpr std::size_t kSlots = 512;
constexpr std::size_t kLongest = 10;

constexpr std::size_t Hash(const char* name, std::size_t n)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::size_t k = 0; k < n; ++k)
        h = (h ^ static_cast<unsigned char>(name[k])) * 0x100000001b3ull;
    return static_cast<std::size_t>(h >> 55) % kSlots;
}

struct Table
{
    std::array<std::int16_t, kSlots> slot{};
};

constexpr Table MakeTable()
{
    Table t;
    for (auto& s : t.slot)
        s = -1;
    for (std::size_t e = 0; e < std::size(kEntries); ++e) {
        std::size_t s = Hash(kEntries[e].name.data(), kEntries[e].name.size());
        while (t.slot[s] >= 0)
            s = (s + 1) % kSlots;
        t.slot[s] = static_cast<std::int16_t>(e);
    }
    return t;
}

constexpr Table kTable = MakeTable();

} // namespace

std::uint32_t TraitsOf(std::string_view name) noexcept
{
    if (name.empty() || name.size() > kLongest)
        return 0;
    char lower[kLongest];
    for (std::size_t k = 0; k < name.size(); ++k)
        lower[k] = static_cast<char>(bytescan::Fold(static_cast<unsigned char>(name[k])));
    const std::string_view folded(lower, name.size());
    for (std::size_t s = Hash(lower, name.size());; s = (s + 1) % kSlots) {
        const int e = kTable.slot[s];
        if (e < 0)
            return 0;
        if (kEntries[e].name == folded)
            return kEntries[e].traits;
    }
}

bool NameIs(std::string_view name, std::string_view lower) noexcept
{
    return name.size() == lower.size() && bytescan::MatchAt(name.data(), name.size(), lower);
}

} // namespace elementnames
