#pragma once

#include <QByteArray>
#include <QtGlobal>

// One thing a source tree holds, as an output tree mirrors it.
struct TTreeItem
{
    enum Kind : quint8
    {
        Folder,  // made in the output
        Page,    // compressed into the output
        File,    // copied byte for byte
        Link,    // made again as a link with the same target
        Special, // pipe, socket or device: skipped with a warning
    };

    Kind kind = File;
    QByteArray source;   // full path, the system's bytes; empty for an output folder of no source
    QByteArray relative; // below the output folder, '/' between names; empty for the folder itself
    quint64 size = 0;
    quint32 mode = 0; // permission bits of the source; 0 where there is no source
    qint64 mtimeSec = 0;
    qint64 mtimeNsec = 0;
    quint64 device = 0;
    quint64 inode = 0;
};
