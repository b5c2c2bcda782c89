#pragma once

// Byte-level search helpers shared by the passes. Internal to the engine.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace bytescan {

inline constexpr std::size_t npos = static_cast<std::size_t>(-1);

// The widest instructions the scans may use. Every width gives the same results; tests narrow it
// so the paths a processor without the wider ones takes are checked too.
enum class ScanWidth { Bytes, Sse2, Avx2 };
void LimitScanWidth(ScanWidth widest) noexcept;
bool ScansUseSse2() noexcept;
bool ScansUseAvx2() noexcept;

inline unsigned char Fold(unsigned char b) noexcept
{
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 32) : b;
}

// An ASCII letter in either case.
inline bool IsLetter(unsigned char b) noexcept
{
    return static_cast<unsigned char>((b | 0x20) - 'a') < 26;
}

inline bool IsLower(unsigned char b) noexcept
{
    return b >= 'a' && b <= 'z';
}

// Case-blind comparison of the bytes at p (avail of them left) with a lower-case literal.
inline bool MatchAt(const char* p, std::size_t avail, std::string_view lit) noexcept
{
    if (avail < lit.size())
        return false;
    for (std::size_t k = 0; k < lit.size(); ++k)
        if (Fold(static_cast<unsigned char>(p[k])) != static_cast<unsigned char>(lit[k]))
            return false;
    return true;
}

inline std::size_t Find(const char* d, std::size_t from, std::size_t to, char b) noexcept
{
    if (from >= to)
        return npos;
    const void* hit = std::memchr(d + from, b, to - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - d) : npos;
}

// Last position in [from, to) holding either a or b, or npos; found scanning backward from `to`.
std::size_t FindLastEither(const char* d, std::size_t from, std::size_t to, char a, char b) noexcept;

// First position in [from, to) holding either a or b, or npos.
std::size_t FindEither(const char* d, std::size_t from, std::size_t to, char a, char b) noexcept;

// From `from` to the first ">" (or `len`): sets `end` to that position and `lastDouble` /
// `lastSingle` to the last double / single quote before it (npos when none). One pass.
void ScanToTagEnd(const char* d, std::size_t from, std::size_t len, std::size_t& end, std::size_t& lastDouble,
                  std::size_t& lastSingle) noexcept;

// For the 64 bytes at d, bit k of each mask set where d[k] is "<", ">", a double quote or a
// single quote. False (nothing set) where the processor has no instructions for it.
struct TagMasks
{
    std::uint64_t lt, gt, dq, sq;
};
bool MakeTagMasks(const char* d, TagMasks& masks) noexcept;

// What a tokenizer needs of 64 bytes, as bits: "<", ">" and quotes; each "<" that opens a tag
// whose text is no raw text (a letter follows, or "/" and a letter); and each "<" that may open
// something else, a comment, a bogus comment or an element whose text runs raw (the two letters
// after it begin the name of one), or whose next bytes are not there.
struct TokenMasks
{
    std::uint64_t lt, gt, quote, open, odd;
};
// For the 64 bytes at d, 66 of which must be there; false where the processor has no
// instructions for it.
bool MakeTokenMasks(const char* d, TokenMasks& masks) noexcept;
// The same for the n (at most 64) bytes at d, with nothing after them.
void MakeTokenMasks(const char* d, std::size_t n, TokenMasks& masks) noexcept;

// Whether "<st", "<sc", "<em", "<te", "<ti", "<xm", "<p ", "</st", "</em" or "</p>" (letters in either
// case) begins at d[j] (`len` bytes in all): where the default tag renaming and centred paragraphs
// may act, and where the text elements they skip may open.
bool StartsShortTagCandidate(const char* d, std::size_t j, std::size_t len) noexcept;

// StartsShortTagCandidate for the 64 bytes at d (three more must follow them), as bits; false
// where the processor has no instructions for it.
bool ShortTagCandidates(const char* d, std::uint64_t& bits) noexcept;

// First case-blind occurrence of a lower-case literal at or after `from`, or npos.
std::size_t FindLiteral(const char* d, std::size_t from, std::size_t len, std::string_view lit) noexcept;

// Finds the positions where something may happen in a pass: where one of a few texts may
// begin, judged by its first three bytes (letters in either case). Every position it passes
// over is one where none of the texts begins; positions it returns are checked in full.
class CandidateFinder
{
public:
    static constexpr int kMaxPatterns = 8;

    // Adds a lower-case text (only its first three bytes are looked at).
    void Add(std::string_view text) noexcept;

    // First candidate position in [from, len), or len when there is none.
    std::size_t Next(const char* d, std::size_t from, std::size_t len) const noexcept;

private:
    struct Pattern
    {
        unsigned char bytes[3];
        bool fold[3];
        int length;
    };
    // Per pattern and byte: the byte repeated, and 0x20 repeated where letters fold (or 0).
    struct alignas(32) Lanes
    {
        unsigned char byte[32];
        unsigned char fold[32];
    };

    bool IsCandidate(const char* d, std::size_t j, std::size_t len) const noexcept;
    std::size_t NextWide(const char* d, std::size_t from, std::size_t len) const noexcept;

    Pattern m_patterns[kMaxPatterns] = {};
    Lanes m_lanes[kMaxPatterns][3] = {};
    int m_count = 0;
    bool m_everywhere = false;
};

} // namespace bytescan
