// The open elements the --best pass follows, and the character references it writes out, checked
// against what the HTML parser does with small tag sequences.
#include "engine/OpenElements.h"

#include "engine/CharacterReferences.h"
#include "engine/ElementNames.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

using elementnames::Id;
using elementnames::Lookup;

// Feeds "p li /li" style names (a leading "/" for an end tag) to a model.
openelements::OpenElements Follow(const std::string& tags)
{
    openelements::OpenElements open;
    std::istringstream words(tags);
    for (std::string tag; words >> tag;) {
        const bool end = tag[0] == '/';
        const std::string name = end ? tag.substr(1) : tag;
        if (end)
            open.End(name, Lookup(name));
        else
            open.Start(name, Lookup(name));
    }
    return open;
}

TEST(OpenElements, ParagraphsItemsAndDefinitionsCloseAsTheParserClosesThem)
{
    EXPECT_TRUE(Follow("div p span").TopIs(Id::P)); // phrasing is not followed
    EXPECT_FALSE(Follow("div p div").TopIs(Id::P));
    EXPECT_TRUE(Follow("ul li p li").TopIs(Id::Li)); // the second item closes the paragraph and the first
    EXPECT_TRUE(Follow("ul li div li").TopIs(Id::Li));
    EXPECT_TRUE(Follow("dl dt p dd").TopIs(Id::Dd));
    EXPECT_TRUE(Follow("ul li section /section").TopIs(Id::Li));
    EXPECT_FALSE(Follow("ul li section").TopIs(Id::Li));
    EXPECT_TRUE(Follow("div p /b").TopIs(Id::P)); // an end tag of nothing followed changes nothing
    EXPECT_TRUE(Follow("p form /form p").TopIs(Id::P));
    EXPECT_TRUE(Follow("h1 h2").EndFinds("h2", Lookup("h2")));
    EXPECT_FALSE(Follow("h1 h2").EndFinds("h1", Lookup("h1")));
}

TEST(OpenElements, EndTagsFindTheirElementOnlyWithinScope)
{
    EXPECT_TRUE(Follow("div ul li").EndFinds("div", Lookup("div")));
    EXPECT_FALSE(Follow("div table tr td p").EndFinds("div", Lookup("div"))); // a cell bounds the search
    EXPECT_TRUE(Follow("table tr td p").EndFinds("td", Lookup("td")));
    EXPECT_FALSE(Follow("li ol p").EndFinds("li", Lookup("li"))); // a list bounds the search for an item
    EXPECT_FALSE(Follow("p button").EndFinds("p", Lookup("p")));
    EXPECT_TRUE(Follow("table td p").InCell()); // the row and the row group are implied
    EXPECT_FALSE(Follow("table td table p").InCell());
    EXPECT_TRUE(Follow("table caption /caption tbody tr td").InCell());
}

TEST(OpenElements, WhatItCannotFollowStopsIt)
{
    for (const char* tags : {"p select", "p table", "div form form", "div template", "div object", "div td",
                             "table colgroup div"}) {
        const auto open = Follow(std::string(tags) + " p");
        EXPECT_FALSE(open.TopIs(Id::P)) << tags;
        EXPECT_FALSE(open.EndFinds("p", Lookup("p"))) << tags;
    }
    auto open = Follow("div p");
    open.Stop();
    EXPECT_FALSE(open.TopIs(Id::P));
}

std::string Written(const std::string& text)
{
    char out[4];
    std::size_t n = 0;
    const std::size_t taken = charrefs::ShorterReference(text.data(), 0, text.size(), out, n);
    return taken ? std::string(out, n) + text.substr(taken) : text;
}

TEST(CharacterReferences, WrittenOutOnlyWhereTheyReadTheSame)
{
    EXPECT_EQ(Written("&nbsp;x"), "\xC2\xA0x");
    EXPECT_EQ(Written("&#x2014;"), "\xE2\x80\x94");
    EXPECT_EQ(Written("&#128512;"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Written("&gt;a"), ">a");
    EXPECT_EQ(Written("&lt; b"), "< b");
    for (const char* stays : {"&nbsp", "&lt;b", "&lt;/", "&lt;!", "&amp;x", "&amp;#", "&amp;&lt;", "&#150;",
                              "&#65;", "&#xD800;", "&#xFFFE;", "&#9;", "&#1234567890;", "&unknown;", "&;"})
        EXPECT_EQ(Written(stays), stays);
    EXPECT_EQ(Written("&lt;&quot;"), "<&quot;"); // what follows is judged as it will be written
}

TEST(CharacterReferences, Utf8FromTheMarkOrTheFirstCharset)
{
    EXPECT_TRUE(charrefs::DeclaresUtf8("\xEF\xBB\xBFx", 4));
    for (const std::string& page :
         {std::string("<meta charset=utf-8>"), std::string("<META CHARSET=\"UTF8\">"),
          std::string("<meta http-equiv=Content-Type content=\"text/html; charset=UTF-8\">")})
        EXPECT_TRUE(charrefs::DeclaresUtf8(page.data(), page.size())) << page;
    for (const std::string& page :
         {std::string("<meta charset=utf-16>"), std::string("<meta charset=latin1><meta charset=utf-8>"),
          std::string("utf-8"), std::string(1100, ' ') + "<meta charset=utf-8>",
          std::string("<meta charset=utf-8x>")})
        EXPECT_FALSE(charrefs::DeclaresUtf8(page.data(), page.size())) << page;
}

} // namespace
