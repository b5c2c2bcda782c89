// The block-tag lookup packs names into numbers and treats the two longest apart, so names
// around those lengths and at the end of the bytes are where it could slip.
#include "engine/BlockTags.h"

#include <gtest/gtest.h>
#include <string>

namespace {

bool Starts(const std::string& text)
{
    return blocktags::StartsBlockTag(text.data(), text.size());
}

TEST(BlockTags, NamesAndNearMisses)
{
    for (const char* name : {"p", "td", "TD", "dir", "html", "table", "Center", "address", "optgroup",
                             "colgroup", "blockquote", "FIGCAPTION", "h6"}) {
        EXPECT_TRUE(Starts(std::string("<") + name + ">")) << name;
        EXPECT_TRUE(Starts(std::string("</") + name + " x")) << name;
    }
    // Each name is told by its own index, which says what a browser does with it.
    for (std::string_view name : blocktags::kBlockTagNames) {
        const std::string tag = "</" + std::string(name) + ">";
        EXPECT_EQ(blocktags::BlockTagIndex(tag.data(), tag.size()), blocktags::BlockNameIndex(name)) << name;
    }
    for (const char* text : {"<li>",        "</li>",       "<b>",           "<tt>",
                             "<span>",      "<h7>",        "<pre2>",        "<noscripts>",
                             "<noscript>",  "<script>",    "<TITLE>",       "<meta x>",
                             "<frameset>",  "<framesets>", "<select>",    "<figcaptio>", "<figcaptions>", "<blockquote1>",
                             "<tablex>",    "<//td>",      "< td>",         "<!DOCTYPE",
                             "<",           "</",          "td>",           ""}) {
        EXPECT_FALSE(Starts(text)) << text;
    }
    // The name ends where the bytes end.
    EXPECT_TRUE(blocktags::StartsBlockTag("<tdx", 3));
    EXPECT_FALSE(blocktags::StartsBlockTag("<tdx", 4));
}

} // namespace
