#include "TLogFile.h"

#include "TIniFile32.h"
#include "TNameText.h"
#include "TReasonText.h"
#include "TRegularFile.h"

#include <QFileInfo>
#include <cerrno>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {
const QString kProductTitle = QStringLiteral("Corvane XP");
}

TLogFile::TLogFile(const QString& path) : m_path(path) {}

TLogFile::~TLogFile()
{
    Close();
}

bool TLogFile::Open()
{
    const bool existed = QFileInfo(m_path).exists() || QFileInfo(m_path).isSymLink();
    // Unbuffered: every record is one write, so a failure is seen at once and can be undone.
    if (TRegularFile::Open(m_file, m_path, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                           m_error) != TRegularFile::Opened)
        return false;
    // The header marks the start of a file, not of a run.
    if (!existed && !WriteLine(HeaderLine().toLocal8Bit())) {
        m_file.close();
        return false;
    }
    return true;
}

bool TLogFile::WriteRecord(const QDateTime& when, const QByteArray& fullPath, quint64 sizeBefore,
                           quint64 sizeAfter)
{
    return WriteLine(RecordLine(when, fullPath, sizeBefore, sizeAfter));
}

void TLogFile::Close()
{
    if (m_file.isOpen())
        m_file.close();
}

bool TLogFile::WriteLine(const QByteArray& line)
{
    const QByteArray bytes = line + "\r\n";
#ifdef Q_OS_WIN
    const qint64 before = m_file.size();
    if (m_file.write(bytes) == bytes.size())
        return true;
    m_error = m_file.errorString();
    const qint64 done = m_file.size() - before;
#else
    // Written by hand to keep the system's reason for a failure (QFile says "Unknown error").
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_file.handle(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    if (done == bytes.size())
        return true;
    m_error = TReasonText::OfSystemError(errno);
#endif
    // A torn record (a full disk) is taken back, so the file never ends in half a line.
    if (done > 0)
        m_file.resize(m_file.size() - done);
    return false;
}

QStringList TLogFile::ReadLines(const QString& path)
{
    QStringList lines;
    QFile file;
    QString error;
    if (TRegularFile::Open(file, path, QIODevice::ReadOnly, error) != TRegularFile::Opened)
        return lines;
    for (const QByteArray& line : TIniFile32::SplitLines(file.readAll(), false))
        lines.append(QString::fromLocal8Bit(line));
    return lines;
}

bool TLogFile::Clear(const QString& path)
{
    return !QFile::exists(path) || QFile::remove(path);
}

QString TLogFile::HeaderLine()
{
    return QStringLiteral("--------------   ") + kProductTitle +
           QStringLiteral("  日志文件   --------------");
}

QByteArray TLogFile::RecordLine(const QDateTime& when, const QByteArray& fullPath, quint64 sizeBefore,
                                quint64 sizeAfter)
{
    return DateTimeText(when).toLocal8Bit() + "  " + TNameText::Escaped(fullPath) + "   " +
           QByteArray::number(sizeBefore) + "B   " + QByteArray::number(sizeAfter) + 'B';
}

QString TLogFile::DateTimeText(const QDateTime& when)
{
    const QString date = when.date().toString(QStringLiteral("yyyy-M-d"));
    if (when.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + when.time().toString(QStringLiteral("HH:mm:ss"));
}
