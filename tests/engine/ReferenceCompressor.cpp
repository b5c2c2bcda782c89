#include "ReferenceCompressor.h"

#include "engine/HTMLCompressor.h"

#include <cstddef>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Pos = std::ptrdiff_t;

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Case-blind window comparison: no match when too few bytes remain.
bool Is(const std::string& doc, Pos i, const std::string& lit)
{
    if (i < 0 || i + static_cast<Pos>(lit.size()) > static_cast<Pos>(doc.size()))
        return false;
    for (std::size_t k = 0; k < lit.size(); ++k)
        if (Lower(doc[i + k]) != lit[k])
            return false;
    return true;
}

Pos Len(const std::string& doc)
{
    return static_cast<Pos>(doc.size());
}

bool IsOneOf(char c, std::string_view set)
{
    return set.find(c) != std::string_view::npos;
}

bool IsSpace(char c)
{
    return IsOneOf(c, std::string_view(" \t\n\f\r", 5));
}

bool IsLetter(char c)
{
    return IsOneOf(Lower(c), "abcdefghijklmnopqrstuvwxyz");
}

// Where the closing tag of an element whose text is not markup begins: the first "</name"
// followed by a space, "/" or ">". For script, a "<!--" in its text hides a "<script" up to its
// "</script" or the "-->" after it.
Pos RawTextEnd(const std::string& doc, Pos i, const std::string& name)
{
    const auto closingAt = [&](Pos k, const std::string& n) {
        const Pos after = k + 1 + Pos(n.size());
        return doc[k] == '<' && Is(doc, k + 1, n) && after < Len(doc) &&
               (IsSpace(doc[after]) || IsOneOf(doc[after], "/>"));
    };
    if (name != "script") {
        for (Pos k = i; k < Len(doc); ++k)
            if (closingAt(k, "/" + name))
                return k;
        return Len(doc);
    }
    int escape = 0; // 0 none, 1 after "<!--", 2 inside a hidden script
    for (Pos k = i; k < Len(doc); ++k) {
        if (escape == 0 && Is(doc, k, "<!--")) {
            escape = 1;
            ++k; // its dashes may be those of a "-->"
        } else if (escape > 0 && Is(doc, k, "-->")) {
            escape = 0;
            k += 2;
        } else if (escape < 2 && closingAt(k, "/script")) {
            return k;
        } else if (escape == 1 && doc[k] == '<' && closingAt(k, "script")) {
            escape = 2;
        } else if (escape == 2 && closingAt(k, "/script")) {
            escape = 1;
        }
    }
    return Len(doc);
}

// A tag from its "<" at i as a browser reads it: returns its ">" (or the length) and the name in
// lower case.
Pos TagEnd(const std::string& doc, Pos i, std::string& name, std::vector<std::pair<Pos, Pos>>* values = nullptr)
{
    Pos k = i + 1 + (doc[i + 1] == '/');
    name.clear();
    for (; k < Len(doc) && !IsSpace(doc[k]) && !IsOneOf(doc[k], "/>"); ++k)
        name += Lower(doc[k]);
    for (;;) {
        while (k < Len(doc) && (IsSpace(doc[k]) || doc[k] == '/'))
            ++k;
        if (k >= Len(doc) || doc[k] == '>')
            return k;
        ++k; // the first byte of a name, "=" included
        while (k < Len(doc) && !IsSpace(doc[k]) && !IsOneOf(doc[k], "/>="))
            ++k;
        while (k < Len(doc) && IsSpace(doc[k]))
            ++k;
        if (k >= Len(doc) || doc[k] != '=')
            continue;
        ++k;
        while (k < Len(doc) && IsSpace(doc[k]))
            ++k;
        if (k < Len(doc) && (doc[k] == '"' || doc[k] == '\'')) {
            Pos close = k + 1;
            while (close < Len(doc) && doc[close] != doc[k])
                ++close;
            if (values)
                values->push_back({k + 1, close});
            if (close >= Len(doc))
                return Len(doc);
            k = close + 1;
        } else {
            while (k < Len(doc) && !IsSpace(doc[k]) && doc[k] != '>')
                ++k;
        }
    }
}

