#include "ByteScan.h"

#include <atomic>
#include <bit>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define CORVANE_SSE2 1
#endif
#if defined(CORVANE_SSE2) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define CORVANE_AVX2 1 // compiled for AVX2 separately and chosen at run time
#endif

namespace bytescan {

namespace {

std::atomic<int> g_widest{static_cast<int>(ScanWidth::Avx2)};

bool Allowed(ScanWidth width) noexcept
{
    return g_widest.load(std::memory_order_relaxed) >= static_cast<int>(width);
}

#ifdef CORVANE_SSE2
// The lowest and the highest set bit of a mask that is not 0.
inline int LowestBit(unsigned mask) noexcept
{
    return std::countr_zero(mask);
}

inline int HighestBit(unsigned mask) noexcept
{
    return 31 - std::countl_zero(mask);
}

// Bytes equal to `b`, or equal to it after folding when b is a lower-case letter.
inline __m128i Equal(__m128i v, unsigned char b, bool fold) noexcept
{
    if (fold)
        v = _mm_or_si128(v, _mm_set1_epi8(0x20));
    return _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(b)));
}
#endif

} // namespace

void LimitScanWidth(ScanWidth widest) noexcept
{
    g_widest.store(static_cast<int>(widest), std::memory_order_relaxed);
}

bool ScansUseSse2() noexcept
{
#ifdef CORVANE_SSE2
    return Allowed(ScanWidth::Sse2);
#else
    return false;
#endif
}

bool ScansUseAvx2() noexcept
{
#ifdef CORVANE_AVX2
    static const bool cpu = __builtin_cpu_supports("avx2");
    return cpu && Allowed(ScanWidth::Avx2);
#else
    return false;
#endif
}

std::size_t FindLastEither(const char* d, std::size_t from, std::size_t to, char a, char b) noexcept
{
    std::size_t j = to;
#ifdef CORVANE_SSE2
    const bool sse = ScansUseSse2();
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    for (; sse && j >= from + 16; j -= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j - 16));
        const unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb))));
        if (mask)
            return j - 16 + HighestBit(mask);
    }
#endif
    while (j > from) {
        --j;
        if (d[j] == a || d[j] == b)
            return j;
    }
    return npos;
}

std::size_t FindEither(const char* d, std::size_t from, std::size_t to, char a, char b) noexcept
{
    std::size_t j = from;
#ifdef CORVANE_SSE2
    const bool sse = ScansUseSse2();
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    for (; sse && j + 16 <= to; j += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j));
        const unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb))));
        if (mask)
            return j + LowestBit(mask);
    }
#endif
    for (; j < to; ++j)
        if (d[j] == a || d[j] == b)
            return j;
    return npos;
}

void ScanToTagEnd(const char* d, std::size_t from, std::size_t len, std::size_t& end, std::size_t& lastDouble,
                  std::size_t& lastSingle) noexcept
{
    lastDouble = lastSingle = npos;
    std::size_t j = from;
#ifdef CORVANE_SSE2
    const bool sse = ScansUseSse2();
    const __m128i gt = _mm_set1_epi8('>');
    const __m128i dq = _mm_set1_epi8('"');
    const __m128i sq = _mm_set1_epi8('\'');
    for (; sse && j + 16 <= len; j += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j));
        const unsigned gts = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, gt)));
        // Quotes count only before the block's first ">".
        const unsigned before = gts ? (1u << LowestBit(gts)) - 1 : 0xFFFFu;
        const unsigned dqs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, dq))) & before;
        const unsigned sqs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, sq))) & before;
        if (dqs)
            lastDouble = j + HighestBit(dqs);
        if (sqs)
            lastSingle = j + HighestBit(sqs);
        if (gts) {
            end = j + LowestBit(gts);
            return;
        }
    }
#endif
    for (; j < len && d[j] != '>'; ++j) {
        if (d[j] == '"')
            lastDouble = j;
        else if (d[j] == '\'')
            lastSingle = j;
    }
    end = j;
}

