// The --best rules on small pages, one group per rule, with the window's switches plus Best.
#include "engine/HTMLCompressor.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string Best(const std::string& page)
{
    THTMLCompressor hc;
    hc.Best = true;
    return hc.CompressBytes(page);
}

struct Case
{
    const char* before;
    const char* after;
};

void ExpectAll(std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        const std::string once = Best(c.before);
        EXPECT_EQ(once, c.after) << "input: " << c.before;
        EXPECT_EQ(Best(once), once) << "not stable: " << c.before;
    }
}

TEST(BestRules, CommentsGoExceptThoseThatMeanSomething)
{
    ExpectAll({
        {"a <!-- note --> b", "a b"},
        {"a<!-- x --!>b", "ab"},
        {"<p>x<!---->y<!-->z", "<p>xyz"},
        // A comment that ends at once leaves a centred paragraph centred on the first run.
        {"<p align=\"center\"><!-->x</p>", "<center>x</center>"},
        {"<!--[if IE]><p>old<![endif]--><!--<![endif]-->", "<!--[if IE]><p>old<![endif]--><!--<![endif]-->"},
        {"<!--#include virtual=\"x\" --><!--! licence -->",
         "<!--#include virtual=\"x\" --><!--! licence -->"},
        // Inside elements whose text a browser reads otherwise, or keeps as written.
        {"<pre> <!-- x --> </pre><script><!-- f() --></script>",
         "<pre> <!-- x --> </pre><script><!-- f() --></script>"},
        {"<title>a<!-- b --></title><textarea><!-- c --></textarea>",
         "<title>a<!-- b --></title><textarea><!-- c --></textarea>"},
        // Gone, the text on either side would meet as a tag or a character reference.
        {"<<!-- -->p>&l<!-- -->t;", "<<!-- -->p>&l<!-- -->t;"},
        {"a <!-- never closed", "a <!-- never closed"},
    });
}

TEST(BestRules, WhiteSpaceInTheHeadAndBesideBlocks)
{
    ExpectAll({
        {"<!DOCTYPE html>\n<html>\n<head>\n  <meta charset=utf-8>\n  <title>T</title>\n  <link rel=icon "
         "href=i.png>\n"
         "</head>\n<body>\n<div>\n  <p> one  two\n\tthree </p>\n</div>\n</body>\n</html>\n",
         "<!DOCTYPE html><html><head><meta charset=utf-8><title>T</title><link rel=icon "
         "href=i.png><body><div><p>one two "
         "three</div>"},
        // The head ends at the first thing of the body; spaces between inline elements stay.
        {"<title>T</title> <span>a</span>\n  <span>b</span> <br> c",
         "<title>T</title><span>a</span> <span>b</span><br>c"},
        {"a\nb a\tb a \n b", "a\nb a b a b"},
        {"<table><td> x </td>", "<table><td>x</td>"},
        // Tags the parser drops where they stand part nothing: a table part with no table open,
        // an end tag finding nothing open.
        {"a\n<td>\nb\n</div>\nc <div> d </div> </div> e", "a\n<td>b</div> c<div>d</div></div>e"},
    });
}

TEST(BestRules, WhiteSpaceKeptWhereItShows)
{
    ExpectAll({
        {"<pre>\n  a  b\n</pre>", "<pre>\n  a  b\n</pre>"},
        {"<div style=\"white-space: pre\">  a  <div>b  </div>  c </div> d  e",
         "<div style=\"white-space: pre\">  a  <div>b  </div>  c </div>d e"},
        {"<textarea>  a  </textarea><script> x  =  1 </script><style> p  { } </style>",
         "<textarea>  a  </textarea><script> x  =  1 </script><style> p  { } </style>"},
        {"<svg>  <text> a  b </text> </svg>  x", "<svg>  <text> a  b </text> </svg> x"},
        // Text in the head begins the body: the head and body tags after it part no words.
        {"<head><title>t</title>\n  CSS\n</head>\n<body class=\"x\">\n  <a>Skip</a>",
         "<head><title>t</title>CSS\n<body class=x><a>Skip</a>"},
    });
}