// What a browser's tokenizer makes of the place p: the start of a tag, the ">" that ends one
// (with its "<" in `tagStart`), or anything else.
enum class Place
{
    TagStart,
    TagEnd,
    CommentStart, // the "<" of a comment that begins in text
    Other,
};

Place PlaceOf(const std::string& doc, Pos p, Pos& tagStart)
{
    Pos i = 0;
    while (i <= p && i < Len(doc)) {
        if (doc[i] != '<' || i + 1 >= Len(doc)) {
            ++i;
            continue;
        }
        const char next = doc[i + 1];
        if (IsLetter(next) || (next == '/' && i + 2 < Len(doc) && IsLetter(doc[i + 2]))) {
            std::string name;
            const Pos end = TagEnd(doc, i, name);
            if (p == i)
                return Place::TagStart;
            if (p <= end) {
                tagStart = i;
                return p == end ? Place::TagEnd : Place::Other;
            }
            i = end + 1;
            // Noscript's contents are markup to a browser without scripts, hidden to one with them.
            static const std::set<std::string> kRaw = {"title",   "textarea", "style", "xmp",
                                                       "iframe",  "noembed",  "noframes", "script"};
            if (next != '/' && name == "plaintext")
                return Place::Other;
            if (next != '/' && kRaw.count(name)) {
                i = RawTextEnd(doc, i, name);
                if (p < i)
                    return Place::Other;
            }
            continue;
        }
        if (Is(doc, i, "<!--")) {
            if (p == i)
                return Place::CommentStart;
            // Ends at the first "-->" or "--!>"; "<!-->" and "<!--->" end at once.
            Pos end = Len(doc);
            if (Is(doc, i + 4, ">"))
                end = i + 4;
            else if (Is(doc, i + 4, "->"))
                end = i + 5;
            else
                for (Pos k = i + 4; k < Len(doc); ++k)
                    if (Is(doc, k, "-->") || Is(doc, k, "--!>")) {
                        end = k + (doc[k + 2] == '>' ? 2 : 3);
                        break;
                    }
            if (p <= end)
                return Place::Other;
            i = end + 1;
            continue;
        }
        if (Is(doc, i, "<![CDATA[")) {
            Pos end = Len(doc);
            for (Pos k = i + 9; k < Len(doc); ++k)
                if (Is(doc, k, "]]>")) {
                    end = k + 2;
                    break;
                }
            if (p <= end)
                return Place::Other;
            i = end + 1;
            continue;
        }
        if (next == '!' || next == '?' || (next == '/' && !Is(doc, i + 1, "/>"))) {
            // Declarations and the like run to the first ">".
            Pos end = i + 2;
            while (end < Len(doc) && doc[end] != '>')
                ++end;
            if (p <= end)
                return Place::Other;
            i = end + 1;
            continue;
        }
        if (next == '/') { // "</>" is dropped
            if (p <= i + 2)
                return Place::Other;
            i += 3;
            continue;
        }
        ++i; // a "<" of the text
    }
    return Place::Other;
}

// p lies inside a quoted attribute value of a tag that a browser reads.
bool InQuotedValueAt(const std::string& doc, Pos p)
{
    Pos lt = -1;
    if (PlaceOf(doc, p, lt) != Place::Other || lt < 0)
        return false;
    std::string name;
    std::vector<std::pair<Pos, Pos>> values;
    TagEnd(doc, lt, name, &values);
    for (const auto& [from, to] : values)
        if (from <= p && p < to)
            return true;
    return false;
}

