#pragma once

// Which tags a browser lays out as blocks, so that a line break or a space beside them is never
// seen. Internal to the engine.

#include "ByteScan.h"

#include <cstddef>

namespace blocktags {

// Whether the bytes at `lt` (a "<", `avail` bytes left) begin a tag whose name, read past one "/"
// as ASCII letters and digits and compared without regard to case, is a block tag's.
[[nodiscard]] bool StartsBlockTag(const char* lt, std::size_t avail) noexcept;

// For a scan that asks with ever larger positions: each byte is looked back over once, and a
// tag asked about twice (as the one after a run, then as the one before the next) is judged once.
class TagJudge
{
public:
    // The last "<" or ">" in d[0, end), or -1.
    [[nodiscard]] std::size_t LastAngle(const char* d, std::size_t end) noexcept;
    // Whether a ">" right after d[0, end) closes a block tag: the last "<" or ">" before it is a
    // "<" that opens one.
    [[nodiscard]] bool ClosesBlock(const char* d, std::size_t end) noexcept;
    // Whether a block tag starts at d[lt], `avail` bytes left there.
    [[nodiscard]] bool OpensBlock(const char* d, std::size_t lt, std::size_t avail) noexcept;

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t m_seenUpTo = 0;
    std::size_t m_lastAngle = kNone; // the last "<" or ">" in [0, m_seenUpTo)
    std::size_t m_judgedLt = kNone;
    bool m_judgedBlock = false;
};

// Inline: the scans ask at nearly every line break.
inline std::size_t TagJudge::LastAngle(const char* d, std::size_t end) noexcept
{
    if (end < m_seenUpTo) {
        m_seenUpTo = 0; // the scans never ask so; start over rather than answer wrongly
        m_lastAngle = kNone;
    }
    const std::size_t angle = bytescan::FindLastEither(d, m_seenUpTo, end, '<', '>');
    if (angle != bytescan::npos)
        m_lastAngle = angle;
    m_seenUpTo = end;
    return m_lastAngle;
}

inline bool TagJudge::ClosesBlock(const char* d, std::size_t end) noexcept
{
    const std::size_t lt = LastAngle(d, end);
    return lt != kNone && d[lt] == '<' && OpensBlock(d, lt, end - lt);
}

inline bool TagJudge::OpensBlock(const char* d, std::size_t lt, std::size_t avail) noexcept
{
    if (lt != m_judgedLt) {
        m_judgedLt = lt;
        m_judgedBlock = StartsBlockTag(d + lt, avail);
    }
    return m_judgedBlock;
}

} // namespace blocktags
