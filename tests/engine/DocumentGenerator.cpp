#include "DocumentGenerator.h"

#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 72> kTokens = {
    " ", "  ", "   ", "    ", "     ", "\r", "\n", "\r\n", "\r\n", "\"", "'", "<", ">", "<pre", "</pre>",
    "<PRE", "<pre>", "<textarea", "</textarea>", "<script", "</script", "</script>", "<!--webbot", "<!--",
    "<p align=center>", "<p align=\"center\">", "</p>", "</P>", "<strong>", "</strong>", "<em>", "</em>",
    "<STRIKE>", "</strike>", "<blockquote>", "</BLOCKQUOTE>", "value=\"", "alt=\"", "VALUE=\"", "<t", "</t",
    "<l", "<p", "<a ", "=", "!", "a", "b", "T", "x", "\t", "\xb0",
    // What decides whether a browser would see a change: values, block and inline tags, renamed
    // elements opened with attributes.
    "=\"", "\f", "`", "/", "<td>", "</TD>", "<b>", "</b>", "<Div", "<!DOCTYPE html>", "<h1>", "<tt>",
    "<em ", "<EM/", "<strong\t", "<strike\n", "<blockquote ", "</li>", "<xmp>", "</XMP>",
};

} // namespace

std::uint8_t DocumentGenerator::Next()
{
    return m_pos < m_size ? m_data[m_pos++] : 0;
}

ReferenceSwitches DocumentGenerator::Switches()
{
    const std::uint8_t b = Next();
    ReferenceSwitches s;
    s.SimpleTags = b & 1;
    s.Center = b & 2;
    s.InvCommas = b & 4;
    s.Spaces = b & 8;
    s.Returns = b & 16;
    s.AllReturns = b & 32;
    s.Webbots = b & 64;
    s.BlockquoteToUl = b & 128;
    return s;
}

std::string DocumentGenerator::Document(std::size_t maxTokens)
{
    std::string doc;
    for (std::size_t t = 0; t < maxTokens && m_pos < m_size; ++t)
        doc += kTokens[Next() % kTokens.size()];
    return doc;
}