// The name of a tag at p (one "/" skipped, then ASCII letters and digits up to a space, "/" or
// ">") when it is a block tag's, or "". List items are not (style sheets often lay them out
// inline), nor the elements a browser never shows (script, style, meta, link, base, title,
// noscript, dialog), nor select, which sits in the line, nor frameset and frame, which a body drops.
std::string BlockNameAt(const std::string& doc, Pos p)
{
    static const std::set<std::string> kBlockTags = {
        "html", "head", "body", "div", "p",
        "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "dl", "dt", "dd", "table", "caption", "thead",
        "tbody", "tfoot", "tr", "td", "th", "col", "colgroup", "form", "fieldset", "legend", "blockquote",
        "center", "pre", "hr", "br", "address", "section", "article", "aside", "nav", "header", "footer",
        "main", "figure", "figcaption", "details", "summary", "menu", "option", "optgroup", "dir"};
    if (p < 0 || p >= Len(doc) || doc[p] != '<')
        return {};
    Pos k = p + 1;
    if (k < Len(doc) && doc[k] == '/')
        ++k;
    std::string name;
    for (; k < Len(doc) && IsOneOf(Lower(doc[k]), "abcdefghijklmnopqrstuvwxyz0123456789"); ++k)
        name += Lower(doc[k]);
    return kBlockTags.count(name) > 0 ? name : std::string();
}

// A start tag of the block name `name` stands before p, read as bytes.
bool StartedBefore(const std::string& doc, Pos p, const std::string& name)
{
    for (Pos q = 0; q + 1 < p; ++q)
        if (doc[q] == '<' && IsOneOf(Lower(doc[q + 1]), "abcdefghijklmnopqrstuvwxyz") && BlockNameAt(doc, q) == name)
            return true;
    return false;
}

// A block tag at p that a browser keeps where it stands. It drops html, head and body tags in a
// body (and before one they part nothing that shows), the end tags of hr and col, an end tag
// whose element never opened and a table part with no table before it.
bool StandsAsBlock(const std::string& doc, Pos p)
{
    static const std::set<std::string> kTableParts = {"caption", "thead", "tbody", "tfoot", "tr",
                                                       "td",      "th",    "col",   "colgroup"};
    const std::string name = BlockNameAt(doc, p);
    if (name.empty() || name == "html" || name == "head" || name == "body")
        return false;
    const bool end = doc[p + 1] == '/';
    if (end && (name == "hr" || name == "col"))
        return false;
    if (kTableParts.count(name) && !StartedBefore(doc, p, "table"))
        return false;
    return !end || name == "p" || name == "br" || StartedBefore(doc, p, name);
}

// A block tag starts at p, where a browser sees a tag begin.
bool BlockTagAt(const std::string& doc, Pos p)
{
    Pos unused = 0;
    return StandsAsBlock(doc, p) && PlaceOf(doc, p, unused) == Place::TagStart;
}

// The ">" at p ends a block tag.
bool BlockTagClosedAt(const std::string& doc, Pos p)
{
    Pos lt = 0;
    return PlaceOf(doc, p, lt) == Place::TagEnd && StandsAsBlock(doc, lt);
}

// The ">" at p ends a tag.
bool TagClosedAt(const std::string& doc, Pos p)
{
    Pos lt = 0;
    return PlaceOf(doc, p, lt) == Place::TagEnd;
}

// Moves p to the "/" of the first closing text at or after p; false when there is none.
bool SkipToClosingTag(const std::string& doc, Pos& p, const std::string& closing)
{
    for (Pos q = p; q < Len(doc); ++q)
        if (Is(doc, q, closing)) {
            p = q + 1;
            return true;
        }
    return false;
}

