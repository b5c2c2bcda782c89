#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

// log.txt: a header line when the file is created, then one record per compressed file.
// Text in the local 8-bit encoding, every line ended by CR LF. Only a regular file is opened
// (never a pipe, never another user's link), and one without write bits is refused whoever
// runs. Every line is written whole or not at all, and names are escaped (TNameText).
class TLogFile
{
public:
    explicit TLogFile(const QString& path);
    ~TLogFile();
    TLogFile(const TLogFile&) = delete;
    TLogFile& operator=(const TLogFile&) = delete;

    // Creates the file with its header when missing, then keeps it open for appending.
    // On failure returns false and ErrorString() says why.
    [[nodiscard]] bool Open();
    // Appends one record line. False when it could not be written whole; then nothing of it
    // stays in the file and ErrorString() gives the system's reason.
    [[nodiscard]] bool WriteRecord(const QDateTime& when, const QByteArray& fullPath, quint64 sizeBefore,
                                   quint64 sizeAfter);
    void Close();

    [[nodiscard]] bool IsOpen() const { return m_file.isOpen(); }
    [[nodiscard]] const QString& ErrorString() const { return m_error; }
    [[nodiscard]] const QString& Path() const { return m_path; }

    // The viewer's text: every line of the file, empty when it is missing.
    [[nodiscard]] static QStringList ReadLines(const QString& path);
    // Deletes the file ("全部清除"); the next logged run starts with a new header.
    static bool Clear(const QString& path);

    [[nodiscard]] static QString HeaderLine();
    [[nodiscard]] static QByteArray RecordLine(const QDateTime& when, const QByteArray& fullPath,
                                               quint64 sizeBefore, quint64 sizeAfter);
    // "2024-3-9 14:03:22"; just "2024-3-9" at exactly midnight.
    [[nodiscard]] static QString DateTimeText(const QDateTime& when);

private:
    bool WriteLine(const QByteArray& line);

    QString m_path;
    QFile m_file;
    QString m_error;
};