bool StartsShortTagCandidate(const char* d, std::size_t j, std::size_t len) noexcept
{
    if (j + 2 >= len || d[j] != '<') // every one of the texts has three bytes
        return false;
    const unsigned char f1 = Fold(static_cast<unsigned char>(d[j + 1]));
    const unsigned char f2 = Fold(static_cast<unsigned char>(d[j + 2]));
    if (f1 == 's' || f1 == 'e')
        return f2 == 't' || f2 == 'c' || f2 == 'm';
    if (f1 == 't')
        return f2 == 'e' || f2 == 'i';
    if (f1 == 'x')
        return f2 == 'm';
    if (f1 == 'p')
        return d[j + 2] == ' ';
    if (d[j + 1] != '/' || j + 3 >= len)
        return false;
    const unsigned char f3 = Fold(static_cast<unsigned char>(d[j + 3]));
    return (f2 == 's' && f3 == 't') || (f2 == 'e' && f3 == 'm') || (f2 == 'p' && d[j + 3] == '>');
}

std::size_t FindLiteral(const char* d, std::size_t from, std::size_t len, std::string_view lit) noexcept
{
    if (lit.empty() || from >= len)
        return npos;
    const unsigned char first = static_cast<unsigned char>(lit[0]);
    const bool letter = IsLower(first);
    for (std::size_t j = from; j + lit.size() <= len;) {
        std::size_t hit;
        if (letter)
            hit = FindEither(d, j, len - lit.size() + 1, static_cast<char>(first), static_cast<char>(first - 32));
        else
            hit = Find(d, j, len - lit.size() + 1, static_cast<char>(first));
        if (hit == npos)
            return npos;
        if (MatchAt(d + hit, len - hit, lit))
            return hit;
        j = hit + 1;
    }
    return npos;
}

void CandidateFinder::Add(std::string_view text) noexcept
{
    if (text.empty())
        return;
    Pattern p{};
    p.length = static_cast<int>(text.size() < 3 ? text.size() : 3);
    for (int k = 0; k < p.length; ++k) {
        p.bytes[k] = Fold(static_cast<unsigned char>(text[k]));
        p.fold[k] = IsLower(p.bytes[k]);
    }
    for (int i = 0; i < m_count; ++i)
        if (m_patterns[i].length == p.length && std::memcmp(m_patterns[i].bytes, p.bytes, 3) == 0)
            return; // texts with the same first bytes share a pattern
    if (m_count == kMaxPatterns) {
        m_everywhere = true; // too many to test at once: every position gets checked in full
        return;
    }
    for (int k = 0; k < 3; ++k) {
        // Past a short pattern's end every byte matches: b | 0xFF equals 0xFF.
        const bool used = k < p.length;
        std::memset(m_lanes[m_count][k].byte, used ? p.bytes[k] : 0xFF, 32);
        std::memset(m_lanes[m_count][k].fold, !used ? 0xFF : p.fold[k] ? 0x20 : 0, 32);
    }
    m_patterns[m_count++] = p;
}

bool CandidateFinder::IsCandidate(const char* d, std::size_t j, std::size_t len) const noexcept
{
    for (int i = 0; i < m_count; ++i) {
        const Pattern& p = m_patterns[i];
        if (j + p.length > len)
            continue;
        bool all = true;
        for (int k = 0; k < p.length && all; ++k)
            all = Fold(static_cast<unsigned char>(d[j + k])) == p.bytes[k];
        if (all)
            return true;
    }
    return false;
}