// `sound`: a line break goes only where a browser shows nothing for it, a space between tags
// only beside a block tag, and a space before ">" only where that ">" ends a tag.
void ReplacePass(std::string& doc, const std::string& search, const std::string& replacement,
                 bool protectPreTextarea, bool protectScript, bool webbots, bool sound)
{
    const Pos n = Len(search);
    const Pos r = Len(replacement);
    Pos i = 0;
    while (i < Len(doc)) {
        // 1: protected elements
        bool skipped = false;
        if (protectPreTextarea && Is(doc, i, "<textarea")) {
            if (!SkipToClosingTag(doc, i, "</textarea>"))
                return;
            skipped = true;
        }
        if (protectPreTextarea && Is(doc, i, "<pre")) {
            if (!SkipToClosingTag(doc, i, "</pre>"))
                return;
            skipped = true;
        }
        if (protectPreTextarea && sound && Is(doc, i, "<xmp")) { // shown as pre is
            if (!SkipToClosingTag(doc, i, "</xmp>"))
                return;
            skipped = true;
        }
        if (protectScript && Is(doc, i, "<script")) {
            if (!SkipToClosingTag(doc, i, "</script>"))
                return;
            skipped = true;
        }
        if (skipped) {
            ++i;
            continue;
        }
        // 2: match, never inside a quoted attribute value under the sound rules
        if (Is(doc, i, search) && !(sound && InQuotedValueAt(doc, i))) {
            if (r > 0) {
                const bool gap = sound && search.rfind("> ", 0) == 0;
                const bool tagEnd = sound && search == " >";
                if ((!gap || BlockTagClosedAt(doc, i) || BlockTagAt(doc, i + 2)) && (!tagEnd || TagClosedAt(doc, i + 1))) {
                    doc.replace(i, n, replacement);
                    continue;
                }
            } else {
                const char b = i > 0 ? doc[i - 1] : '\0';
                const char a = i + n < Len(doc) ? doc[i + n] : '\0';
                bool deletable;
                if (!sound)
                    deletable = (i > 0 && IsOneOf(b, "> ")) || (i + n < Len(doc) && IsOneOf(a, "< \r\n"));
                else
                    // At the end, a break after "</" keeps that a comment, not text.
                    deletable = i == 0 || (i + n == Len(doc) && !(i >= 2 && doc[i - 2] == '<' && b == '/')) ||
                                IsOneOf(b, " \t") || IsOneOf(a, " \t\r\n") ||
                                (b == '>' && BlockTagClosedAt(doc, i - 1)) || (a == '<' && BlockTagAt(doc, i + n));
                if (deletable) {
                    doc.erase(i, n);
                    continue;
                }
            }
        }
        // 3: tags and marker comments, for passes whose search text begins with CR
        if (search[0] == '\r' && doc[i] == '<') {
            // Under the sound rules a marker goes only where it begins in text.
            Pos unused = 0;
            if (webbots && Is(doc, i, "<!--webbot") && (!sound || PlaceOf(doc, i, unused) == Place::CommentStart)) {
                const std::size_t g = doc.find('>', i);
                if (g != std::string::npos) {
                    doc.erase(i, g - i + 1);
                    continue; // resume where the comment stood
                }
                i = Len(doc);
            } else {
                const std::size_t g = doc.find('>', i);
                i = g == std::string::npos ? Len(doc) : static_cast<Pos>(g);
            }
        }
        // 4
        ++i;
    }
}

// The sound tag scan from the "<" at i: quotes go only around a value that a browser reads the
// same without them. Returns the position of the tag's ">" (or the length), or -1 when a value
// is never closed and the pass has to end.
Pos SoundTagScan(std::string& doc, Pos i)
{
    Pos k = i + 1;
    while (k < Len(doc) && doc[k] != '>') {
        if (doc[k] != '"' || doc[k - 1] != '=') {
            ++k;
            continue;
        }
        Pos close = k + 1;
        while (close < Len(doc) && doc[close] != '"')
            ++close;
        if (close >= Len(doc))
            return -1;
        bool bare = close > k + 1 && close + 1 < Len(doc) && IsOneOf(doc[close + 1], std::string_view(" \t\n\f\r>", 6));
        for (Pos v = k + 1; v < close; ++v)
            if (IsOneOf(doc[v], std::string_view(" \t\n\f\r\"'=<>`", 11)))
                bare = false;
        if (bare) {
            doc.erase(close, 1);
            doc.erase(k, 1);
            k = close - 1;
        } else {
            k = close + 1;
        }
    }
    return k;
}

