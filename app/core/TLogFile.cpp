#include "TLogFile.h"

#include "TIniFile32.h"

namespace {
const QString kProductTitle = QStringLiteral("Corvane XP");
}

TLogFile::TLogFile(const QString& path) : m_path(path), m_file(path) {}

TLogFile::~TLogFile()
{
    Close();
}

bool TLogFile::Open()
{
    const bool existed = QFile::exists(m_path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    // The header marks the start of a file, not of a run.
    if (!existed && !WriteLine(HeaderLine())) {
        m_file.close();
        return false;
    }
    return true;
}

bool TLogFile::WriteRecord(const QDateTime& when, const QString& fullPath, quint64 sizeBefore,
                           quint64 sizeAfter)
{
    return WriteLine(RecordLine(when, fullPath, sizeBefore, sizeAfter));
}

void TLogFile::Close()
{
    if (m_file.isOpen())
        m_file.close();
}

bool TLogFile::WriteLine(const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit() + "\r\n";
    // Flushed per record so a crash later in the run keeps what was already done.
    return m_file.write(bytes) == bytes.size() && m_file.flush();
}

QStringList TLogFile::ReadLines(const QString& path)
{
    QStringList lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
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

QString TLogFile::RecordLine(const QDateTime& when, const QString& fullPath, quint64 sizeBefore,
                             quint64 sizeAfter)
{
    return DateTimeText(when) + QStringLiteral("  ") + fullPath + QStringLiteral("   ") +
           QString::number(sizeBefore) + QStringLiteral("B   ") + QString::number(sizeAfter) +
           QLatin1Char('B');
}

QString TLogFile::DateTimeText(const QDateTime& when)
{
    const QString date = when.date().toString(QStringLiteral("yyyy-M-d"));
    if (when.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + when.time().toString(QStringLiteral("HH:mm:ss"));
}
