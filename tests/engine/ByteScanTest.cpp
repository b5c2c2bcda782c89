// The block-at-a-time searches against byte-by-byte ones, at every alignment and length, since
// a slip at a block edge would only show on rare documents.
#include "engine/ByteScan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using bytescan::CandidateFinder;

bool BeginsWith(const std::string& d, std::size_t j, std::string_view text)
{
    const std::size_t n = std::min<std::size_t>(text.size(), 3);
    if (j + n > d.size())
        return false;
    for (std::size_t k = 0; k < n; ++k)
        if (bytescan::Fold(static_cast<unsigned char>(d[j + k])) != static_cast<unsigned char>(text[k]))
            return false;
    return true;
}

TEST(ByteScan, CandidatesMatchAByteByByteSearch)
{
    const std::vector<std::string_view> texts = {"\r\n", "<pre", "<textarea", "  ", "> <t", "\n", "<!--webbot"};
    CandidateFinder finder;
    for (std::string_view t : texts)
        finder.Add(t);

    std::mt19937 random(7);
    const char alphabet[] = "<>!-\r\n pPrReEtT\"xX";
    for (int round = 0; round < 2000; ++round) {
        std::string d(random() % 120, ' ');
        for (char& c : d)
            c = alphabet[random() % (sizeof alphabet - 1)];
        for (std::size_t from = 0; from <= d.size(); from += 1 + random() % 5) {
            std::size_t expected = d.size();
            for (std::size_t j = from; j < d.size() && expected == d.size(); ++j)
                for (std::string_view t : texts)
                    if (BeginsWith(d, j, t))
                        expected = j;
            ASSERT_EQ(finder.Next(d.data(), from, d.size()), expected) << "round " << round << " from " << from;
        }
    }
}

TEST(ByteScan, TagEndAndLastQuotesMatchAByteByByteScan)
{
    std::mt19937 random(11);
    const char alphabet[] = "ab\"'>..........";
    for (int round = 0; round < 3000; ++round) {
        std::string d(random() % 100, '.');
        for (char& c : d)
            c = alphabet[random() % (sizeof alphabet - 1)];
        const std::size_t from = d.empty() ? 0 : random() % d.size();
        std::size_t end = from, lastDouble = bytescan::npos, lastSingle = bytescan::npos;
        for (; end < d.size() && d[end] != '>'; ++end) {
            if (d[end] == '"')
                lastDouble = end;
            if (d[end] == '\'')
                lastSingle = end;
        }
        std::size_t gotEnd = 0, gotDouble = 0, gotSingle = 0;
        bytescan::ScanToTagEnd(d.data(), from, d.size(), gotEnd, gotDouble, gotSingle);
        ASSERT_EQ(gotEnd, end) << d << " from " << from;
        ASSERT_EQ(gotDouble, lastDouble) << d << " from " << from;
        ASSERT_EQ(gotSingle, lastSingle) << d << " from " << from;
    }
}

TEST(ByteScan, TooManyPatternsStillFindEverything)
{
    CandidateFinder finder;
    const std::string letters = "abcdefghijk";
    for (char c : letters)
        finder.Add(std::string(1, c) + "z");
    const std::string d = std::string(40, '.') + "kz" + std::string(40, '.');
    const std::size_t found = finder.Next(d.data(), 0, d.size());
    // Every position may be offered, but never one past the real match.
    EXPECT_LE(found, 40u);
}

// The 64-byte masks against byte-by-byte answers at every offset of random tag soup.
TEST(ByteScan, MasksMatchAByteByByteLook)
{
    for (const char* text : {"<strong", "</STRIKE>", "<em", "</em>", "<script", "<p align=center>", "</p>"})
        EXPECT_TRUE(bytescan::StartsShortTagCandidate(text, 0, std::strlen(text))) << text;
    for (const char* text : {"<span", "</span>", "<p>", "<pre", "<e", "< st", "</p", "</b>"})
        EXPECT_FALSE(bytescan::StartsShortTagCandidate(text, 0, std::strlen(text))) << text;
    std::mt19937 random(11);
    const char alphabet[] = "<>/\"'= pPsStTeEcCmM!x\n<</";
    std::string d(300, ' ');
    for (int round = 0; round < 200; ++round) {
        for (char& c : d)
            c = alphabet[random() % (sizeof alphabet - 1)];
        for (std::size_t at = 0; at + 67 <= d.size(); at += 1 + random() % 7) {
            bytescan::TagMasks masks{};
            std::uint64_t candidates = 0;
            if (!bytescan::MakeTagMasks(d.data() + at, masks) || !bytescan::ShortTagCandidates(d.data() + at, candidates))
                GTEST_SKIP() << "no wide instructions here";
            for (std::size_t k = 0; k < 64; ++k) {
                const char b = d[at + k];
                ASSERT_EQ(masks.lt >> k & 1, b == '<');
                ASSERT_EQ(masks.gt >> k & 1, b == '>');
                ASSERT_EQ(masks.dq >> k & 1, b == '"');
                ASSERT_EQ(masks.sq >> k & 1, b == '\'');
                ASSERT_EQ(candidates >> k & 1, bytescan::StartsShortTagCandidate(d.data(), at + k, d.size()))
                    << d.substr(at + k, 3);
            }
        }
    }
}

TEST(ByteScan, LiteralAndLastAndEither)
{
    std::string d(100, 'x');
    d.replace(70, 6, "</PrE>");
    d[20] = '"';
    d[90] = '>';
    EXPECT_EQ(bytescan::FindLiteral(d.data(), 0, d.size(), "</pre>"), 70u);
    EXPECT_EQ(bytescan::FindLiteral(d.data(), 71, d.size(), "</pre>"), bytescan::npos);
    EXPECT_EQ(bytescan::FindLiteral(d.data(), 0, 75, "</pre>"), bytescan::npos);
    EXPECT_EQ(bytescan::FindLastEither(d.data(), 0, 100, '"', '>'), 90u);
    EXPECT_EQ(bytescan::FindLastEither(d.data(), 0, 90, '"', '>'), 75u);
    EXPECT_EQ(bytescan::FindLastEither(d.data(), 0, 75, '"', '>'), 20u);
    EXPECT_EQ(bytescan::FindLastEither(d.data(), 21, 75, '"', '>'), bytescan::npos);
    EXPECT_EQ(bytescan::FindEither(d.data(), 21, 100, '"', '>'), 75u);
    EXPECT_EQ(bytescan::FindEither(d.data(), 0, 100, '"', '>'), 20u);
}

} // namespace
