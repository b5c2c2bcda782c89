#include "ReferenceCompressor.h"

#include "HTMLCompressor.h"

#include <cstddef>

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

void ReplacePass(std::string& doc, const std::string& search, const std::string& replacement,
                 bool protectPreTextarea, bool protectScript, bool webbots)
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
        if (protectScript && Is(doc, i, "<script")) {
            if (!SkipToClosingTag(doc, i, "</script>"))
                return;
            skipped = true;
        }
        if (skipped) {
            ++i;
            continue;
        }
        // 2: match
        if (Is(doc, i, search)) {
            if (r > 0) {
                doc.replace(i, n, replacement);
                continue;
            }
            const bool before = i > 0 && (doc[i - 1] == '>' || doc[i - 1] == ' ');
            const bool after = i + n < Len(doc) &&
                               (doc[i + n] == '<' || doc[i + n] == ' ' || doc[i + n] == '\r' || doc[i + n] == '\n');
            if (before || after) {
                doc.erase(i, n);
                continue;
            }
        }
        // 3: tags and marker comments, for passes whose search text begins with CR
        if (search[0] == '\r' && doc[i] == '<') {
            if (webbots && Is(doc, i, "<!--webbot")) {
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

void QuoteRemovalPass(std::string& doc)
{
    Pos i = 0;
    while (i < Len(doc)) {
        // 1: script elements are skipped whole
        if (Is(doc, i, "<script")) {
            Pos q = i + 6;
            while (q < Len(doc) && !Is(doc, q, "</script"))
                ++q;
            if (q >= Len(doc))
                return;
            i = q + 1;
        }
        // 2
        if (doc[i] == '<' && !(i + 1 < Len(doc) && doc[i + 1] == '!')) {
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
            if (!single) {
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
    if (sw.InvCommas)
        QuoteRemovalPass(doc);
    if (sw.AllReturns) {
        ReplacePass(doc, "\r\r", "\r", true, false, w);
        ReplacePass(doc, "\n\n", "\n", true, false, w);
        ReplacePass(doc, "\r\n", "", true, true, w);
        ReplacePass(doc, "\r", "", true, true, w);
        ReplacePass(doc, "\n", "", true, true, w);
    }
    if (sw.Returns && !sw.AllReturns) {
        ReplacePass(doc, "\r\r", "\r", true, false, w);
        ReplacePass(doc, "\n\n", "\n", true, false, w);
    }
    if (sw.Spaces) {
        ReplacePass(doc, "    ", " ", true, true, w);
        ReplacePass(doc, "   ", " ", true, true, w);
        ReplacePass(doc, "  ", " ", true, true, w);
        ReplacePass(doc, "  ", " ", true, true, w);
        ReplacePass(doc, " >", ">", true, true, w);
        ReplacePass(doc, "> <t", "><t", true, true, w);
        ReplacePass(doc, "> </t", "></t", true, true, w);
        ReplacePass(doc, "> <l", "><l", true, true, w);
        ReplacePass(doc, "> </l", "></l", true, true, w);
        ReplacePass(doc, "> <p", "><p", true, true, w);
        ReplacePass(doc, "> </p", "></p", true, true, w);
    }
    if (sw.SimpleTags) {
        ReplacePass(doc, "<strong>", "<b>", false, true, w);
        ReplacePass(doc, "</strong>", "</b>", false, true, w);
        ReplacePass(doc, "<em>", "<i>", false, true, w);
        ReplacePass(doc, "</em>", "</i>", false, true, w);
        ReplacePass(doc, "<strike>", "<s>", false, true, w);
        ReplacePass(doc, "</strike>", "</s>", false, true, w);
    }
    if (sw.BlockquoteToUl) {
        ReplacePass(doc, "<blockquote>", "<ul>", false, true, w);
        ReplacePass(doc, "</blockquote>", "</ul>", false, true, w);
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
}
