#include "SpacingPass.h"

#include "BlockTags.h"
#include "ByteScan.h"

#include <bit>
#include <cstring>
#include <string_view>

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define CORVANE_AVX2 1 // compiled for AVX2 separately and chosen at run time
#endif

using namespace bytescan;

namespace {

inline bool IsBreakOrSpace(char b) noexcept
{
    return b == ' ' || b == '\r' || b == '\n';
}

inline bool IsGapLetter(char b) noexcept
{
    const unsigned char f = Fold(static_cast<unsigned char>(b));
    return f == 't' || f == 'l' || f == 'p';
}

// Where something may happen: a line break; a space before a space, a break, ">" or "<!" (a
// marker comment may go); a ">" before a space; a "<" that may open a pre, textarea, xmp or
// script element or a comment.
inline bool IsCandidate(const char* d, std::size_t j, std::size_t len) noexcept
{
    const char b0 = d[j];
    const char b1 = j + 1 < len ? d[j + 1] : '\0';
    if (b0 == '\r' || b0 == '\n')
        return true;
    if (b0 == ' ')
        return b1 == ' ' || b1 == '>' || b1 == '\r' || b1 == '\n' || (b1 == '<' && j + 2 < len && d[j + 2] == '!');
    if (b0 == '>')
        return b1 == ' ';
    if (b0 != '<')
        return false;
    const unsigned char f1 = Fold(static_cast<unsigned char>(b1));
    const unsigned char f2 = j + 2 < len ? Fold(static_cast<unsigned char>(d[j + 2])) : 0;
    return (f1 == 'p' && f2 == 'r') || (f1 == 't' && f2 == 'e') || (f1 == 's' && f2 == 'c') ||
           (f1 == 'x' && f2 == 'm') || (f1 == '!' && f2 == '-');
}

#ifdef CORVANE_AVX2
#define CORVANE_WIDE __attribute__((target("avx2"))) inline

CORVANE_WIDE __m256i Is(__m256i v, char b) noexcept
{
    return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(b));
}

CORVANE_WIDE __m256i Or(__m256i a, __m256i b) noexcept
{
    return _mm256_or_si256(a, b);
}

CORVANE_WIDE __m256i And(__m256i a, __m256i b) noexcept
{
    return _mm256_and_si256(a, b);
}

// The candidates among the 64 bytes at d, which has two more bytes after them.
__attribute__((target("avx2"))) std::uint64_t WideCandidates(const char* d) noexcept
{
    const __m256i fold = _mm256_set1_epi8(0x20);
    std::uint64_t all = 0;
    for (int half = 0; half < 2; ++half, d += 32) {
        const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
        const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 1));
        const __m256i v2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 2));
        __m256i hits = Or(Is(v0, '\r'), Is(v0, '\n'));
        const __m256i spaceAfter = Or(Or(Or(Is(v1, ' '), Is(v1, '>')), Or(Is(v1, '\r'), Is(v1, '\n'))),
                                      And(Is(v1, '<'), Is(v2, '!')));
        hits = Or(hits, And(Is(v0, ' '), spaceAfter));
        hits = Or(hits, And(Is(v0, '>'), Is(v1, ' ')));
        const __m256i lt = Is(v0, '<');
        if (!_mm256_testz_si256(lt, lt)) {
            const __m256i f1 = Or(v1, fold);
            const __m256i f2 = Or(v2, fold);
            const __m256i opens = Or(Or(Or(And(Is(f1, 'p'), Is(f2, 'r')), And(Is(f1, 't'), Is(f2, 'e'))),
                                        Or(And(Is(f1, 's'), Is(f2, 'c')), And(Is(v1, '!'), Is(v2, '-')))),
                                     And(Is(f1, 'x'), Is(f2, 'm')));
            hits = Or(hits, And(lt, opens));
        }
        all |= std::uint64_t(static_cast<unsigned>(_mm256_movemask_epi8(hits))) << (32 * half);
    }
    return all;
}
#endif

// The candidates of the document, 64 bytes at a time from its start. The scan never writes the
// bytes it reads, so a window once worked out stays right.
class Candidates
{
public:
    Candidates(const char* d, std::size_t len) noexcept : m_d(d), m_len(len), m_wide(ScansUseAvx2()) {}