TEST(BestRules, DefaultTypesGo)
{
    ExpectAll({
        {"<script type=\"text/javascript\">f()</script><script type=' TEXT/JavaScript '>g()</script>",
         "<script>f()</script><script>g()</script>"},
        {"<style type=\"text/css\">p{}</style><link rel=\"stylesheet\" type=\"text/css\" href=\"a.css\">",
         "<style>p{}</style><link rel=stylesheet href=a.css>"},
        // A type that means something else, or that another attribute overrules, stays.
        {"<script type=module></script><script type=\"text/javascript; charset=utf-8\"></script>",
         "<script type=module></script><script type=\"text/javascript; charset=utf-8\"></script>"},
        {"<script type=text/javascript language=vbscript></script><script type=text/javascript "
         "type=module></script>",
         "<script type=text/javascript language=vbscript></script><script type=text/javascript "
         "type=module></script>"},
        {"<link rel=icon type=text/css href=a><style type=text/less></style>",
         "<link rel=icon type=text/css href=a><style type=text/less></style>"},
    });
}

TEST(BestRules, TagsWrittenAsTheParserReadsThem)
{
    ExpectAll({
        {"<img src=\"a.png\" alt=\"\" />", "<img src=a.png alt>"},
        {"<a  href=\"x\"\n   title=\"a b\"  class='c' >y</a  >", "<a href=x title=\"a b\"class=c>y</a>"},
        {"<br/><input value=\"a/\" disabled/>", "<br><input value=a/ disabled>"},
        {"<b>x</b class=y>", "<b>x</b>"},
        // Other parsers' content keeps its tags as written.
        {"<svg><path d=\"M 0\" /></svg><svg/>x", "<svg><path d=\"M 0\" /></svg><svg/>x"},
    });
}

TEST(BestRules, EndTagsTheParserImplies)
{
    ExpectAll({
        {"<table>\n<tr>\n<td>a</td>\n<th>b</th>\n</tr>\n<tr><td>c</td></tr>\n</table>",
         "<table><tr><td>a<th>b<tr><td>c</table>"},
        {"<table><colgroup><col></colgroup><thead><tr><th>h</th></tr></thead><tbody><tr><td>c</td></tr></"
         "tbody></table>",
         "<table><col><thead><tr><th>h<tbody><tr><td>c</table>"},
        {"<div><p>a <b>b</b></p>\n<p>c</p>\n<ul><li>d</li><li>e</li></ul></div>",
         "<div><p>a <b>b</b><p>c<ul><li>d<li>e</ul></div>"},
        {"<dl><dt>a</dt>\n<dd>b</dd><dt>c</dt><dd>d</dd></dl>", "<dl><dt>a<dd>b<dt>c<dd>d</dl>"},
        {"<body><p>x</p></body>\n</html>\n", "<body><p>x</p>"},
    });
}

TEST(BestRules, StartTagsTheParserImplies)
{
    ExpectAll({
        {"<table>\n<tbody>\n<!-- c -->\n<tr><td>a</td></tr>\n</tbody>\n</table><table><colgroup><col></colgroup>"
         "<tbody><tr><td>b</td></tr></tbody></table>",
         "<table><tr><td>a</table><table><col><tr><td>b</table>"},
        // Attributes keep it; so does a group after one whose end went (the row would join that
        // one), text moved out of the table before it, or anything but a row or col after it.
        {"<table><tbody class=a><tr><td>a</td></tr></tbody><tbody><tr><td>b</table>",
         "<table><tbody class=a><tr><td>a<tbody><tr><td>b</table>"},
        {"<table>x<tbody><tr><td>a</table><table><tbody><track></table>",
         "<table>x<tbody><tr><td>a</table><table><tbody><track></table>"},
        // Only straight inside a table.
        {"<table><tr><td>a</td></tr><tbody><tr><td>b</table><p><tbody><tr>",
         "<table><tr><td>a<tbody><tr><td>b</table><p><tbody><tr>"},
    });
}

