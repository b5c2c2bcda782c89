#include "Passes.h"

#include "ByteScan.h"

#include <cstring>

using namespace bytescan;

namespace {

// The document during a pass: bytes before w are final, bytes from r on are still to be read,
// and the document as the written algorithm would see it is d[0, w) followed by d[r, len).
// Removing bytes is moving r ahead; nothing is shifted until it is copied once.
struct Stream
{
    char* d;
    std::size_t len;
    std::size_t r = 0;
    std::size_t w = 0;

    // Keeps the unread bytes [r, upto) unchanged and moves past them.
    void Emit(std::size_t upto)
    {
        const std::size_t n = upto - r;
        if (w != r && n != 0)
            std::memmove(d + w, d + r, n);
        w += n;
        r = upto;
    }

    void Finish(TWorkingDocument& doc)
    {
        Emit(len);
        doc.length = w;
    }

    const char* At() const { return d + r; }
    std::size_t Left() const { return len - r; }
};

bool IsDeletableNeighbourBefore(char b)
{
    return b == '>' || b == ' ';
}

bool IsDeletableNeighbourAfter(char b)
{
    return b == '<' || b == ' ' || b == '\r' || b == '\n';
}

struct ProtectedElement
{
    std::string_view opening;
    std::string_view closing;
};

constexpr ProtectedElement kTextarea{"<textarea", "</textarea>"};
constexpr ProtectedElement kPre{"<pre", "</pre>"};
constexpr ProtectedElement kScript{"<script", "</script>"};
constexpr std::string_view kMarker = "<!--webbot";

} // namespace

void ReplacePass(TWorkingDocument& doc, std::string_view search, std::string_view replacement,
                 bool protectPreTextarea, bool protectScript, bool webbots)
{
    if (doc.length == 0 || search.empty())
        return;
    const bool tagSkipping = search[0] == '\r';
    const bool markers = tagSkipping && webbots;

    // Without a single occurrence of the search text (or of a marker, where markers go) the
    // pass can change nothing: protections only ever keep bytes.
    if (FindLiteral(doc.data, 0, doc.length, search) == npos &&
        (!markers || FindLiteral(doc.data, 0, doc.length, kMarker) == npos))
        return;

    char afterLt[4];
    int afterLtCount = 0;
    if (protectPreTextarea) {
        afterLt[afterLtCount++] = 't';
        afterLt[afterLtCount++] = 'p';
    }
    if (protectScript)
        afterLt[afterLtCount++] = 's';
    if (markers)
        afterLt[afterLtCount++] = '!';
    const CandidateFinder finder(search, std::string_view(afterLt, afterLtCount));

    const std::size_t n = search.size();
    const std::size_t rl = replacement.size();
    Stream s{doc.data, doc.length};

    while (s.r < s.len) {
        const std::size_t c = finder.Next(s.d, s.r, s.len);
        if (c >= s.len)
            break;
        if (tagSkipping) {
            // The scan is outside any tag at r. A "<" after the last ">" before c opens a tag
            // that is still open at c, and the scan jumps from it past the first ">" after c.
            const std::size_t gt = FindLast(s.d, s.r, c, '>');
            const std::size_t from = gt == npos ? s.r : gt + 1;
            if (Find(s.d, from, c, '<') != npos) {
                const std::size_t end = Find(s.d, c, s.len, '>');
                if (end == npos)
                    break;
                s.Emit(end + 1);
                continue;
            }
        }
        s.Emit(c);

        // Protected elements: jump to the "/" of the closing text, then one byte on.
        const ProtectedElement* element = nullptr;
        if (protectPreTextarea && MatchAt(s.At(), s.Left(), kTextarea.opening))
            element = &kTextarea;
        else if (protectPreTextarea && MatchAt(s.At(), s.Left(), kPre.opening))
            element = &kPre;
        else if (protectScript && MatchAt(s.At(), s.Left(), kScript.opening))
            element = &kScript;
        if (element) {
            const std::size_t q = FindLiteral(s.d, s.r + 1, s.len, element->closing);
            if (q == npos)
                break; // unterminated: the rest stays as it is
            s.Emit(q + 2);
            continue;
        }

        if (MatchAt(s.At(), s.Left(), search)) {
            if (rl > 0) {
                // The replacement takes the place of the match's tail in the unread bytes,
                // so the same position is examined again, replacement included.
                s.r += n - rl;
                std::memcpy(s.d + s.r, replacement.data(), rl);
                continue;
            }
            const bool before = s.w > 0 && IsDeletableNeighbourBefore(s.d[s.w - 1]);
            const bool after = s.r + n < s.len && IsDeletableNeighbourAfter(s.d[s.r + n]);
            if (before || after) {
                s.r += n;
                continue;
            }
        }

        if (tagSkipping && s.d[s.r] == '<') {
            const std::size_t gt = Find(s.d, s.r, s.len, '>');
            if (markers && MatchAt(s.At(), s.Left(), kMarker)) {
                if (gt == npos)
                    break;
                s.r = gt + 1; // gone; the bytes after it are examined from the same place
                continue;
            }
            if (gt == npos)
                break;
            s.Emit(gt + 1);
            continue;
        }
        s.Emit(s.r + 1);
    }
    s.Finish(doc);
}

