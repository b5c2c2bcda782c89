#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A small INI file kept as its raw lines: bytes in, bytes out, no conversion of any kind.
// Section names match without regard to ASCII letter case and without trimming; keys match
// exactly; values are trimmed. Every write saves the whole file (CR LF line ends) before it
// returns, unless saves are deferred: then UpdateFile saves all the writes at once. The file is replaced atomically, so a failed save leaves the old file whole; a file
// that exists but could not be read is never overwritten, so its other lines are never lost.
class TIniFile32
{
public:
    // Keeps the name and loads the file when it exists.
    explicit TIniFile32(const QString& fileName);

    [[nodiscard]] QByteArray ReadString(const QByteArray& section, const QByteArray& key,
                                        const QByteArray& defaultValue) const;
    // Decimal with optional sign, "$" or "0x" hexadecimal; anything else gives the default.
    [[nodiscard]] qint32 ReadInteger(const QByteArray& section, const QByteArray& key,
                                     qint32 defaultValue) const;
    // ReadInteger(..., default ? 1 : 0) != 0.
    [[nodiscard]] bool ReadBool(const QByteArray& section, const QByteArray& key, bool defaultValue) const;

    // Each returns whether the file was saved; the lines in memory change either way.
    bool WriteString(const QByteArray& section, const QByteArray& key, const QByteArray& value);
    bool WriteInteger(const QByteArray& section, const QByteArray& key, qint32 value);
    bool WriteBool(const QByteArray& section, const QByteArray& key, bool value);

    // From now on writes change only the lines in memory; UpdateFile saves them.
    void DeferSaves() { m_deferred = true; }
    // Saves the lines now; returns whether the file was saved.
    bool UpdateFile() { return Save(); }

    [[nodiscard]] const QList<QByteArray>& Lines() const { return m_lines; }
    [[nodiscard]] const QString& FileName() const { return m_fileName; }
    // Why the last save failed, or why the file could not be read; empty when all went well.
    [[nodiscard]] const QString& ErrorString() const { return m_error; }

    // Splits bytes into lines at CR, LF or CR LF; a final line end adds no empty line. With
    // stopAtNul, everything from the first NUL byte on is ignored.
    [[nodiscard]] static QList<QByteArray> SplitLines(const QByteArray& bytes, bool stopAtNul);

private:
    [[nodiscard]] int FindSection(const QByteArray& section) const;
    bool Save();

    QString m_fileName;
    QList<QByteArray> m_lines;
    QString m_error;
    bool m_unreadable = false; // exists but could not be read: never save over it
    bool m_deferred = false;
};
