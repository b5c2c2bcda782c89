#include "Passes.h"

#include "ByteScan.h"
#include "PassStream.h"

#include <cstring>

using namespace bytescan;
using passes::Stream;

void PairReplacePass(TWorkingDocument& doc, std::string_view longOpening, std::string_view shortOpening,
                     std::string_view longClosing, std::string_view shortClosing) noexcept
{
    doc.unclosedBy = {};
    doc.noGtTail = 0;
    CandidateFinder openings;
    openings.Add(longOpening);
    CandidateFinder closings;
    closings.Add(longClosing);
    if (openings.Next(doc.data, 0, doc.length) == doc.length)
        return;

    Stream s{doc.data, doc.length};
    bool lookingForOpening = true;
    while (s.r < s.len) {
        const CandidateFinder& finder = lookingForOpening ? openings : closings;
        const std::size_t c = finder.Next(s.d, s.r, s.len);
        if (c >= s.len)
            break;
        s.Emit(c);
        const std::string_view from = lookingForOpening ? longOpening : longClosing;
        const std::string_view to = lookingForOpening ? shortOpening : shortClosing;
        if (!MatchAt(s.At(), s.Left(), from)) {
            s.Emit(s.r + 1);
            continue;
        }
        // A closing only follows an opening that freed more room than it needs, so writing
        // the longer closing text never reaches unread bytes. Both texts begin with their only
        // "<", so no match can start inside a replacement.
        std::memmove(s.d + s.w, to.data(), to.size());
        s.w += to.size();
        s.r += from.size();
        lookingForOpening = !lookingForOpening;
    }
    s.Finish(doc);
}