    // The first candidate in [p, limit), or limit.
    std::size_t Next(std::size_t p, std::size_t limit) noexcept
    {
        while (p < limit) {
            const std::size_t base = p & ~std::size_t(63);
            if (base != m_base)
                Load(base);
            const std::uint64_t bits = m_bits >> (p - base);
            if (bits) {
                const std::size_t at = p + static_cast<std::size_t>(std::countr_zero(bits));
                return at < limit ? at : limit;
            }
            p = base + 64;
        }
        return limit;
    }

private:
    void Load(std::size_t base) noexcept
    {
        m_base = base;
#ifdef CORVANE_AVX2
        if (m_wide && base + 66 <= m_len) {
            m_bits = WideCandidates(m_d + base);
            return;
        }
#endif
        m_bits = 0;
        for (std::size_t j = base; j < base + 64 && j < m_len; ++j)
            if (IsCandidate(m_d, j, m_len))
                m_bits |= std::uint64_t(1) << (j - base);
    }

    const char* m_d;
    std::size_t m_len;
    bool m_wide;
    std::size_t m_base = npos;
    std::uint64_t m_bits = 0;
};

// What the rows need to know about the bytes around one run of spaces and breaks.
struct Surroundings
{
    int before = -1; // the byte before the run, -1 at the start of the document
    int after = -1;  // the byte after it, -1 at the end
    bool blockBefore = false; // before is a ">" that closes a block tag
    bool blockAfter = false;  // after is a "<" that opens one
    bool gap = false;         // between ">" and "<t", "</t", "<l", "</l", "<p" or "</p"
    bool afterEndTagOpen = false; // before is the "/" of a "</"
};

// One row's collapse of a run of `b` into one.
std::size_t Collapse(char* run, std::size_t n, char b) noexcept
{
    std::size_t w = 0;
    for (std::size_t r = 0; r < n; ++r)
        if (run[r] != b || w == 0 || run[w - 1] != b)
            run[w++] = run[r];
    return w;
}

// One row's deletion of the break `first` (followed by `second` when not 0) where a browser
// shows nothing for it; a deletion examines the same place again.
std::size_t DeleteBreaks(char* run, std::size_t n, char first, char second,
                         const Surroundings& around) noexcept
{
    const std::size_t m = second ? 2 : 1;
    std::size_t w = 0;
    std::size_t r = 0;
    while (r < n) {
        if (run[r] == first && (m == 1 || (r + 1 < n && run[r + 1] == second))) {
            const int before = w > 0 ? run[w - 1] : around.before;
            const int after = r + m < n ? run[r + m] : around.after;
            const bool atStart = w == 0 && (around.before < 0 || around.blockBefore);
            // A last break after "</" keeps it a comment rather than text.
            const bool atEnd = r + m == n && ((around.after < 0 && !(w == 0 && around.afterEndTagOpen)) ||
                                              around.blockAfter);
            if (atStart || atEnd || before == ' ' || before == '\t' || after == ' ' || after == '\t' ||
                after == '\r' || after == '\n') {
                r += m;
                continue;
            }
        }
        run[w++] = run[r++];
    }
    return w;
}

class Scanner
{
public:
    Scanner(const char* in, std::size_t len, char* out, bool spaces, bool webbots,
            std::size_t noGtTail) noexcept
        : m_in(in), m_len(len), m_out(out), m_spaces(spaces), m_webbots(webbots), m_noGtFrom(len - noGtTail), m_judge(len)
    {
    }

    // The bytes at the end of the result that hold no ">" (see Run).
    std::size_t NoGtTail() const noexcept { return m_wAtNoGt == npos ? 0 : m_w - m_wAtNoGt; }

    SpacingResult Run(std::size_t& outLength) noexcept;

private:
    void Emit(std::size_t upto) noexcept;
    void StartCopying() noexcept;
    bool IsMarker(std::size_t at) noexcept;
    bool MarkerAt(std::size_t at) noexcept;
    bool ClosesBlockTag(std::size_t gt) noexcept;
    bool OpensBlockTag(std::size_t at) noexcept;
    bool Settle(std::size_t start) noexcept;
    bool Protected(std::size_t at, bool& handled) noexcept;