void QuoteRemovalPass(std::string& doc, bool literal)
{
    Pos i = 0;
    while (i < Len(doc)) {
        // 0: under the sound rules, the text of textarea, title, style and xmp as it stands
        if (!literal && doc[i] == '<') {
            bool skipped = false;
            const auto endsName = [&doc](Pos at) { return at == Len(doc) || IsSpace(doc[at]) || IsOneOf(doc[at], "/>"); };
            for (const std::string name : {"script", "textarea", "title", "style", "xmp"}) {
                const Pos after = i + 1 + Pos(name.size());
                if (Is(doc, i + 1, name) && endsName(after)) {
                    Pos q = after;
                    while (q < Len(doc) && !(Is(doc, q, "</" + name) && q + 2 + Len(name) < Len(doc) &&
                                             endsName(q + 2 + Len(name))))
                        ++q;
                    i = q + 1;
                    skipped = true;
                    break;
                }
            }
            if (skipped)
                continue;
        }
        // 1: under the written rules, whatever begins "<script" is skipped to a "</script"
        if (literal && Is(doc, i, "<script")) {
            Pos q = i + 6;
            while (q < Len(doc) && !Is(doc, q, "</script"))
                ++q;
            if (q >= Len(doc))
                return;
            i = q + 1;
        }
        // 2; under the sound rules only where a tag may start: "<" then a letter, "/" or "?"
        const char after = i + 1 < Len(doc) ? doc[i + 1] : '\0';
        if (doc[i] == '<' && after != '!' && (literal || IsLetter(after) || after == '/' || after == '?')) {
            // 3: pre-scan for a single quote
            bool single = false;
            for (Pos k = i + 1; k < Len(doc); ++k) {
                if (doc[k] == '\'') {
                    single = true;
                    break;
                }
                if (doc[k] == '>')
                    break;
            }
            if (!single && !literal) {
                i = SoundTagScan(doc, i);
                if (i < 0)
                    return;
            } else if (!single) {
                // 4: tag scan
                for (;;) {
                    if (i >= Len(doc) || doc[i] == '>')
                        break;
                    ++i;
                    Pos skip = 0;
                    if (Is(doc, i, "value=\""))
                        skip = 7;
                    else if (Is(doc, i, "alt=\""))
                        skip = 5;
                    if (skip) {
                        const Pos s = i;
                        i = s + skip;
                        bool space = false;
                        while (i < Len(doc) && doc[i] != '"') {
                            if (doc[i] == ' ')
                                space = true;
                            ++i;
                        }
                        ++i;
                        if (i >= Len(doc))
                            return;
                        if (!space)
                            i = s;
                    }
                    if (i < Len(doc) && doc[i] == '"') {
                        doc.erase(i, 1);
                        --i;
                    }
                }
            }
        }
        // 5
        ++i;
    }
}

