#pragma once

#include <QString>

// Takes a file's write bits away while it lives and gives them back when it goes. A file
// without write bits is read-only to this program whoever runs it, root included.
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QString& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

private:
    QString m_path;
};
