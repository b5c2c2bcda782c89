#include "TFileEntry.h"

#include <QDir>

QByteArray TFileEntry::FullPath() const
{
    const char separator = QDir::separator().toLatin1();
    if (directory.endsWith(separator))
        return directory + name; // a root folder keeps its separator
    return directory + separator + name;
}

QString TFileEntry::StatusText() const
{
    switch (state) {
    case Compressing:
        return QStringLiteral("压缩...");
    case Done:
        return QStringLiteral("已完成");
    default:
        return failed ? QStringLiteral("失败") : QStringLiteral("默认值");
    }
}
