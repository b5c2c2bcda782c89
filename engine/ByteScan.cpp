#include "ByteScan.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define CORVANE_SSE2 1
#endif

namespace bytescan {

namespace {

#ifdef CORVANE_SSE2
inline int LowestBit(unsigned mask)
{
#if defined(_MSC_VER) && !defined(__clang__)
    unsigned long index;
    _BitScanForward(&index, mask);
    return static_cast<int>(index);
#else
    return __builtin_ctz(mask);
#endif
}

// Bytes equal to `b`, or equal to it after folding when b is a lower-case letter.
inline __m128i Equal(__m128i v, unsigned char b, bool fold)
{
    if (fold)
        v = _mm_or_si128(v, _mm_set1_epi8(0x20));
    return _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(b)));
}
#endif

} // namespace

std::size_t FindLast(const char* d, std::size_t from, std::size_t to, char b)
{
    if (from >= to)
        return npos;
#if defined(__GLIBC__)
    const void* hit = memrchr(d + from, b, to - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - d) : npos;
#else
    for (std::size_t j = to; j > from; --j)
        if (d[j - 1] == b)
            return j - 1;
    return npos;
#endif
}

std::size_t FindEither(const char* d, std::size_t from, std::size_t to, char a, char b)
{
    std::size_t j = from;
#ifdef CORVANE_SSE2
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    for (; j + 16 <= to; j += 16) {
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

std::size_t FindLiteral(const char* d, std::size_t from, std::size_t len, std::string_view lit)
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

CandidateFinder::CandidateFinder(std::string_view lead, std::string_view afterLt)
    : m_leadLength(static_cast<int>(lead.size() < 2 ? lead.size() : 2)), m_lead{0, 0}, m_leadFold{false, false},
      m_afterLt{0, 0, 0, 0}, m_afterLtCount(0)
{
    for (int k = 0; k < m_leadLength; ++k) {
        m_lead[k] = Fold(static_cast<unsigned char>(lead[k]));
        m_leadFold[k] = IsLower(m_lead[k]);
    }
    for (char c : afterLt)
        if (m_afterLtCount < 4)
            m_afterLt[m_afterLtCount++] = static_cast<unsigned char>(c);
}

bool CandidateFinder::IsCandidate(const char* d, std::size_t j, std::size_t len) const
{
    const unsigned char b0 = static_cast<unsigned char>(d[j]);
    if (m_leadLength > 0 && Fold(b0) == m_lead[0]) {
        if (m_leadLength == 1)
            return true;
        if (j + 1 < len && Fold(static_cast<unsigned char>(d[j + 1])) == m_lead[1])
            return true;
    }
    if (m_afterLtCount > 0 && b0 == '<' && j + 1 < len) {
        const unsigned char b1 = Fold(static_cast<unsigned char>(d[j + 1]));
        for (int k = 0; k < m_afterLtCount; ++k)
            if (b1 == m_afterLt[k])
                return true;
    }
    return false;
}

std::size_t CandidateFinder::Next(const char* d, std::size_t from, std::size_t len) const
{
    std::size_t j = from;
#ifdef CORVANE_SSE2
    // Two overlapping loads give each position and the byte after it.
    for (; j + 17 <= len; j += 16) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j + 1));
        __m128i hits = _mm_setzero_si128();
        if (m_leadLength > 0) {
            __m128i lead = Equal(v0, m_lead[0], m_leadFold[0]);
            if (m_leadLength > 1)
                lead = _mm_and_si128(lead, Equal(v1, m_lead[1], m_leadFold[1]));
            hits = lead;
        }
        if (m_afterLtCount > 0) {
            __m128i next = _mm_setzero_si128();
            for (int k = 0; k < m_afterLtCount; ++k)
                next = _mm_or_si128(next, Equal(v1, m_afterLt[k], IsLower(m_afterLt[k])));
            hits = _mm_or_si128(hits, _mm_and_si128(_mm_cmpeq_epi8(v0, _mm_set1_epi8('<')), next));
        }
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask)
            return j + LowestBit(mask);
    }
#endif
    for (; j < len; ++j)
        if (IsCandidate(d, j, len))
            return j;
    return len;
}

} // namespace bytescan
