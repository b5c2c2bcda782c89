// The one-scan line-break and space rows: taken on the pages they are for, declined wherever the
// rows one by one could see a page differently, and giving what the rows give.
#include "engine/Passes.h"
#include "engine/SpacingPass.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

std::string RowByRow(std::string doc)
{
    TWorkingDocument d{doc.data(), doc.size()};
    SpacingRows(d, true, true, true, true, true);
    doc.resize(d.length);
    return doc;
}

std::optional<std::string> OneScan(const std::string& doc)
{
    std::string out(doc.size(), '\0');
    std::size_t length = 0;
    std::size_t noGtTail = 0;
    switch (SpacingPass(doc.data(), doc.size(), out.data(), length, true, true, noGtTail)) {
    case SpacingResult::Declined:
        return std::nullopt;
    case SpacingResult::Unchanged:
        return doc;
    case SpacingResult::Written:
        break;
    }
    out.resize(length);
    return out;
}

TEST(SpacingPass, TakenOnPagesAndGivesWhatTheRowsGive)
{
    const std::string page =
        "<html>\r\n<head>\r\n  <title>T</title>\r\n<script>\r\nvar a;\n\n\nb();\r\n</script>\r\n</head>\r\n"
        "<body> <table> <TR>\n  <td class=x>one  two</td> </tr></table>\r\n<pre>\n  a  b\n</pre>\n"
        "word <!--webbot bot=x --> \n<p>text\n<b>bold</b> >\n<!-- c -->\r\n<a\r\nhref=x>y</a>\r\n</body>\r\n";
    // Without CR and marker comments the CR rows do nothing, so it matters not that they would
    // not see this script.
    const std::string commented = "<!--\n<script>\n\n\nx  y\n</script>\n-->  <td>\n<pre>a\n\nb</pre>\n";
    // Nothing to change before an open pre: nothing is written.
    const std::string untouched = "<b>x</b><pre>\n  a  b\n";
    // No row reaches into a script, whatever it holds.
    const std::string scripts = "<script>a\r\r\nb</script>\r\n<script>\"<pre>\"</script>\n\n";
    std::string lf;
    for (const char b : page)
        if (b != '\r')
            lf += b;
    for (const std::string& doc : {page, lf, commented, untouched, scripts}) {
        const auto fast = OneScan(doc);
        ASSERT_TRUE(fast.has_value()) << doc;
        EXPECT_EQ(*fast, RowByRow(doc));
    }
}

TEST(SpacingPass, DeclinedWhereTheRowsCouldSeeThePageDifferently)
{
    for (const char* doc : {
             "<a title=\"<pre>\">x\r\n</pre>",    // a pre opened inside a tag, with CR
             "<!--<pre>-->\n<!--webbot x-->",   // the same with a marker comment
             "<script>x\n\ny",                    // a script never closed
             "a\r\n<!--webbot bot=x",             // a marker comment never closed
             "x < y\r\nz",                        // a "<" that no ">" closes, with a CR
         }) {
        EXPECT_FALSE(OneScan(doc).has_value()) << doc;
    }
}

} // namespace