TEST(BestRules, EndTagsKeptWhereTheyDecide)
{
    ExpectAll({
        // A space between list items would move into the first.
        {"<ul><li>a</li> <li>b</li></ul>", "<ul><li>a</li> <li>b</ul>"},
        // Something other than phrasing still open inside: the next item could land in it.
        {"<ul><li><section>a</li><li>b</li></ul>", "<ul><li><section>a</li><li>b</ul>"},
        {"<ul><li><section>a</section></li>\n<li><p>b</p></li></ul><dl><dd><p>c</dl>",
         "<ul><li><section>a</section></li>\n<li><p>b</ul><dl><dd><p>c</dl>"},
        // A select or a table in a paragraph: modes the pass does not follow; a form it does.
        {"<ul><li><form>a</form></li><li>b</li></ul>", "<ul><li><form>a</form><li>b</ul>"},
        {"<ul><li><select><option>a</select></li><li>b</li></ul><p><table></table></p>",
         "<ul><li><select><option>a</select></li><li>b</li></ul><p><table></table></p>"},
        // Foreign content left for an HTML tag: the pass no longer knows what is open.
        {"<ul><li><svg><p>a</svg></li><li>b</li></ul>", "<ul><li><svg><p>a</svg></li><li>b</li></ul>"},
        // No paragraph open (an end tag alone makes one), or the next tag leaves it open.
        {"<div>a</p><div>b</div></div>", "<div>a</p><div>b</div></div>"},
        {"<p>a</p><span>b</span><p>c</p><table></table>", "<p>a</p><span>b</span><p>c</p><table></table>"},
        // The centring pass pairs a centred paragraph with its own "</p>".
        {"<p align=\"center\">a</p><p>b</p>", "<center>a</center><p>b</p>"},
        {"<body><p>x</body><!--[if IE]>y<![endif]-->", "<body><p>x</body><!--[if IE]>y<![endif]-->"},
    });
}

TEST(BestRules, CharacterReferencesOfUtf8Pages)
{
    ExpectAll({
        {"<meta charset=\"utf-8\">a&nbsp;b &mdash; &#8212; &#x1F600; &lt;b&gt; &lt; 1 &amp; 2",
         "<meta charset=utf-8>a\xC2\xA0"
         "b \xE2\x80\x94 \xE2\x80\x94 \xF0\x9F\x98\x80 &lt;b> < 1 & 2"},
        // "&" before a letter, "<" before what could be a tag, and what they would form stay.
        {"<meta charset=utf-8>&amp;amp; &lt;&#47;b&gt; &lt;&lt; &#150; &#65; &#32; <a title=\"&mdash;\">",
         "<meta charset=utf-8>&amp;amp; &lt;&#47;b> &lt;< &#150; &#65; &#32; <a title=&mdash;>"},
        {"<meta http-equiv=Content-Type content=\"text/html; charset=ISO-8859-1\">a&nbsp;b",
         "<meta http-equiv=Content-Type content=\"text/html; charset=ISO-8859-1\">a&nbsp;b"},
    });
}

TEST(BestRules, OnlyWithTheRulesThatKeepThePage)
{
    THTMLCompressor hc;
    hc.Best = true;
    hc.Literal = true;
    THTMLCompressor literal;
    literal.Literal = true;
    const std::string page = "<p>a <!-- x --> b</p>\n<script type=\"text/javascript\"></script>";
    EXPECT_EQ(hc.CompressBytes(page), literal.CompressBytes(page));
    EXPECT_FALSE(THTMLCompressor().Best);
}

} // namespace
