#include "TFileEntry.h"

#include <QDir>

QString TFileEntry::FullPath() const
{
    const QChar separator = QDir::separator();
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