    const char* m_in;
    std::size_t m_len;
    char* m_out;
    bool m_spaces;
    bool m_webbots;
    Candidates m_candidates{m_in, m_len};
    std::size_t m_pos = 0;        // bytes before it are settled
    std::size_t m_w = 0;          // bytes written
    std::size_t m_lastAt = npos;  // where the last byte copied unchanged came from
    std::size_t m_lowerAt = npos; // a gap went before the "<" of this letter
    std::size_t m_noGtFrom;       // no ">" from here to the end
    std::size_t m_wAtNoGt = npos; // where that place went in what is written
    bool m_sawCR = false;
    bool m_copying = false;     // something changed, and the bytes so far were copied
    bool m_openedInTag = false; // a protected element opened inside a tag
    blocktags::TagJudge m_judge;
};

void Scanner::Emit(std::size_t upto) noexcept
{
    const std::size_t n = upto - m_pos;
    if (n == 0)
        return;
    if (m_pos <= m_noGtFrom && m_noGtFrom < upto)
        m_wAtNoGt = m_w + (m_noGtFrom - m_pos); // runs after it only lose bytes, never gain a ">"
    if (m_copying)
        std::memcpy(m_out + m_w, m_in + m_pos, n);
    if (m_lowerAt != npos && m_lowerAt < upto) {
        m_out[m_w + (m_lowerAt - m_pos)] = static_cast<char>(Fold(static_cast<unsigned char>(m_in[m_lowerAt])));
        m_lowerAt = npos;
    }
    m_w += n;
    m_pos = upto;
    m_lastAt = upto - 1;
}

// Until the first change nothing is copied: the bytes written so far are those read.
void Scanner::StartCopying() noexcept
{
    if (!m_copying)
        std::memcpy(m_out, m_in, m_w);
    m_copying = true;
}

// A marker comment goes only where it stands in text: inside another comment its "-->" ends
// that one, and inside the text of a title or style element it is text.
bool Scanner::IsMarker(std::size_t at) noexcept
{
    return m_webbots && MatchAt(m_in + at, m_len - at, "<!--webbot") && m_judge.InText(m_in, at);
}

bool Scanner::MarkerAt(std::size_t at) noexcept
{
    return m_webbots && at + 1 < m_len && m_in[at] == '<' && m_in[at + 1] == '!' && IsMarker(at);
}

// Whether the ">" at `gt` (copied unchanged) closes a block tag.
bool Scanner::ClosesBlockTag(std::size_t gt) noexcept
{
    return m_judge.ClosesBlock(m_in, gt);
}

bool Scanner::OpensBlockTag(std::size_t at) noexcept
{
    return m_judge.OpensBlock(m_in, at, m_len - at);
}

