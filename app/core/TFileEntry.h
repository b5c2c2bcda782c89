#pragma once

#include "engine/HTMLCompressor.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// One file of the list. Names are kept as the system's bytes, so a page whose name is not valid
// in the local encoding is still found, opened and logged; the window shows such names with
// replacement characters. Sizes are 64-bit so that large sites never wrap.
struct TFileEntry
{
    enum State : int
    {
        New = 0,
        Compressing = 1,
        Done = 2,
    };

    QByteArray name;              // file name with extension, no folder part
    QByteArray directory;         // native separators, no trailing separator except for a root ("/", "C:\")
    quint64 uncompressedSize = 0; // measured when the entry was added, never updated
    quint64 compressedSize = 0;   // measured after a successful compression, 0 until then
    int state = New;
    bool failed = false; // the last attempt failed; state is New again so the next run retries
    FileStatus failure = FileStatus::Ok; // why, while failed

    // directory + separator + name, without doubling the separator of a root folder.
    [[nodiscard]] QByteArray FullPath() const;

    // For the screen: decoded, undecodable bytes shown as replacement characters.
    [[nodiscard]] QString DisplayName() const { return QString::fromLocal8Bit(name); }
    [[nodiscard]] QString DisplayDirectory() const { return QString::fromLocal8Bit(directory); }
    [[nodiscard]] QString DisplayPath() const { return QString::fromLocal8Bit(FullPath()); }

    // "默认值", "压缩...", "已完成" or "失败": the text of the status column.
    [[nodiscard]] QString StatusText() const;
};