std::size_t CandidateFinder::Next(const char* d, std::size_t from, std::size_t len) const noexcept
{
    if (m_everywhere)
        return from < len ? from : len;
#ifdef CORVANE_AVX2
    if (ScansUseAvx2())
        return NextWide(d, from, len);
#endif
    std::size_t j = from;
#ifdef CORVANE_SSE2
    const bool sse = ScansUseSse2();
    // Three overlapping loads give each position and the two bytes after it; the constants of
    // every pattern were laid out when it was added.
    const auto hitsAt = [this, d](std::size_t at) {
        __m128i v[3];
        for (int k = 0; k < 3; ++k)
            v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at + k));
        __m128i hits = _mm_setzero_si128();
        for (int i = 0; i < m_count; ++i) {
            const Lanes* lanes = m_lanes[i];
            const auto test = [&](int k) {
                const __m128i folded = _mm_or_si128(v[k], _mm_load_si128(reinterpret_cast<const __m128i*>(lanes[k].fold)));
                return _mm_cmpeq_epi8(folded, _mm_load_si128(reinterpret_cast<const __m128i*>(lanes[k].byte)));
            };
            hits = _mm_or_si128(hits, _mm_and_si128(_mm_and_si128(test(0), test(1)), test(2)));
        }
        return static_cast<unsigned>(_mm_movemask_epi8(hits));
    };
    for (; sse && j + 34 <= len; j += 32) {
        const unsigned mask = hitsAt(j) | (hitsAt(j + 16) << 16);
        if (mask)
            return j + LowestBit(mask);
    }
    for (; sse && j + 18 <= len; j += 16) {
        const unsigned mask = hitsAt(j);
        if (mask)
            return j + LowestBit(mask);
    }
#endif
    for (; j < len; ++j)
        if (IsCandidate(d, j, len))
            return j;
    return len;
}

namespace {

// Letters folded to lower case (any byte | 0x20) that begin a raw-text element's name, and those
// that can follow them: bit k for the k-th pair of ti te st sc xm if no pl.
constexpr std::uint8_t kRawFirstLow[16] = {0x80, 0, 0, 0x0C, 0x03, 0, 0, 0, 0x10, 0x20, 0, 0, 0, 0, 0x40, 0};
constexpr std::uint8_t kRawFirstHigh[16] = {0, 0, 0, 0, 0, 0, 0x60, 0x9F, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::uint8_t kRawSecondLow[16] = {0, 0, 0, 0x08, 0x04, 0x02, 0x20, 0, 0, 0x01, 0, 0, 0x80, 0x10, 0, 0x40};
constexpr std::uint8_t kRawSecondHigh[16] = {0, 0, 0, 0, 0, 0, 0xFB, 0x04, 0, 0, 0, 0, 0, 0, 0, 0};

inline bool BeginsRawName(unsigned char a, unsigned char b) noexcept
{
    a |= 0x20;
    b |= 0x20;
    return (kRawFirstLow[a & 15] & kRawFirstHigh[a >> 4] & kRawSecondLow[b & 15] & kRawSecondHigh[b >> 4]) != 0;
}

} // namespace

void MakeTokenMasks(const char* d, std::size_t n, TokenMasks& m) noexcept
{
    m = {};
    for (std::size_t k = 0; k < n; ++k) {
        const unsigned char c = static_cast<unsigned char>(d[k]);
        const std::uint64_t bit = std::uint64_t{1} << k;
        if (c == '>')
            m.gt |= bit;
        else if (c == '"' || c == '\'')
            m.quote |= bit;
        if (c != '<')
            continue;
        m.lt |= bit;
        if (k + 2 >= n) {
            m.odd |= bit;
            continue;
        }
        const unsigned char c1 = static_cast<unsigned char>(d[k + 1]);
        const unsigned char c2 = static_cast<unsigned char>(d[k + 2]);
        const bool startTag = IsLetter(c1);
        const bool endTag = c1 == '/' && IsLetter(c2);
        const bool emptyEndTag = c1 == '/' && c2 == '>'; // "</>": read and ignored, like text
        if ((startTag && !BeginsRawName(c1, c2)) || endTag)
            m.open |= bit;
        else if (startTag || c1 == '!' || c1 == '?' || (c1 == '/' && !emptyEndTag))
            m.odd |= bit;
    }
}

#ifdef CORVANE_AVX2
namespace {

__attribute__((target("avx2"))) inline std::uint64_t WideMask(__m256i low, __m256i high, char b) noexcept
{
    const __m256i vb = _mm256_set1_epi8(b);
    const unsigned lowBits = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, vb)));
    const unsigned highBits = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, vb)));
    return lowBits | (std::uint64_t(highBits) << 32);
}

