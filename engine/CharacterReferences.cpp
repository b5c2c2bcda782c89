#include "CharacterReferences.h"

#include "ByteScan.h"

#include <string_view>

using namespace bytescan;

namespace charrefs {

namespace {

struct Named
{
    std::string_view name; // with its ";"
    char32_t character;
};

// The named references documentation pages use most; the rest stay as written.
constexpr Named kNamed[] = {
    {"nbsp;", 0xA0},     {"quot;", '"'},     {"apos;", '\''},    {"gt;", '>'},       {"lt;", '<'},
    {"amp;", '&'},       {"copy;", 0xA9},    {"reg;", 0xAE},     {"mdash;", 0x2014}, {"ndash;", 0x2013},
    {"hellip;", 0x2026}, {"lsquo;", 0x2018}, {"rsquo;", 0x2019}, {"ldquo;", 0x201C}, {"rdquo;", 0x201D},
    {"bull;", 0x2022},   {"middot;", 0xB7},  {"times;", 0xD7},   {"laquo;", 0xAB},   {"raquo;", 0xBB},
    {"para;", 0xB6},     {"sect;", 0xA7},    {"deg;", 0xB0},     {"trade;", 0x2122}, {"larr;", 0x2190},
    {"rarr;", 0x2192},   {"uarr;", 0x2191},  {"darr;", 0x2193},  {"euro;", 0x20AC},  {"pound;", 0xA3},
    {"yen;", 0xA5},      {"cent;", 0xA2},    {"plusmn;", 0xB1},  {"micro;", 0xB5},   {"frac12;", 0xBD},
};

bool IsAlnum(char b) noexcept
{
    return (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
}

std::size_t Utf8(char32_t c, char out[4]) noexcept
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

// A character a numeric reference may be written out as: never one the parser maps to another
// (0x80 to 0x9F), a surrogate, a noncharacter, a control or white space.
bool Writable(char32_t c) noexcept
{
    if (c < 0x80)
        return c == '"' || c == '\'' || c == '>' || c == '<' || c == '&';
    if (c < 0xA0 || (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFDD0 && c <= 0xFDEF) || c > 0x10FFFF)
        return false;
    return (c & 0xFFFE) != 0xFFFE;
}

} // namespace

bool DeclaresUtf8(const char* d, std::size_t len) noexcept
{
    if (MatchAt(d, len, "\xef\xbb\xbf"))
        return true;
    const std::size_t head = len < 1024 ? len : 1024;
    for (std::size_t p = 0;;) {
        p = FindLiteral(d, p, head, "<meta");
        if (p == npos)
            return false;
        const std::size_t gt = Find(d, p, head, '>');
        const std::size_t end = gt == npos ? head : gt;
        const std::size_t c = FindLiteral(d, p, end, "charset");
        if (c != npos) {
            std::size_t v = c + 7;
            while (v < end && (d[v] == ' ' || d[v] == '\t' || d[v] == '\n' || d[v] == '\r' || d[v] == '\f'))
                ++v;
            if (v >= end || d[v] != '=')
                return false; // too odd to judge
            ++v;
            while (v < end && (d[v] == ' ' || d[v] == '"' || d[v] == '\''))
                ++v;
            for (const std::string_view utf8 : {std::string_view("utf-8"), std::string_view("utf8")}) {
                if (MatchAt(d + v, end - v, utf8)) {
                    const std::size_t after = v + utf8.size();
                    return after >= end || !(IsAlnum(d[after]) || d[after] == '-' || d[after] == '_');
                }
            }
            return false;
        }
        p = end;
    }
}

namespace {

// The reference at d[at] ("&"): its character and the position after its ";", or false.
bool ReadReference(const char* d, std::size_t at, std::size_t len, char32_t& character,
                   std::size_t& after) noexcept
{
    std::size_t p = at + 1;
    char32_t c = 0;
    if (p < len && d[p] == '#') {
        ++p;
        const bool hex = p < len && (d[p] == 'x' || d[p] == 'X');
        p += hex;
        const std::size_t digits = p;
        while (p < len && p - digits < 8) {
            const unsigned char f = Fold(static_cast<unsigned char>(d[p]));
            unsigned v;
            if (f >= '0' && f <= '9')
                v = f - '0';
            else if (hex && f >= 'a' && f <= 'f')
                v = f - 'a' + 10;
            else
                break;
            c = c * (hex ? 16 : 10) + v;
            ++p;
        }
        if (p == digits || p >= len || d[p] != ';')
            return false;
        ++p;
    } else {
        const Named* found = nullptr;
        for (const Named& n : kNamed) {
            if (len - p >= n.name.size() && std::string_view(d + p, n.name.size()) == n.name) {
                found = &n;
                break;
            }
        }
        if (!found)
            return false;
        c = found->character;
        p += found->name.size();
    }
    if (!Writable(c))
        return false;
    character = c;
    after = p;
    return true;
}

} // namespace

std::size_t ShorterReference(const char* d, std::size_t at, std::size_t len, char out[4],
                             std::size_t& outLength) noexcept
{
    char32_t c = 0;
    std::size_t p = 0;
    if (!ReadReference(d, at, len, c, p))
        return 0;
    if (c == '<' || c == '&') {
        // Followed by a letter, "/", "!" or "?" a "<" opens markup; by a letter, digit or "#"
        // an "&" begins a reference. What follows is judged as it will be written, so that a
        // second run finds the same: a reference is its character, unless that is "<" or "&".
        char next = p < len ? d[p] : ' ';
        char32_t following = 0;
        std::size_t ignored = 0;
        if (next == '&' && ReadReference(d, p, len, following, ignored) && following != '<' &&
            following != '&')
            next = following < 0x80 ? static_cast<char>(following) : '\x80';
        if (IsAlnum(next) || next == '/' || next == '!' || next == '?' || next == '&' || next == '#' ||
            next == '<')
            return 0;
    }
    outLength = Utf8(c, out);
    return outLength < p - at ? p - at : 0;
}

} // namespace charrefs
