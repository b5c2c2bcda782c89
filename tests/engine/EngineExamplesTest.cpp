// The worked examples of the compressor, each with the switches it names; every example is
// checked against both the engine and the reference implementation, under the literal rules
// (the written result) and under the default rules that keep what a browser shows.
#include "engine/HTMLCompressor.h"
#include "ReferenceCompressor.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

enum Switch : unsigned
{
    kSimpleTags = 1,
    kCenter = 2,
    kInvCommas = 4,
    kSpaces = 8,
    kReturns = 16,
    kAllReturns = 32,
    kWebbots = 64,
    kBlockquoteToUl = 128,
    kWindow = kSimpleTags | kCenter | kInvCommas | kSpaces | kReturns | kAllReturns | kWebbots,
};

struct Example
{
    const char* name;
    unsigned switches;
    std::string before;
    std::string after; // with Literal on
    std::optional<std::string> byDefault = {}; // with Literal off, where it differs
};

ReferenceSwitches FromBits(unsigned s)
{
    ReferenceSwitches r;
    r.SimpleTags = s & kSimpleTags;
    r.Center = s & kCenter;
    r.InvCommas = s & kInvCommas;
    r.Spaces = s & kSpaces;
    r.Returns = s & kReturns;
    r.AllReturns = s & kAllReturns;
    r.Webbots = s & kWebbots;
    r.BlockquoteToUl = s & kBlockquoteToUl;
    return r;
}