__attribute__((target("avx2"))) void WideTagMasks(const char* d, TagMasks& masks) noexcept
{
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 32));
    masks.lt = WideMask(low, high, '<');
    masks.gt = WideMask(low, high, '>');
    masks.dq = WideMask(low, high, '"');
    masks.sq = WideMask(low, high, '\'');
}

__attribute__((target("avx2"))) inline __m256i ByteIs(__m256i v, char b) noexcept
{
    return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(b));
}

__attribute__((target("avx2"))) inline __m256i Lookup(__m256i v, const std::uint8_t* low, const std::uint8_t* high) noexcept
{
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i lows = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low)));
    const __m256i highs = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(high)));
    return _mm256_and_si256(_mm256_shuffle_epi8(lows, _mm256_and_si256(v, nibble)),
                            _mm256_shuffle_epi8(highs, _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble)));
}

__attribute__((target("avx2"))) inline __m256i Letters(__m256i folded) noexcept
{
    const __m256i offset = _mm256_sub_epi8(folded, _mm256_set1_epi8('a'));
    return _mm256_cmpeq_epi8(_mm256_min_epu8(offset, _mm256_set1_epi8(25)), offset);
}

__attribute__((target("avx2"))) inline std::uint64_t Bits(__m256i v, int half) noexcept
{
    return std::uint64_t{static_cast<unsigned>(_mm256_movemask_epi8(v))} << (32 * half);
}

__attribute__((target("avx2"))) void WideTokenMasks(const char* d, TokenMasks& m) noexcept
{
    const __m256i fold = _mm256_set1_epi8(0x20);
    const __m256i zero = _mm256_setzero_si256();
    m = {};
    for (int half = 0; half < 2; ++half, d += 32) {
        const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
        const __m256i lt = ByteIs(v0, '<');
        m.gt |= Bits(ByteIs(v0, '>'), half);
        m.quote |= Bits(_mm256_or_si256(ByteIs(v0, '"'), ByteIs(v0, '\'')), half);
        if (_mm256_testz_si256(lt, lt))
            continue; // text alone: nothing opens here
        const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 1));
        const __m256i v2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 2));
        const __m256i f1 = _mm256_or_si256(v1, fold);
        const __m256i f2 = _mm256_or_si256(v2, fold);
        const __m256i letter1 = Letters(f1);
        const __m256i slash1 = ByteIs(v1, '/');
        const __m256i letter2 = Letters(f2);
        const __m256i raw = _mm256_andnot_si256(
            _mm256_cmpeq_epi8(_mm256_and_si256(Lookup(f1, kRawFirstLow, kRawFirstHigh),
                                               Lookup(f2, kRawSecondLow, kRawSecondHigh)),
                              zero),
            letter1);
        const __m256i open = _mm256_or_si256(_mm256_andnot_si256(raw, letter1), _mm256_and_si256(slash1, letter2));
        const __m256i odd = _mm256_or_si256(
            _mm256_or_si256(raw, _mm256_or_si256(ByteIs(v1, '!'), ByteIs(v1, '?'))),
            _mm256_andnot_si256(_mm256_or_si256(letter2, ByteIs(v2, '>')), slash1));
        m.lt |= Bits(lt, half);
        m.open |= Bits(_mm256_and_si256(lt, open), half);
        m.odd |= Bits(_mm256_and_si256(lt, odd), half);
    }
}

