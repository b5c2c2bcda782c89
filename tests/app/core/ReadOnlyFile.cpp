#include "ReadOnlyFile.h"

#include <QFile>

ReadOnlyFile::ReadOnlyFile(const QString& path) : m_path(path)
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

ReadOnlyFile::~ReadOnlyFile()
{
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}
