// The engine against the literal reference on many generated documents under random switches.
#include "engine/ByteScan.h"
#include "DocumentGenerator.h"
#include "engine/HTMLCompressor.h"
#include "ReferenceCompressor.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

std::string Escaped(const std::string& s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += static_cast<char>(c);
    }
    return out;
}

// The document under both settings (the rules that keep what a browser shows, and the literal
// ones); false, with a failure saying where, when the engine and the reference differ.
bool MatchesReference(THTMLCompressor& engine, const std::string& doc, ReferenceSwitches switches,
                      const std::string& where)
{
    bool same = true;
    for (const bool literal : {false, true}) {
        switches.Literal = literal;
        ApplySwitches(switches, engine);
        const std::string fast = engine.CompressBytes(doc);
        const std::string slow = ReferenceCompress(doc, switches);
        EXPECT_LE(fast.size(), doc.size());
        if (fast != slow) {
            same = false;
            ADD_FAILURE() << where << " literal " << literal << "\n  input:     " << Escaped(doc)
                          << "\n  engine:    " << Escaped(fast) << "\n  reference: " << Escaped(slow);
        }
    }
    return same;
}

// `rounds` documents of up to 64 tokens from up to 48 random bytes, each with the switches it chose
// and the first of those bytes, given to `check` until five fail.
template <typename Check>
void ForGeneratedDocuments(unsigned seed, int rounds, Check check)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes;
    int failures = 0;
    for (int round = 0; round < rounds && failures < 5; ++round) {
        bytes.resize(1 + random() % 48);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(random());
        DocumentGenerator gen(bytes.data(), bytes.size());
        const ReferenceSwitches switches = gen.Switches();
        failures += !check(gen.Document(64), switches, round, bytes[0]);
    }
}

// The --best rules have no literal reference: they must never lengthen a page, and a second run
// must find nothing left to do. False, with a failure saying where, otherwise.
bool BestHolds(THTMLCompressor& engine, const std::string& doc, int round)
{
    const std::string once = engine.CompressBytes(doc);
    const std::string twice = engine.CompressBytes(once);
    if (once.size() <= doc.size() && twice == once)
        return true;
    ADD_FAILURE() << "round " << round << "\n  input:  " << Escaped(doc) << "\n  once:   " << Escaped(once)
                  << "\n  twice:  " << Escaped(twice);
    return false;
}

TEST(Differential, GeneratedDocumentsMatchTheReference)
{
    THTMLCompressor engine;
    ForGeneratedDocuments(20261208, 120000, [&](const std::string& doc, ReferenceSwitches switches, int round, int byte) {
        return MatchesReference(engine, doc, switches,
                                "round " + std::to_string(round) + " switches byte " + std::to_string(byte));
    });
}

// Longer documents from the pieces of real pages: tags longer than the 64 bytes the scans look at
// at once, runs of spaces and breaks across those blocks, marker comments beside runs.
TEST(Differential, PageLikeDocumentsMatchTheReference)
{
    static const char* const kPieces[] = {
        "<table border=\"0\" cellpadding=\"2\" width=\"100%\" summary=\"a table of many things\">",
        "<td class=\"cell\" valign=\"top\">", "</td>", "\r\n", "\n", "    ", " ", "  <tr>", "</tr>\r\n", "<li>",
        "<a href=\"../library/functions.html#open\" title=\"open a file\" class=\"reference internal\">", "</a>",
        "<p align=\"center\">", "<p align=center>", "</p>", "<STRONG>", "</strong>", "<em class=x>", "</em>", "<em>",
        "word", "more words here", "<pre>\n  a  b\n</pre>", "<script type=\"text/javascript\">\n var x = \"a  b\";\n\n f();\n</script>",
        "<!--webbot bot=\"Timestamp\" startspan -->", "<!-- note -->", "<input value=\"a b\" alt=\"\">", "'", "\"", ">",
        "<", "<textarea>\n  x  </textarea>", "<br>", "</li>", "<title>T</title>", "a ->", "<div\nclass=\"x\">", "\r",
    };
    THTMLCompressor engine;
    int failures = 0;
    // Also without the wide instructions, as on a processor that lacks them.
    for (const auto width : {bytescan::ScanWidth::Avx2, bytescan::ScanWidth::Sse2, bytescan::ScanWidth::Bytes}) {
        bytescan::LimitScanWidth(width);
        std::mt19937 random(42);
        for (int round = 0; round < 1500 && failures < 3; ++round) {
            std::string doc;
            for (int k = 1 + random() % 80; k > 0; --k)
                doc += kPieces[random() % std::size(kPieces)];
            ReferenceSwitches switches; // the window's
            if (round % 4 == 3)
                switches.Webbots = switches.Spaces = random() % 2;
            if (!MatchesReference(engine, doc, switches,
                                  "round " + std::to_string(round) + " width " + std::to_string(int(width))))
                ++failures;
        }
    }
    bytescan::LimitScanWidth(bytescan::ScanWidth::Avx2);
}

// --best on the same documents, under the switches they chose.
TEST(Differential, BestNeverGrowsAndIsStable)
{
    THTMLCompressor engine;
    ForGeneratedDocuments(20261209, 60000, [&](const std::string& doc, ReferenceSwitches switches, int round, int) {
        ApplySwitches(switches, engine);
        engine.Literal = false;
        engine.Best = true;
        return BestHolds(engine, doc, round);
    });
}

// The same on documents from the pieces the --best rules look at: lists, tables, definitions, the
// head, comments of every kind, references, elements that keep their spaces.
TEST(Differential, BestOnStructuredDocuments)
{
    static const char* const kPieces[] = {
        "<ul>", "</ul>", "<li>", "</li>", "<ol>", "<dl>", "<dt>", "</dt>", "<dd>", "</dd>", "</dl>", "<p>", "</p>",
        "<div>", "</div>", "<span>", "</span>", "<table>", "<tr>", "</tr>", "<td>", "</td>", "<th>", "<tbody>",
        "</tbody>", "</table>", "<html>", "<head>", "</head>", "<body>", "</body>", "</html>", "<title>t</title>",
        "<meta charset=utf-8>", "<script type=\"text/javascript\">", "</script>", "<style>", "</style>",
        "<link rel=stylesheet type=text/css>", "<!-- c -->", "<!--[if IE]>", "<![endif]-->", "<!--", "-->", "--!>",
        "<pre>", "</pre>", "<svg>", "</svg>", "<path/>", "<div style=\"white-space:pre\">", "<p align=center>",
        "<strong>", "</strong>", "&nbsp;", "&lt;", "&amp;", "&gt;", "&#47;", "&#8212;", "&", "<", ">", "/", "=",
        " ", "  ", "\n", "\r\n", "\t", "word", "x", "\"", "'", "<a href=\"x\" title='a b' >", "</a>", "<br/>",
        "<img alt=\"\" />", "<textarea>", "</textarea>", "<!DOCTYPE html>", "<plaintext>", "<template>", "<b",
    };
    THTMLCompressor engine;
    engine.Best = true;
    std::mt19937 random(7);
    int failures = 0;
    for (int round = 0; round < 20000 && failures < 5; ++round) {
        std::string doc;
        for (int k = 1 + random() % 60; k > 0; --k)
            doc += kPieces[random() % std::size(kPieces)];
        engine.Center = engine.SimpleTags = round % 3 != 0;
        engine.InvCommas = round % 5 != 0;
        failures += !BestHolds(engine, doc, round);
    }
}

} // namespace