namespace {

// Remembers, for the last "<" whose tag was pre-scanned, where the tag's first ">" is and the
// last single quote before it, so that a "<" inside the same tag needs no second pre-scan.
struct TagPrescan
{
    std::size_t start = npos;
    std::size_t end = 0;           // first ">" after start, or the length
    std::size_t lastQuote = npos;  // last single quote in (start, end]

    bool HoldsSingleQuote(const char* d, std::size_t len, std::size_t p)
    {
        if (start == npos || p < start || p >= end) {
            start = p;
            const std::size_t gt = Find(d, p + 1, len, '>');
            end = gt == npos ? len : gt;
            lastQuote = FindLast(d, p + 1, gt == npos ? len : gt + 1, '\'');
        }
        return lastQuote != npos && lastQuote > p;
    }
};

// Removes the double quotes of one tag. Starts at its "<"; returns false when the whole pass
// has to end (a protected value that runs to the end of the document).
bool ScanTag(Stream& s)
{
    static constexpr std::string_view kValue = "value=\"";
    static constexpr std::string_view kAlt = "alt=\"";

    s.Emit(s.r + 1);
    std::size_t eligible = s.r; // first position where a protected value may begin
    for (;;) {
        const std::size_t k = FindEither(s.d, s.r, s.len, '"', '>');
        if (k == npos) {
            s.Emit(s.len);
            return true;
        }
        if (s.d[k] == '>') {
            s.Emit(k + 1);
            return true;
        }
        // A protected value ends its name with the quote at k.
        std::size_t start = npos;
        std::size_t nameLength = 0;
        if (k >= eligible + 6 && MatchAt(s.d + k - 6, 7, kValue)) {
            start = k - 6;
            nameLength = kValue.size();
        } else if (k >= eligible + 4 && MatchAt(s.d + k - 4, 5, kAlt)) {
            start = k - 4;
            nameLength = kAlt.size();
        }
        if (start != npos) {
            s.Emit(start);
            const std::size_t valueStart = start + nameLength;
            std::size_t close = Find(s.d, valueStart, s.len, '"');
            if (close == npos)
                close = s.len;
            if (close + 1 >= s.len)
                return false;
            if (Find(s.d, valueStart, close, ' ') == npos) {
                // No space: the quotes go like any others, so scan the value again.
                s.Emit(start + 1);
                eligible = s.r;
                continue;
            }
            s.Emit(close + 1);
            if (s.d[s.r] == '"') {
                ++s.r;
                eligible = s.r;
                continue;
            }
            if (s.d[s.r] == '>') {
                s.Emit(s.r + 1);
                return true;
            }
            s.Emit(s.r + 1);
            eligible = s.r;
            continue;
        }
        s.Emit(k);
        ++s.r; // the quote goes
        if (s.d[s.w - 1] == '>')
            return true;
        eligible = s.r;
    }
}

} // namespace

void QuoteRemovalPass(TWorkingDocument& doc)
{
    static constexpr std::string_view kScriptOpening = "<script";
    static constexpr std::string_view kScriptClosing = "</script";

    Stream s{doc.data, doc.length};
    TagPrescan prescan;
    while (s.r < s.len) {
        const std::size_t lt = Find(s.d, s.r, s.len, '<');
        if (lt == npos)
            break;
        s.Emit(lt);
        if (MatchAt(s.At(), s.Left(), kScriptOpening)) {
            const std::size_t q = FindLiteral(s.d, s.r + 6, s.len, kScriptClosing);
            if (q == npos)
                break;
            s.Emit(q + 2);
            continue;
        }
        if ((s.r + 1 < s.len && s.d[s.r + 1] == '!') || prescan.HoldsSingleQuote(s.d, s.len, s.r)) {
            s.Emit(s.r + 1);
            continue;
        }
        if (!ScanTag(s))
            break;
    }
    s.Finish(doc);
}

void PairReplacePass(TWorkingDocument& doc, std::string_view longOpening, std::string_view shortOpening,
                     std::string_view longClosing, std::string_view shortClosing)
{
    if (FindLiteral(doc.data, 0, doc.length, longOpening) == npos)
        return;
    const CandidateFinder openings(longOpening, {});
    const CandidateFinder closings(longClosing, {});

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