__attribute__((target("avx2"))) std::uint64_t WideShortTagCandidates(const char* d) noexcept
{
    const __m256i fold = _mm256_set1_epi8(0x20);
    std::uint64_t all = 0;
    for (int half = 0; half < 2; ++half, d += 32) {
        const __m256i lt = ByteIs(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(d)), '<');
        if (_mm256_testz_si256(lt, lt))
            continue;
        const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 1));
        const __m256i v2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 2));
        const __m256i f1 = _mm256_or_si256(v1, fold);
        const __m256i f2 = _mm256_or_si256(v2, fold);
        const __m256i s2 = _mm256_or_si256(_mm256_or_si256(ByteIs(f2, 't'), ByteIs(f2, 'c')), ByteIs(f2, 'm'));
        const __m256i opening = _mm256_or_si256(
            _mm256_or_si256(_mm256_and_si256(_mm256_or_si256(ByteIs(f1, 's'), ByteIs(f1, 'e')), s2),
                            _mm256_and_si256(ByteIs(f1, 't'), _mm256_or_si256(ByteIs(f2, 'e'), ByteIs(f2, 'i')))),
            _mm256_or_si256(_mm256_and_si256(ByteIs(f1, 'p'), ByteIs(v2, ' ')),
                            _mm256_and_si256(ByteIs(f1, 'x'), ByteIs(f2, 'm'))));
        const __m256i v3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 3));
        const __m256i f3 = _mm256_or_si256(v3, fold);
        const __m256i closing = _mm256_and_si256(
            ByteIs(v1, '/'),
            _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(ByteIs(f2, 's'), ByteIs(f3, 't')),
                                            _mm256_and_si256(ByteIs(f2, 'e'), ByteIs(f3, 'm'))),
                            _mm256_and_si256(ByteIs(f2, 'p'), ByteIs(v3, '>'))));
        const __m256i hits = _mm256_and_si256(lt, _mm256_or_si256(opening, closing));
        all |= std::uint64_t(static_cast<unsigned>(_mm256_movemask_epi8(hits))) << (32 * half);
    }
    return all;
}

} // namespace

bool ShortTagCandidates(const char* d, std::uint64_t& bits) noexcept
{
    if (!ScansUseAvx2())
        return false;
    bits = WideShortTagCandidates(d);
    return true;
}

bool MakeTagMasks(const char* d, TagMasks& masks) noexcept
{
    if (!ScansUseAvx2())
        return false;
    WideTagMasks(d, masks);
    return true;
}

bool MakeTokenMasks(const char* d, TokenMasks& masks) noexcept
{
    if (!ScansUseAvx2())
        return false;
    WideTokenMasks(d, masks);
    return true;
}

namespace {

__attribute__((target("avx2"))) inline __m256i WideTest(__m256i v, const unsigned char* fold,
                                                        const unsigned char* byte) noexcept
{
    const __m256i folded = _mm256_or_si256(v, _mm256_load_si256(reinterpret_cast<const __m256i*>(fold)));
    return _mm256_cmpeq_epi8(folded, _mm256_load_si256(reinterpret_cast<const __m256i*>(byte)));
}

} // namespace

__attribute__((target("avx2"))) std::size_t CandidateFinder::NextWide(const char* d, std::size_t from,
                                                                      std::size_t len) const noexcept
{
    std::size_t j = from;
    for (; j + 34 <= len; j += 32) {
        __m256i v[3];
        for (int k = 0; k < 3; ++k)
            v[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + j + k));
        __m256i hits = _mm256_setzero_si256();
        for (int i = 0; i < m_count; ++i) {
            const Lanes* l = m_lanes[i];
            const __m256i all = _mm256_and_si256(_mm256_and_si256(WideTest(v[0], l[0].fold, l[0].byte),
                                                                  WideTest(v[1], l[1].fold, l[1].byte)),
                                                 WideTest(v[2], l[2].fold, l[2].byte));
            hits = _mm256_or_si256(hits, all);
        }
        const unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(hits));
        if (mask)
            return j + LowestBit(mask);
    }
    for (; j < len; ++j)
        if (IsCandidate(d, j, len))
            return j;
    return len;
}
#else
bool MakeTagMasks(const char*, TagMasks&) noexcept
{
    return false;
}

bool MakeTokenMasks(const char*, TokenMasks&) noexcept
{
    return false;
}

bool ShortTagCandidates(const char*, std::uint64_t&) noexcept
{
    return false;
}

std::size_t CandidateFinder::NextWide(const char* d, std::size_t from, std::size_t len) const noexcept
{
    return Next(d, from, len);
}
#endif

} // namespace bytescan
