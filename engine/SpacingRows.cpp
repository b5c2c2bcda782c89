#include "Passes.h"

void SpacingRows(TWorkingDocument& doc, bool allReturns, bool returns, bool spaces, bool webbots,
                 bool blockAware) noexcept
{
    // "> <t" to "> </p": one space between a tag and a following t, l or p tag goes.
    static constexpr TReplaceRule kTagGapRules[] = {{"> <t", "><t"}, {"> </t", "></t"}, {"> <l", "><l"},
                                                    {"> </l", "></l"}, {"> <p", "><p"},  {"> </p", "></p"}};
    if (allReturns || returns) {
        // The written rows reach into scripts; block-aware ones leave a script as it is (a blank
        // line may stand inside a template string).
        ReplacePass(doc, "\r\r", "\r", true, blockAware, webbots, false, blockAware);
        ReplacePass(doc, "\n\n", "\n", true, blockAware, webbots, false, blockAware);
    }
    if (allReturns) {
        ReplacePass(doc, "\r\n", "", true, true, webbots, blockAware, blockAware);
        ReplacePass(doc, "\r", "", true, true, webbots, blockAware, blockAware);
        ReplacePass(doc, "\n", "", true, true, webbots, blockAware, blockAware);
    }
    if (spaces) {
        // A two-space search re-examined in place collapses every run at once, so the four-,
        // three- and two-space rows together come down to this one scan.
        ReplacePass(doc, "  ", " ", true, true, webbots, false, blockAware);
        ReplacePass(doc, " >", ">", true, true, webbots, blockAware, blockAware);
        ReplacePass(doc, kTagGapRules, true, true, webbots, blockAware, blockAware);
    }
}

