#include "TIniFile32.h"

#include "TReasonText.h"
#include "TRegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <limits>

namespace {

// Characters 0 to 32 are blanks here, not just what isspace() knows.
QByteArray Trim(const QByteArray& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && quint8(text[begin]) <= 32)
        ++begin;
    while (end > begin && quint8(text[end - 1]) <= 32)
        --end;
    return text.mid(begin, end - begin);
}

bool IsHeader(const QByteArray& line)
{
    const QByteArray trimmed = Trim(line);
    return !trimmed.isEmpty() && trimmed.startsWith('[') && trimmed.endsWith(']');
}

QByteArray KeyOf(const QByteArray& line)
{
    const qsizetype equals = line.indexOf('=');
    return equals < 0 ? QByteArray() : Trim(line.left(equals));
}

QByteArray ValueOf(const QByteArray& line, const QByteArray& key)
{
    if (line.isEmpty() || key.isEmpty())
        return {};
    const qsizetype keyAt = line.indexOf(key);
    const qsizetype equals = line.indexOf('=');
    if (keyAt < 0 || equals < 0 || keyAt >= equals)
        return {};
    return Trim(line.mid(equals + 1));
}

// Only ASCII letters fold: bytes of 128 and above belong to multi-byte characters in many
// local encodings, and folding them one by one would match different characters.
bool EqualsIgnoringAsciiCase(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// Digits of base 10 or 16, all of them; false on anything else or on overflow past limit.
bool ParseDigits(const QByteArray& digits, int base, quint64 limit, quint64& value)
{
    if (digits.isEmpty())
        return false;
    value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * quint64(base) + quint64(digit);
        if (value > limit)
            return false;
    }
    return true;
}

// Hexadecimal covers the full 32 bits and wraps to a signed value ($FFFFFFFF is -1);
// decimal must fit the signed range.
bool ParseInteger(const QByteArray& text, qint32& result)
{
    quint64 value = 0;
    if (text.size() > 2 && (text.startsWith("0x") || text.startsWith("0X"))) {
        if (!ParseDigits(text.mid(2), 16, 0xFFFFFFFFu, value))
            return false;
        result = qint32(quint32(value));
        return true;
    }
    qsizetype at = 0;
    const bool negative = text.startsWith('-');
    if (negative || text.startsWith('+'))
        ++at;
    if (at < text.size() && text[at] == '$') {
        if (!ParseDigits(text.mid(at + 1), 16, 0xFFFFFFFFu, value))
            return false;
        const quint32 bits = quint32(value);
        result = qint32(negative ? 0u - bits : bits);
        return true;
    }
    const quint64 limit = negative ? quint64(std::numeric_limits<qint32>::max()) + 1
                                   : quint64(std::numeric_limits<qint32>::max());
    if (!ParseDigits(text.mid(at), 10, limit, value))
        return false;
    result = negative ? qint32(-qint64(value)) : qint32(value);
    return true;
}

} // namespace

TIniFile32::TIniFile32(const QString& fileName) : m_fileName(fileName)
{
    QFile file;
    switch (TRegularFile::Open(file, fileName, QIODevice::ReadOnly, m_error)) {
    case TRegularFile::Missing:
        return;
    case TRegularFile::Refused:
        m_unreadable = true;
        return;
    case TRegularFile::Opened:
        break;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_unreadable = true;
        m_error = file.errorString();
        return;
    }
    m_lines = SplitLines(bytes, true);
}

QList<QByteArray> TIniFile32::SplitLines(const QByteArray& bytes, bool stopAtNul)
{
    QList<QByteArray> lines;
    qsizetype end = bytes.size();
    if (stopAtNul) {
        const qsizetype nul = bytes.indexOf('\0');
        if (nul >= 0)
            end = nul;
    }
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < end) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.append(bytes.mid(start, i - start));
            ++i;
            if (c == '\r' && i < end && bytes[i] == '\n')
                ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < end)
        lines.append(bytes.mid(start, end - start));
    return lines;
}

int TIniFile32::FindSection(const QByteArray& section) const
{
    const QByteArray header = '[' + section + ']';
    for (int i = 0; i < m_lines.size(); ++i) {
        if (EqualsIgnoringAsciiCase(m_lines[i], header))
            return i;
    }
    return -1;
}

QByteArray TIniFile32::ReadString(const QByteArray& section, const QByteArray& key,
                                  const QByteArray& defaultValue) const
{
    const int at = FindSection(section);
    if (at < 0)
        return defaultValue;
    for (int i = at + 1; i < m_lines.size() && !IsHeader(m_lines[i]); ++i) {
        if (KeyOf(m_lines[i]) == key) {
            const QByteArray value = ValueOf(m_lines[i], key);
            return value.isEmpty() ? defaultValue : value;
        }
    }
    return defaultValue;
}

qint32 TIniFile32::ReadInteger(const QByteArray& section, const QByteArray& key, qint32 defaultValue) const
{
    qint32 value = 0;
    return ParseInteger(ReadString(section, key, QByteArray()), value) ? value : defaultValue;
}

bool TIniFile32::ReadBool(const QByteArray& section, const QByteArray& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile32::WriteString(const QByteArray& section, const QByteArray& key, const QByteArray& value)
{
    const int at = FindSection(section);
    if (at < 0) {
        m_lines.append(QByteArray());
        m_lines.append('[' + section + ']');
        if (!key.isEmpty())
            m_lines.append(key + '=' + value);
        return m_deferred || Save();
    }
    int i = at + 1;
    while (i < m_lines.size() && !IsHeader(m_lines[i]) && KeyOf(m_lines[i]) != key)
        ++i;
    if (!key.isEmpty()) {
        if (i < m_lines.size() && !IsHeader(m_lines[i]))
            m_lines[i] = key + '=' + value;
        else
            m_lines.insert(i, key + '=' + value);
    }
    return m_deferred || Save();
}

bool TIniFile32::WriteInteger(const QByteArray& section, const QByteArray& key, qint32 value)
{
    return WriteString(section, key, QByteArray::number(value));
}

bool TIniFile32::WriteBool(const QByteArray& section, const QByteArray& key, bool value)
{
    return WriteString(section, key, value ? QByteArrayLiteral("1") : QByteArrayLiteral("0"));
}

bool TIniFile32::Save()
{
    if (m_unreadable)
        return false; // writing now would drop the lines we could not read
    // Looked at again: it may have become a pipe or another user's link since it was read.
    QFile probe;
    if (TRegularFile::Open(probe, m_fileName, QIODevice::ReadOnly, m_error) == TRegularFile::Refused)
        return false;
    probe.close();
    const QFileInfo existing(m_fileName);
    constexpr QFile::Permissions kWriteBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (existing.exists() && (!existing.isWritable() || !(existing.permissions() & kWriteBits))) {
        // A rename would replace a read-only file; respect the user's protection instead, also
        // where the system would let an administrator write it.
        m_error = TReasonText::Of(FileStatus::NotWritable);
        return false;
    }
    QByteArray bytes;
    for (const QByteArray& line : m_lines)
        bytes += line + "\r\n";
    // Written beside the file and renamed over it: a failure never leaves half a file.
    QSaveFile file(m_fileName);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        // The system's reason where there is one (a full disk, a folder without write access).
        m_error = errno ? TReasonText::OfSystemError(errno) : file.errorString();
        return false;
    }
    m_error.clear();
    return true;
}