// One pair of renaming rows as a single scan: only an element opened as exactly <name> is
// renamed, so its closing tag is renamed with it and nothing else is. Nothing inside script,
// textarea, title or style is renamed.
// The element opened exactly as "<name>" just before `from` may be renamed: "</name>" closes it
// within 65536 bytes, and before that comes no tag of the short name, no other closing of the
// name, no "<!" and no script, textarea, title or style.
bool RenameIsSafe(const std::string& doc, Pos from, const std::string& name, const std::string& shortName)
{
    const auto nameAt = [&doc](Pos at, const std::string& n) {
        const Pos after = at + Len(n);
        return Is(doc, at, n) && (after >= Len(doc) || IsSpace(doc[after]) || IsOneOf(doc[after], "/>"));
    };
    int depth = 1;
    bool inTag = false; // the last "<" or ">" was a "<"
    for (Pos q = from; q < Len(doc) && q < from + 65536; ++q) {
        if (doc[q] == '>')
            inTag = false;
        if (doc[q] != '<' || q + 1 >= Len(doc) || !(IsLetter(doc[q + 1]) || IsOneOf(doc[q + 1], "/!?")))
            continue; // a "<" of the text
        if (inTag)
            continue; // inside a tag: no tag of its own
        inTag = true;
        const bool closing = doc[q + 1] == '/';
        const Pos at = q + 1 + (closing ? 1 : 0);
        if (at >= Len(doc))
            break;
        if (doc[q + 1] == '!' || nameAt(at, shortName))
            return false;
        if (!closing) {
            for (const std::string text : {"script", "textarea", "title", "style", "xmp"})
                if (nameAt(at, text))
                    return false;
            if (nameAt(at, name))
                ++depth;
        } else if (nameAt(at, name)) {
            if (!Is(doc, q, "</" + name + ">"))
                return false;
            if (--depth == 0)
                return true;
        }
    }
    return false;
}

void RenamePass(std::string& doc, const std::string& name, const std::string& shortName)
{
    const std::string opening = "<" + name;
    const std::string closing = "</" + name + ">";
    std::vector<bool> open; // innermost last; true when renamed
    // A name ends at a space, "/", ">" or the end of the document.
    const auto nameEnds = [&doc](Pos at) { return at >= Len(doc) || IsSpace(doc[at]) || IsOneOf(doc[at], "/>"); };
    for (Pos i = 0; i < Len(doc); ++i) {
        if (doc[i] != '<')
            continue;
        // A "<" after another that opens markup, with no ">" between, stands inside that tag:
        // nothing of it counts.
        const auto opens = [&doc](Pos k) {
            return k + 1 < Len(doc) && (IsLetter(doc[k + 1]) || IsOneOf(doc[k + 1], "/!?"));
        };
        Pos k = i - 1;
        while (k >= 0 && doc[k] != '>' && !(doc[k] == '<' && opens(k)))
            --k;
        if (k >= 0 && doc[k] == '<')
            continue;
        bool text = false;
        for (const std::string element : {"script", "textarea", "title", "style", "xmp"}) {
            if (!text && Is(doc, i, "<" + element) && nameEnds(i + 1 + Len(element))) {
                Pos q = i + 1;
                while (q < Len(doc) && !(Is(doc, q, "</" + element) && q + 2 + Len(element) < Len(doc) &&
                                         nameEnds(q + 2 + Len(element))))
                    ++q;
                if (q >= Len(doc))
                    return;
                i = q + 1;
                text = true;
            }
        }
        if (text)
            continue;
        const Pos after = i + Len(opening);
        if (Is(doc, i, opening + ">") && RenameIsSafe(doc, after + 1, name, shortName)) {
            doc.replace(i, opening.size() + 1, "<" + shortName + ">");
            open.push_back(true);
        } else if (Is(doc, i, opening + ">")) {
            open.push_back(false);
        } else if (Is(doc, i, opening) && after < Len(doc) && IsOneOf(doc[after], std::string_view(" \t\n\f\r/", 6))) {
            open.push_back(false);
        } else if (Is(doc, i, closing)) {
            const bool renamed = !open.empty() && open.back();
            if (!open.empty())
                open.pop_back();
            if (renamed)
                doc.replace(i, closing.size(), "</" + shortName + ">");
        }
    }
}

void PairReplacePass(std::string& doc, const std::string& longOpening, const std::string& shortOpening,
                     const std::string& longClosing, const std::string& shortClosing)
{
    bool opening = true;
    for (Pos i = 0; i < Len(doc); ++i) {
        if (opening && Is(doc, i, longOpening)) {
            doc.replace(i, longOpening.size(), shortOpening);
            opening = false;
        } else if (!opening && Is(doc, i, longClosing)) {
            doc.replace(i, longClosing.size(), shortClosing);
            opening = true;
        }
    }
}

} // namespace

