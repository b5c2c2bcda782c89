#pragma once

#include <QString>
#include <QtGlobal>

// One file of the list. Sizes are 64-bit so that large sites never wrap.
struct TFileEntry
{
    enum State : int
    {
        New = 0,
        Compressing = 1,
        Done = 2,
    };

    QString name;                 // file name with extension, no folder part
    QString directory;            // native separators, no trailing separator except for a root ("/", "C:\")
    quint64 uncompressedSize = 0; // measured when the entry was added, never updated
    quint64 compressedSize = 0;   // measured after a successful compression, 0 until then
    int state = New;
    bool failed = false; // the last attempt failed; state is New again so the next run retries

    // directory + separator + name, without doubling the separator of a root folder.
    [[nodiscard]] QString FullPath() const;

    // "默认值", "压缩...", "已完成" or "失败": the text of the status column.
    [[nodiscard]] QString StatusText() const;
};
