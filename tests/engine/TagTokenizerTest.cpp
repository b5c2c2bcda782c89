// The tokenizer reads text 64 bytes at a time where it can and byte by byte where it must; how a
// document is cut into reads, and whether the bytes ahead may be looked at, must not change what
// it says at any place.
#include "engine/ByteScan.h"
#include "engine/TagTokenizer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Seen
{
    bool inTag, inText;
    std::size_t tagStart;
    bool operator==(const Seen&) const = default;
};

Seen Look(const blocktags::TagTokenizer& t)
{
    return {t.InTag(), t.InText(), t.InTag() ? t.TagStart() : 0};
}

std::string Document(std::mt19937& random)
{
    static const char* pieces[] = {
        "<p>", "</p>", "<td class=x>", "<a href=\"x>y\">", "<b title='<p'>", " ", "\n", "words",
        "a < b", "a > b", "<!-- c <p> -->", "<!--->", "<title>a <p> b</title>", "<TD>",
        "<script>if(a<b)x='</scr'+'ipt>'</script>", "<style>p>b{}</style>", "<textarea><b></textarea>",
        "<?xml?>", "<!DOCTYPE html>", "</ x>", "</>", "<a<b>", "<x y=a\"b>", "\"", "'", "<![CDATA[ > ]]>",
        "<strong>", "<sTyle>", "<noscript><p></noscript>", "<xmp>", "</XMP>", "<iframe>", "<s", "<t",
        "<script><!--<script></script>--></script>", "<img src=a.gif alt=\"a > b\">", "<br/>", "=\"", "<",
        ">", "</td >", "<a b=c d='e'>", "<tt>x</tt>", "<p\ttitle=\"x\"\n>"};
    std::string d;
    const std::size_t length = 64 + random() % 700;
    while (d.size() < length)
        d += pieces[random() % std::size(pieces)];
    return d;
}

// Reads d in pieces ending at the given places, noting what the tokenizer says at each.
std::vector<Seen> ReadIn(const std::string& d, const std::vector<std::size_t>& ends, std::size_t readable)
{
    blocktags::TagTokenizer t;
    std::vector<Seen> seen;
    std::size_t from = 0;
    for (const std::size_t end : ends) {
        t.Read(d.data(), from, end, readable);
        from = end;
        seen.push_back(Look(t));
    }
    return seen;
}

TEST(TagTokenizer, SaysTheSameHoweverTheDocumentIsRead)
{
    std::mt19937 random(7);
    for (const auto width : {bytescan::ScanWidth::Bytes, bytescan::ScanWidth::Avx2}) {
        bytescan::LimitScanWidth(width);
        for (int round = 0; round < 400; ++round) {
            const std::string d = Document(random);
            std::vector<std::size_t> everyByte;
            for (std::size_t k = 1; k <= d.size(); ++k)
                everyByte.push_back(k);
            // One byte at a time, nothing looked at ahead: the byte-wise states throughout.
            const std::vector<Seen> truth = ReadIn(d, everyByte, 0);
            std::vector<std::size_t> cuts;
            for (std::size_t k = 1 + random() % 40; k < d.size(); k += 1 + random() % 90)
                cuts.push_back(k);
            cuts.push_back(d.size());
            for (const std::size_t readable : {std::size_t{0}, d.size()}) {
                const std::vector<Seen> seen = ReadIn(d, cuts, readable);
                for (std::size_t k = 0; k < cuts.size(); ++k)
                    ASSERT_EQ(seen[k], truth[cuts[k] - 1]) << "at " << cuts[k] << " of\n" << d;
            }
        }
    }
    bytescan::LimitScanWidth(bytescan::ScanWidth::Avx2);
}

} // namespace
