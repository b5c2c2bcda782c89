#include "TCliProgress.h"

#include "app/core/TReasonText.h"

#include <cstdio>

namespace {

QString Say(const char* english, const char* chinese)
{
    return QString::fromUtf8(TReasonText::CurrentLanguage() == TReasonText::Chinese ? chinese : english);
}

QString Megabytes(quint64 bytes)
{
    return QString::number(double(bytes) / 1e6, 'f', 1);
}

// "m:ss", or "h:mm:ss" from an hour on.
QString Duration(qint64 seconds)
{
    const qint64 h = seconds / 3600;
    const qint64 m = seconds / 60 % 60;
    const QString s = QStringLiteral("%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return h > 0 ? QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s)
                 : QStringLiteral("%1:%2").arg(m).arg(s);
}

} // namespace

void TCliProgress::Start(int files, quint64 bytes)
{
    m_files = files;
    m_bytes = bytes;
    m_done = 0;
    m_doneBytes = 0;
    m_start = Clock::now();
    if (m_shown)
        Draw(m_start);
}

void TCliProgress::Advance(quint64 bytes)
{
    ++m_done;
    m_doneBytes += bytes;
    const Clock::time_point now = Clock::now();
    if (m_shown && now - m_drawn >= Interval)
        Draw(now);
}

QString TCliProgress::Line(Clock::duration elapsed) const
{
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const double rate = seconds > 0 ? double(m_doneBytes) / seconds : 0; // bytes a second
    // Bytes tell the time left better than files; with no bytes at all, files do.
    QString left = QStringLiteral("--:--");
    if (rate > 0 && m_bytes >= m_doneBytes)
        left = Duration(qint64(double(m_bytes - m_doneBytes) / rate));
    else if (m_bytes == 0 && m_done > 0 && seconds > 0)
        left = Duration(qint64(double(m_files - m_done) * seconds / m_done));
    return Say("%1/%2 files, %3 of %4 MB, %5 MB/s, %6 left", "%1/%2 个文件, %3/%4 MB, %5 MB/s, 剩余 %6")
        .arg(m_done)
        .arg(m_files)
        .arg(Megabytes(m_doneBytes), Megabytes(m_bytes), Megabytes(quint64(rate)), left);
}

void TCliProgress::Draw(Clock::time_point now)
{
    m_drawn = now;
    const QString line = Line(now - m_start);
    // Spaces wipe what a longer line before left.
    const QString padded = line.leftJustified(m_width);
    m_width = line.size();
    std::fputs(('\r' + padded).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    m_visible = true;
}

void TCliProgress::Erase()
{
    if (!m_visible)
        return;
    std::fprintf(stderr, "\r%*s\r", int(m_width), "");
    std::fflush(stderr);
    m_visible = false;
    m_width = 0;
}

void TCliProgress::Finish()
{
    Erase();
    m_shown = false;
}
