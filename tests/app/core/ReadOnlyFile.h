#pragma once

#include <QString>

// Makes a file refuse every write while it lives, even for root, where permission bits mean
// nothing: the write bits go, and as root the immutable attribute is set as well. Restores
// both when it goes, so temporary folders can still be removed.
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QString& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // False when this machine cannot protect the file (the test should be skipped).
    [[nodiscard]] bool IsProtected() const { return m_protected; }

private:
    QString m_path;
    bool m_protected = false;
    bool m_immutable = false;
};
