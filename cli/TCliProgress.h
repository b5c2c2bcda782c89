#pragma once

#include <QString>
#include <QtGlobal>
#include <chrono>

// One line on standard error, redrawn in place at most ten times a second: files done of all,
// megabytes, speed and the time left, in the language of the report. Only for a terminal: a log
// or a pipe gets nothing.
class TCliProgress
{
public:
    using Clock = std::chrono::steady_clock;

    explicit TCliProgress(bool shown) : m_shown(shown) {}

    void Start(int files, quint64 bytes);
    // One file done, of this many bytes.
    void Advance(quint64 bytes);
    // Takes the line away so that a message can be printed; it comes back with the next update.
    void Erase();
    // Gone for good.
    void Finish();

    // The line itself, as it reads after `elapsed`.
    [[nodiscard]] QString Line(Clock::duration elapsed) const;

    // Not more often than this.
    static constexpr std::chrono::milliseconds Interval{100};

private:
    void Draw(Clock::time_point now);

    bool m_shown;
    bool m_visible = false;
    int m_files = 0;
    int m_done = 0;
    quint64 m_bytes = 0;
    quint64 m_doneBytes = 0;
    qsizetype m_width = 0; // of the line on screen, to wipe what a shorter one leaves
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_drawn;
};