std::string ReferenceCompress(std::string doc, const ReferenceSwitches& sw)
{
    if (doc.empty())
        return doc;
    const bool w = sw.Webbots;
    const bool sound = !sw.Literal;
    if (sw.InvCommas)
        QuoteRemovalPass(doc, sw.Literal);
    if (sw.AllReturns) {
        ReplacePass(doc, "\r\r", "\r", true, sound, w, sound);
        ReplacePass(doc, "\n\n", "\n", true, sound, w, sound);
        ReplacePass(doc, "\r\n", "", true, true, w, sound);
        ReplacePass(doc, "\r", "", true, true, w, sound);
        ReplacePass(doc, "\n", "", true, true, w, sound);
    }
    if (sw.Returns && !sw.AllReturns) {
        ReplacePass(doc, "\r\r", "\r", true, sound, w, sound);
        ReplacePass(doc, "\n\n", "\n", true, sound, w, sound);
    }
    if (sw.Spaces) {
        ReplacePass(doc, "    ", " ", true, true, w, sound);
        ReplacePass(doc, "   ", " ", true, true, w, sound);
        ReplacePass(doc, "  ", " ", true, true, w, sound);
        ReplacePass(doc, "  ", " ", true, true, w, sound);
        ReplacePass(doc, " >", ">", true, true, w, sound);
        ReplacePass(doc, "> <t", "><t", true, true, w, sound);
        ReplacePass(doc, "> </t", "></t", true, true, w, sound);
        ReplacePass(doc, "> <l", "><l", true, true, w, sound);
        ReplacePass(doc, "> </l", "></l", true, true, w, sound);
        ReplacePass(doc, "> <p", "><p", true, true, w, sound);
        ReplacePass(doc, "> </p", "></p", true, true, w, sound);
    }
    if (sw.SimpleTags && sw.Literal) {
        ReplacePass(doc, "<strong>", "<b>", false, true, w, sound);
        ReplacePass(doc, "</strong>", "</b>", false, true, w, sound);
        ReplacePass(doc, "<em>", "<i>", false, true, w, sound);
        ReplacePass(doc, "</em>", "</i>", false, true, w, sound);
        ReplacePass(doc, "<strike>", "<s>", false, true, w, sound);
        ReplacePass(doc, "</strike>", "</s>", false, true, w, sound);
    } else if (sw.SimpleTags) {
        RenamePass(doc, "strong", "b");
        RenamePass(doc, "em", "i");
        RenamePass(doc, "strike", "s");
    }
    if (sw.BlockquoteToUl && sw.Literal) {
        ReplacePass(doc, "<blockquote>", "<ul>", false, true, w, sound);
        ReplacePass(doc, "</blockquote>", "</ul>", false, true, w, sound);
    } else if (sw.BlockquoteToUl) {
        RenamePass(doc, "blockquote", "ul");
    }
    if (sw.Center) {
        PairReplacePass(doc, "<p align=center>", "<center>", "</p>", "</center>");
        PairReplacePass(doc, "<p align=\"center\">", "<center>", "</p>", "</center>");
    }
    return doc;
}

void ApplySwitches(const ReferenceSwitches& s, THTMLCompressor& engine)
{
    engine.SimpleTags = s.SimpleTags;
    engine.Center = s.Center;
    engine.InvCommas = s.InvCommas;
    engine.Spaces = s.Spaces;
    engine.Returns = s.Returns;
    engine.AllReturns = s.AllReturns;
    engine.Webbots = s.Webbots;
    engine.BlockquoteToUl = s.BlockquoteToUl;
    engine.Literal = s.Literal;
}