// Settles the run of spaces and breaks that starts at `start` through every row. Marker comments
// that the first row removes join the runs on either side of them into one, except for that
// row's own collapsing, which has passed the first run when it removes the comment.
bool Scanner::Settle(std::size_t start) noexcept
{
    // A quoted attribute value is the tag's own: its white space stays as it is.
    if (m_judge.InQuotedValue(m_in, start)) {
        std::size_t end = start;
        while (end < m_len && IsBreakOrSpace(m_in[end]))
            ++end;
        Emit(end);
        return true;
    }
    Emit(start);
    StartCopying();
    const std::size_t beforeAt = m_lastAt;
    Surroundings around;
    around.before = m_w > 0 ? static_cast<unsigned char>(m_out[m_w - 1]) : -1;
    around.afterEndTagOpen = blocktags::EndsInEndTagOpen(m_out, m_w);
    std::size_t end = start;
    bool breaks = false;
    bool cr = false;
    bool space = false;
    bool loneCR = false; // a CR not followed by LF
    for (; end < m_len && IsBreakOrSpace(m_in[end]); ++end) {
        const char b = m_in[end];
        space |= b == ' ';
        breaks |= b != ' ';
        if (b == '\r') {
            cr = true;
            loneCR |= end + 1 == m_len || m_in[end + 1] != '\n';
        }
    }
    const auto gapAt = [this](std::size_t at) {
        return at + 1 < m_len && m_in[at] == '<' &&
               (IsGapLetter(m_in[at + 1]) || (m_in[at + 1] == '/' && at + 2 < m_len && IsGapLetter(m_in[at + 2])));
    };
    // The CR rows jump over tags: inside one (the last "<" or ">" before is a "<") they see
    // nothing, marker comments included.
    const bool marker = MarkerAt(end);
    bool crRows = true;
    if (around.before != '>' && (cr || marker)) {
        const std::size_t angle = m_judge.LastAngle(m_in, start);
        crRows = angle == npos || m_in[angle] != '<';
    }

    if (m_spaces && !marker && !loneCR && (!cr || crRows)) {
        // Breaks here are LF or CR LF, and the CR rows see them. Beside a space every break goes
        // and the spaces collapse into one; a break alone becomes one LF, which goes where a
        // browser shows nothing for it.
        if (cr)
            m_sawCR = true;
        m_pos = end;
        if (!space) {
            const bool invisible = around.before < 0 || (end == m_len && !around.afterEndTagOpen) ||
                                   around.before == '\t' || m_in[end] == '\t' ||
                                   (around.before == '>' && ClosesBlockTag(beforeAt)) ||
                                   (m_in[end] == '<' && OpensBlockTag(end));
            if (!invisible)
                m_out[m_w++] = '\n';
        } else if (end < m_len && m_in[end] == '>' && m_judge.ClosesTag(m_in, end)) {
            // " >" goes where the ">" ends a tag
        } else if (around.before == '>' && gapAt(end) && (ClosesBlockTag(beforeAt) || OpensBlockTag(end))) {
            m_lowerAt = m_in[end + 1] == '/' ? end + 2 : end + 1; // the rule writes its letter in lower case
        } else {
            m_out[m_w++] = ' ';
        }
        return true;
    }

    char* run = m_out + m_w;
    std::size_t n = 0;
    std::size_t from = start;
    bool anyCR = false;
    // The tag before is judged before the judge reads past a marker comment that goes.
    if (crRows && marker && around.before == '>')
        (void)ClosesBlockTag(beforeAt);
    for (;;) {
        std::memcpy(run + n, m_in + from, end - from);
        if (cr) {
            anyCR = m_sawCR = true;
            n += crRows ? Collapse(run + n, end - from, '\r') : end - from;
        } else {
            n += end - from;
        }
        if (!crRows || !MarkerAt(end))
            break;
        const std::size_t gt = Find(m_in, end, m_len, '>');
        if (gt == npos)
            return false; // the CR rows stop there
        m_judge.Skip(m_in, end, gt + 1);
        from = end = gt + 1;
        cr = false;
        for (; end < m_len && IsBreakOrSpace(m_in[end]); ++end) {
            breaks |= m_in[end] != ' ';
            cr |= m_in[end] == '\r';
        }
    }
    around.after = end < m_len ? static_cast<unsigned char>(m_in[end]) : -1;
    around.gap = m_spaces && around.before == '>' && gapAt(end);
    // A space at either end stays through the break rows, so only a break there asks about the tag.
    if (around.before == '>' && (around.gap || (breaks && run[0] != ' ')))
        around.blockBefore = ClosesBlockTag(beforeAt);
    if (around.after == '<' && (around.gap || (breaks && run[n - 1] != ' ')))
        around.blockAfter = OpensBlockTag(end);

    if (breaks) {
        n = Collapse(run, n, '\n');
        if (crRows && anyCR) {
            n = DeleteBreaks(run, n, '\r', '\n', around);
            n = DeleteBreaks(run, n, '\r', '\0', around);
        }
        n = DeleteBreaks(run, n, '\n', '\0', around);
    }
    if (m_spaces) {
        n = Collapse(run, n, ' ');
        if (n > 0 && run[n - 1] == ' ' && around.after == '>' && m_judge.ClosesTag(m_in, end))
            --n;
        if (around.gap && n == 1 && run[0] == ' ' && (around.blockBefore || around.blockAfter)) {
            n = 0;
            m_lowerAt = m_in[end + 1] == '/' ? end + 2 : end + 1;
        }
    }
    m_w += n;
    m_pos = end;
    return true;
}