const std::vector<Example>& Examples()
{
    static const std::vector<Example> examples = {
        // Line breaks
        {"crlf_between_words", kAllReturns, "a\r\nb", "a\nb"},
        {"crlf_after_space", kAllReturns, "a \r\nb", "a b"},
        // A tab shows as a space, so a break beside it shows nothing more.
        {"break_beside_tab", kAllReturns, "a\t\nb\r\n\tc", "a\t\nb\n\tc", "a\tb\tc"},
        {"crlf_around_text", kAllReturns, "<p>\r\nHello\r\n</p>", "<p>Hello</p>"},
        {"blank_line", kAllReturns, "a\r\n\r\nb", "a\nb"},
        {"breaks_at_the_ends", kAllReturns, "\nx\r\n", "\nx\n", "x"},
        // "</" and a break at the end are a comment; "</" alone would show as text.
        {"break_after_end_tag_open_at_the_end", kAllReturns | kSpaces, "a </\n\n", "a </\n"},
        {"breaks_beside_block_tags", kAllReturns, "<table><td>\nword</td>\n<td>x</td>", "<table><td>word</td><td>x</td>"},
        // Tags a browser drops where they stand part nothing: a table part outside a table, an end
        // tag with nothing of its name opened, and html, head and body tags.
        {"breaks_beside_dropped_tags", kAllReturns, "a\n</div>\nb\n<td>\nc\n</hr>\nd\n</body>\ne",
         "a</div>b<td>c</hr>d</body>e", "a\n</div>\nb\n<td>\nc\n</hr>\nd\n</body>\ne"},
        // A select sits in the line like a word: the break before it shows as a space.
        {"select_sits_in_the_line", kAllReturns, "Sort by\n<select><option>a</option></select>",
         "Sort by<select><option>a</option></select>", "Sort by\n<select><option>a</option></select>"},
        {"breaks_beside_inline_tags", kAllReturns, "to\n<code>x</code>\nmethod <span>a</span>\r\n<span>b</span>",
         "to<code>x</code>method <span>a</span><span>b</span>",
         "to\n<code>x</code>\nmethod <span>a</span>\n<span>b</span>"},
        {"breaks_beside_comments", kAllReturns, "<!DOCTYPE html>\n<div>\n<!-- x -->\n<p>word<!-- c -->\nnext",
         "<!DOCTYPE html><div><!-- x --><p>word<!-- c -->next",
         "<!DOCTYPE html><div><!-- x --><p>word<!-- c -->\nnext"},
        // A ">" in text closes no tag, and elements that show nothing separate no words.
        {"gt_in_text_after_block_tag", kAllReturns, "<td>a ->\nb</td>", "<td>a ->b</td>", "<td>a ->\nb</td>"},
        {"breaks_around_hidden_elements", kAllReturns | kSpaces,
         "<p>word\n<script>x()</script>\nword <style>p{}</style> </p>\r\n<title>t</title>",
         "<p>word<script>x()</script>word <style>p{}</style></p><title>t</title>",
         "<p>word\n<script>x()</script>\nword <style>p{}</style></p><title>t</title>"},
        {"crlf_inside_tag_kept", kAllReturns, "<a\r\nhref=x>", "<a\r\nhref=x>"},
        {"lf_inside_tag_after_space", kAllReturns, "<a \nhref=x>", "<a href=x>"},
        {"script_keeps_crlf", kAllReturns, "<script>\r\nx=1;\r\n\r\n</script>\r\n", "<script>\r\nx=1;\r\n\r\n</script>"},
        // The written rows collapse blank lines in a script; the default ones leave a script alone
        // (a blank line may stand inside a template string).
        {"script_lf_runs_collapse", kAllReturns, "<script>\n\n\nx=1;\n</script>", "<script>\nx=1;\n</script>",
         "<script>\n\n\nx=1;\n</script>"},
        {"pre_kept", kAllReturns, "<pre>\r\nA\r\n\r\nB\r\n</pre>\r\n", "<pre>\r\nA\r\n\r\nB\r\n</pre>"},
        {"returns_blank_crlf_line_kept", kReturns, "a\r\n\r\nb", "a\r\n\r\nb"},
        {"returns_runs", kReturns, "a\n\n\nb\r\r\rc", "a\nb\rc"},
        {"returns_cr_run_in_tag_kept", kReturns, "<a title=x\r\r\ry>\r\r\r", "<a title=x\r\r\ry>\r"},
        // Spaces
        {"space_runs", kSpaces, "a    b  c", "a b c"},
        {"space_before_gt", kSpaces, "x > y", "x> y", "x > y"},
        // A ">" of the text ends no tag, so the space before it stays.
        {"gt_in_text", kSpaces, "the zoom is > 1", "the zoom is> 1", "the zoom is > 1"},
        {"space_between_table_tags", kSpaces, "<table> <TR> <TD>x</TD> </TR>", "<table><tR><tD>x</TD></tR>"},
        {"space_between_list_tags", kSpaces, "<ul> <li>a</li> </ul>", "<ul><li>a</li> </ul>"},
        {"space_between_paragraph_tags", kSpaces, "<p> <b>x</b> </p>", "<p> <b>x</b></p>"},
        {"list_items_may_be_inline", kAllReturns | kSpaces, "<ul>\n<li>a</li>\n<li>b</li> <li>c</li>\n</ul>",
         "<ul><li>a</li><li>b</li><li>c</li></ul>", "<ul><li>a</li>\n<li>b</li> <li>c</li></ul>"},
        {"space_between_inline_tags", kSpaces, "<table><td><b>Option:</b> <tt>-x</tt></td> <td>",
         "<table><td><b>Option:</b><tt>-x</tt></td><td>", "<table><td><b>Option:</b> <tt>-x</tt></td><td>"},
        // A "<" inside a quoted value opens no tag: the space beside the b element stays.
        {"lt_in_quoted_value", kSpaces, R"(x<b title="<p"> <tt>y</tt></b>)", R"(x<b title="<p"><tt>y</tt></b>)",
         R"(x<b title="<p"> <tt>y</tt></b>)"},
        // A quoted value is the attribute's own: a title, an alt text or a field shows its spaces.
        {"quoted_values_kept", kAllReturns | kSpaces, "<img alt=\"a\n b\" title='x  y'>\n<input value=\"  z \">",
         "<img alt=\"a b\" title='x y'><input value=\" z \">", "<img alt=\"a\n b\" title='x  y'>\n<input value=\"  z \">"},
        // So inside noscript, whose contents a browser without scripts reads as markup.
        {"noscript_values_kept", kSpaces, "<noscript><img alt=\"a  b\"></noscript>",
         "<noscript><img alt=\"a b\"></noscript>", "<noscript><img alt=\"a  b\"></noscript>"},
        {"pre_spaces_kept", kSpaces, "<PRE>a  b</pre>  c", "<PRE>a  b</pre> c"},
        // Xmp shows its text as pre does.
        {"xmp_spaces_kept", kSpaces | kAllReturns, "<XMP>a  b\n\n c</xmp>  d", "<XMP>a b c</xmp> d",
         "<XMP>a  b\n\n c</xmp> d"},
        {"pre_never_closed", kSpaces, "<pre>a  b</pre >  c", "<pre>a  b</pre >  c"},
        {"textarea_never_closed", kSpaces, "<textarea>a  b", "<textarea>a  b"},
        // Tag names
        {"strong_to_b", kSimpleTags, "<STRONG>x</Strong>", "<b>x</b>"},
        {"strong_with_attribute", kSimpleTags, "<strong class=y>z</strong>", "<strong class=y>z</b>",
         "<strong class=y>z</strong>"},
        {"em_closings_follow_their_openings", kSimpleTags, "<em class=x>a</em> <em>b</em><em/>c</em>d</em>",
         "<em class=x>a</i> <i>b</i><em/>c</i>d</i>", "<em class=x>a</em> <i>b</i><em/>c</em>d</em>"},
        // A closing tag with nothing open is ignored by a browser; renamed, it would close the b.
        {"orphan_closing_kept", kSimpleTags, "<b>x</strong>y</b>z", "<b>x</b>y</b>z", "<b>x</strong>y</b>z"},
        // A renamed element must pair as it did: a "</b>" a browser ignores inside strong would
        // close the b, and a closing in a comment is none.
        {"rename_meets_its_short_name", kSimpleTags, "<strong>x</b>y</strong>z", "<b>x</b>y</b>z",
         "<strong>x</b>y</strong>z"},
        {"rename_meets_a_comment", kSimpleTags, "<em>a<!-- </em> -->b</em>", "<i>a<!-- </i> -->b</i>",
         "<em>a<!-- </em> -->b</em>"},
        // A "<" inside another tag begins none: "<em" is an attribute of the strong tag here.
        {"rename_not_inside_a_tag", kSimpleTags, "<strong\t<em>x</em> <em>0 < x</em>",
         "<strong\t<i>x</i> <i>0 < x</i>", "<strong\t<em>x</em> <i>0 < x</i>"},
        {"nested_strong", kSimpleTags, "<strong>x<strong class=y>z</strong></strong>", "<b>x<strong class=y>z</b></b>",
         "<b>x<strong class=y>z</strong></b>"},
        {"tags_in_pre_and_textarea", kSimpleTags, "<pre><em>x</em></pre><textarea><strike></textarea>",
         "<pre><i>x</i></pre><textarea><s></textarea>", "<pre><i>x</i></pre><textarea><strike></textarea>"},
        // A textarea shows its tags as text.
        {"tags_in_textarea_kept", kSimpleTags, "<textarea><strong>x</strong></textarea>",
         "<textarea><b>x</b></textarea>", "<textarea><strong>x</strong></textarea>"},
        {"quotes_in_textarea_kept", kInvCommas, "<textarea><a href=\"x.html\">x</a></textarea><a href=\"y\">",
         "<textarea><a href=x.html>x</a></textarea><a href=y>", "<textarea><a href=\"x.html\">x</a></textarea><a href=y>"},
        {"script_ends_at_its_own_name", kInvCommas, "<script>\"</scripti><a href=\"x\">\"</script><a href=\"y\">",
         "<script>\"</scripti><a href=x>\"</script><a href=y>", "<script>\"</scripti><a href=\"x\">\"</script><a href=y>"},
        {"tags_in_xmp_kept", kSimpleTags, "<xmp><em>x</em></xmp>", "<xmp><i>x</i></xmp>", "<xmp><em>x</em></xmp>"},
        {"tags_in_script_kept", kSimpleTags, "<script><em>x</em></script>", "<script><em>x</em></script>"},
        // Only a whole name opens or closes a text element: a renamed element keeps its closing.
        {"text_element_names_end", kSimpleTags, "<em class=x><em>a<scripti></em>b<style>x</styles></style><em>c</em>",
         "<em class=x><i>a<scripti></em>b<style>x</styles></style><em>c</em>",
         "<em class=x><i>a<scripti></i>b<style>x</styles></style><i>c</i>"},
        {"blockquote_to_ul", kBlockquoteToUl, "<BLOCKQUOTE>q</blockquote>", "<ul>q</ul>"},
        {"blockquote_with_attribute", kBlockquoteToUl, "<blockquote class=q>a</blockquote><blockquote>b</blockquote>",
         "<blockquote class=q>a</ul><ul>b</ul>", "<blockquote class=q>a</blockquote><ul>b</ul>"},
        // Marker comments
        {"marker_removed", kWebbots | kAllReturns, "<!--WebBot bot=A -->x", "x"},
        {"marker_pair_removed", kWebbots | kAllReturns,
         "<!--webbot bot=A startspan -->T<!--webbot bot=A endspan -->\r\n<p>", "T<p>"},
        {"marker_removed_by_returns", kWebbots | kReturns, "<!--webbot bot=A -->x\r\r\ny", "x\r\ny"},
        // Inside another comment its "-->" ends that one, and inside a title it is text: it stays.
        {"marker_in_comment_kept", kWebbots | kReturns, "<!--<b><!--webbot bot=A -->x\r\ny", "<!--<b>x\r\ny",
         "<!--<b><!--webbot bot=A -->x\r\ny"},
        {"marker_in_title_kept", kWebbots | kReturns, "<title><!--webbot bot=A --></title>", "<title></title>",
         "<title><!--webbot bot=A --></title>"},
        {"marker_kept_alone", kWebbots, "<!--webbot bot=A -->x", "<!--webbot bot=A -->x"},
        {"marker_kept_with_spaces", kWebbots | kSpaces, "<!--webbot bot=A -->x", "<!--webbot bot=A -->x"},
        // Quotes
        {"quotes_dropped", kInvCommas, R"(<a href="x.htm" title="a b">)", "<a href=x.htm title=a b>",
         R"(<a href=x.htm title="a b">)"},
        {"empty_value_before_another", kInvCommas, R"(<div xmlns="" class="navheader">)", "<div xmlns= class=navheader>",
         R"(<div xmlns="" class=navheader>)"},
        {"quote_before_slash", kInvCommas, R"(<br class="x"/>)", "<br class=x/>", R"(<br class="x"/>)"},
        {"doubled_quote", kInvCommas, R"(<img src="a.gif"" alt="">)", "<img src=a.gif alt=>", R"(<img src="a.gif"" alt="">)"},
        {"value_followed_by_a_name", kInvCommas, R"(<a href="x"title="y">)", "<a href=xtitle=y>", R"(<a href="x"title=y>)"},
        {"bytes_that_keep_quotes", kInvCommas, "<a a=\"x=y\" b=\"x\ty\" c=\"x`\" d=\"?x\">",
         "<a a=x=y b=x\ty c=x` d=?x>", "<a a=\"x=y\" b=\"x\ty\" c=\"x`\" d=?x>"},
        {"value_with_space_kept", kInvCommas, R"(<input value="a b" alt="c">)", R"(<input value="a b" alt=c>)"},
        {"upper_case_names_kept", kInvCommas, R"(<INPUT VALUE="a b" ALT="c d">)", R"(<INPUT VALUE="a b" ALT="c d">)"},
        {"alt_with_space_kept", kInvCommas, R"(<img alt="a b" src="x">)", R"(<img alt="a b" src=x>)"},
        {"alt_suffix_counts", kInvCommas, R"(<img data-alt="a b">)", R"(<img data-alt="a b">)"},
        {"empty_value", kInvCommas, R"(<input value="">)", "<input value=>", R"(<input value="">)"},
        {"quote_after_protected_value", kInvCommas, R"(<input value="a b""c">)", R"(<input value="a b"c>)",
         R"(<input value="a b""c">)"},
        {"single_quote_keeps_all", kInvCommas, R"(<img src='x.gif' alt="y">)", R"(<img src='x.gif' alt="y">)"},
        {"single_quote_in_value", kInvCommas, R"~(<a title="x" onclick="f('y')">)~", R"~(<a title="x" onclick="f('y')">)~"},
        {"value_with_semicolon", kInvCommas, R"(<meta content="text/html; charset=gb2312">)",
         "<meta content=text/html; charset=gb2312>", R"(<meta content="text/html; charset=gb2312">)"},
        {"gt_in_value_ends_tag", kInvCommas, R"(<a title="a>b">)", R"(<a title=a>b">)", R"(<a title="a>b">)"},
        {"gt_in_value_then_another", kInvCommas, R"(<a title="a>b" class="c">)", R"(<a title=a>b" class="c">)",
         R"(<a title="a>b" class=c>)"},
        {"gt_in_protected_value", kInvCommas, R"(<input value="a>b">)", R"(<input value=a>b">)",
         R"(<input value="a>b">)"},
        {"gt_and_space_in_value", kInvCommas, R"(<input value="a >b">)", R"(<input value="a >b">)"},
        {"text_quotes_kept", kInvCommas, R"(<p>Say "hi"</p>)", R"(<p>Say "hi"</p>)"},
        // A "<" before a space or another "<" is text: the quotes after it are words, and a
        // textarea opened right after it still keeps its text.
        {"lt_before_non_letter_is_text", kInvCommas, R"(<p>if a < b="x" then</p><<textarea><b class="y">)",
         R"(<p>if a < b=x then</p><<textarea><b class=y>)", R"(<p>if a < b="x" then</p><<textarea><b class="y">)"},
        {"comment_quotes_kept", kInvCommas, R"(<!-- "x" --><a href="y">)", R"(<!-- "x" --><a href=y>)"},
        {"tag_in_comment", kInvCommas, R"(<!-- <a href="x"> -->)", "<!-- <a href=x> -->"},
        {"script_skipped", kInvCommas, R"(<script src="a.js">var s="a";</script><a href="z">)",
         R"(<script src="a.js">var s="a";</script><a href=z>)"},
        {"upper_script_skipped", kInvCommas, R"(<SCRIPT>x="1"</SCRIPT><b class="c">)",
         R"(<SCRIPT>x="1"</SCRIPT><b class=c>)"},
        {"unterminated_script", kInvCommas, R"(<script>x="1")", R"(<script>x="1")"},
        {"quoted_align", kInvCommas, R"(<p align="center">)", "<p align=center>"},
        // Centred paragraphs
        {"center_upper", kCenter, "<P ALIGN=CENTER>Title</P>", "<center>Title</center>"},
        {"center_nested_p", kCenter, "<p align=center>A<p>B</p>", "<center>A<p>B</center>"},
        {"center_unclosed", kCenter, "<p align=center>A", "<center>A"},
        {"center_stray_closings", kCenter, "</p><p align=center>x</p></p>", "</p><center>x</center></p>"},
        {"center_closing_in_pre", kCenter, "<p align=center><pre></p></pre>", "<center><pre></center></pre>"},
        {"center_other_attribute", kCenter, "<p align=center class=x>a</p>", "<p align=center class=x>a</p>"},
        {"center_trailing_space", kCenter, "<p align=center >a</p>", "<p align=center >a</p>"},
        {"center_trailing_space_with_spaces", kCenter | kSpaces, "<p align=center >a</p>", "<center>a</center>"},
        {"center_both_forms", kCenter, R"(<p align=center>a</p><p align="center">b</p>)",
         "<center>a</center><center>b</center>"},
        // The whole table, as the window runs it
        {"window_table", kWindow, "<table border=\"1\">\r\n  <tr>\r\n    <td>One  two</td>\r\n  </tr>\r\n</table>\r\n",
         "<table border=1><tr><td>One two</td></tr></table>"},
        // Text before them would make html and body tags ones a browser drops, so the breaks stay.
        {"window_page", kWindow, "<html>\r\n<body>\r\nText\r\nmore text\r\n</body>\r\n</html>\r\n",
         "<html><body>Text\nmore text</body></html>", "<html>\n<body>\nText\nmore text\n</body>\n</html>"},
        {"window_centred", kWindow, "<p align=\"center\">\r\n<STRONG>Hello</STRONG>  world\r\n</p>\r\n<pre>a  b</pre>",
         "<center><b>Hello</b> world</center><pre>a  b</pre>"},
        {"window_marker_only", kWindow, "<!--webbot bot=Timestamp startspan -->", ""},
        // A removed marker comment joins the runs around it; a gap's letter is written in lower case.
        {"window_markers_join_runs", kWindow, "word \r\n<!--webbot bot=A -->\r\n  <p>x</p>\r\n<!--WEBBOT b--> >",
         "word <p>x</p>>", "word <p>x</p> >"},
        {"window_marker_in_a_gap", kWindow, "<table><td> <!--webbot x--><TD>y</td>", "<table><td><tD>y</td>"},
        {"window_commented_script", kWindow, "<!--\n<script>\n\n\nx  y\n</script>\n-->  <b>z</b>\n",
         "<!--<script>\nx  y\n</script>--> <b>z</b>", "<!--\n<script>\n\n\nx  y\n</script>\n--> <b>z</b>"},
        {"window_tag_open_at_the_end", kWindow, "<em>x</em>\n a  b <p align=center>c</p> <a href=x  y\n z",
         "<i>x</i> a b <center>c</center> <a href=x y z"},
        {"window_tag_longer_than_64_bytes", kWindow,
         R"(<a class="reference internal" href="../library/functions.html#open" title="open">x</a>)",
         "<a class=reference internal href=../library/functions.html#open title=open>x</a>",
         R"(<a class="reference internal" href=../library/functions.html#open title=open>x</a>)"},
    };
    return examples;
}