// At a "<" that may open a protected element: copies the element and moves past the "<" of its
// closing text. False when the rows one by one could see it differently.
bool Scanner::Protected(std::size_t at, bool& handled) noexcept
{
    // Xmp shows its text as pre does (the written rules knew nothing of it).
    static constexpr std::string_view kOpenings[] = {"<textarea", "<pre", "<script", "<xmp"};
    static constexpr std::string_view kClosings[] = {"</textarea>", "</pre>", "</script>", "</xmp>"};
    handled = false;
    for (int k = 0; k < 4; ++k) {
        if (!MatchAt(m_in + at, m_len - at, kOpenings[k]))
            continue;
        handled = true;
        // Opened inside a tag, it is no element for the CR rows, which jump over tags; they do
        // nothing on a page without CR or marker comments, which the end makes sure of.
        const std::size_t angle = m_judge.LastAngle(m_in, at);
        if (angle != npos && m_in[angle] == '<')
            m_openedInTag = true;
        // Every closing text ends in ">", so it lies before the part that holds none.
        const std::size_t q = FindLiteral(m_in, at + 1, m_noGtFrom, kClosings[k]);
        if (q == npos) {
            if (k == 2)
                return false; // the collapsing rows go on past an open script
            Emit(m_len);      // every row stops at it
            return true;
        }
        Emit(q + 1); // a script too: no row changes it
        return true;
    }
    return true;
}

SpacingResult Scanner::Run(std::size_t& outLength) noexcept
{
    while (m_pos < m_len) {
        const std::size_t c = m_candidates.Next(m_pos, m_len);
        if (c >= m_len)
            break;
        const char b = m_in[c];
        if (b != '<') {
            if (!Settle(b == '>' ? c + 1 : c))
                return SpacingResult::Declined;
            continue;
        }
        if (IsMarker(c)) {
            const std::size_t angle = m_judge.LastAngle(m_in, c);
            if (angle == npos || m_in[angle] != '<') {
                // Removed by the first CR row, so what follows meets what came before it.
                const std::size_t gt = Find(m_in, c, m_len, '>');
                if (gt == npos)
                    return SpacingResult::Declined;
                Emit(c);
                StartCopying();
                // A run after it may ask about the tag before it.
                if (m_w > 0 && m_out[m_w - 1] == '>')
                    (void)ClosesBlockTag(m_lastAt);
                m_judge.Skip(m_in, c, gt + 1);
                m_pos = gt + 1;
                if (m_pos < m_len && IsBreakOrSpace(m_in[m_pos]) && !Settle(m_pos))
                    return SpacingResult::Declined;
                continue;
            }
        }
        bool handled = false;
        if (!Protected(c, handled))
            return SpacingResult::Declined;
        if (!handled)
            Emit(c + 1);
    }
    Emit(m_len);
    if (m_openedInTag &&
        (Find(m_in, 0, m_len, '\r') != npos || (m_webbots && FindLiteral(m_in, 0, m_len, "<!--webbot") != npos)))
        return SpacingResult::Declined;
    // A CR row ends at a "<" with no ">" after it, leaving the rest to the other rows.
    if (m_sawCR) {
        const std::size_t last = FindLastEither(m_in, 0, m_len, '<', '>');
        if (last != npos && m_in[last] == '<')
            return SpacingResult::Declined;
    }
    outLength = m_w;
    return m_copying ? SpacingResult::Written : SpacingResult::Unchanged;
}

} // namespace

SpacingResult SpacingPass(const char* in, std::size_t length, char* out, std::size_t& outLength, bool spaces,
                          bool webbots, std::size_t& noGtTail) noexcept
{
    Scanner scanner(in, length, out, spaces, webbots, noGtTail);
    const SpacingResult result = scanner.Run(outLength);
    if (result == SpacingResult::Written)
        noGtTail = scanner.NoGtTail();
    return result;
}