class EngineExample : public testing::TestWithParam<Example>
{
};

TEST_P(EngineExample, EngineAndReferenceGiveTheWrittenResult)
{
    const Example& e = GetParam();
    for (const bool literal : {true, false}) {
        THTMLCompressor engine;
        ReferenceSwitches reference = FromBits(e.switches);
        reference.Literal = literal;
        ApplySwitches(reference, engine);
        const std::string& expected = literal ? e.after : e.byDefault.value_or(e.after);
        EXPECT_EQ(engine.CompressBytes(e.before), expected) << (literal ? "literal" : "default");
        EXPECT_EQ(ReferenceCompress(e.before, reference), expected) << (literal ? "literal" : "default");
    }
}

INSTANTIATE_TEST_SUITE_P(Written, EngineExample, testing::ValuesIn(Examples()),
                         [](const testing::TestParamInfo<Example>& info) { return std::string(info.param.name); });

TEST(Engine, ConstructionValues)
{
    const THTMLCompressor c;
    EXPECT_TRUE(c.SimpleTags && c.Center && c.InvCommas && c.Spaces && c.Returns && c.AllReturns && c.Webbots);
    EXPECT_FALSE(c.BlockquoteToUl);
    EXPECT_FALSE(c.Literal);
    EXPECT_EQ(c.LoadedLength(), 0u);
    EXPECT_EQ(c.ResultLength(), 0u);
    EXPECT_FALSE(c.IsCompressed());
}

TEST(Engine, StatesAndCompressingTwice)
{
    THTMLCompressor c;
    c.Compress(); // Empty: nothing happens
    EXPECT_FALSE(c.IsCompressed());

    c.LoadFromBytes(std::string("a    b"));
    EXPECT_EQ(c.LoadedLength(), 6u);
    EXPECT_EQ(c.ResultLength(), 0u);
    c.Compress();
    EXPECT_TRUE(c.IsCompressed());
    EXPECT_EQ(c.Text(), "a b");
    EXPECT_EQ(c.ResultLength(), 3u);
    // The result of the first Compress is not compressed again.
    c.Spaces = false;
    c.Compress();
    EXPECT_EQ(c.Text(), "a b");
    // Handing the block over leaves the component Empty.
    EXPECT_EQ(c.TakeText(), "a b");
    EXPECT_FALSE(c.IsCompressed());
    EXPECT_EQ(c.ResultLength(), 0u);
    EXPECT_TRUE(c.Text().empty());

    c.LoadFromBytes(std::string());
    c.Compress();
    EXPECT_FALSE(c.IsCompressed());
    EXPECT_EQ(c.ResultLength(), 0u);
}

} // namespace
