#pragma once

#include "TPrefaultedAllocator.h"

#include <QByteArray>
#include <QtGlobal>

#include <optional>
#include <sys/stat.h>
#include <vector>

// One thing a source tree holds, as an output tree mirrors it. Kept small: a large tree has many.
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
    // What lay at the same place in the output tree when the source was listed: a rerun over a
    // large tree is mostly this look, made on the walk's threads.
    enum class OutputLook : quint8
    {
        NotLooked,
        Differs, // a page or file: nothing, or not a regular file with the source's time and mode;
                 // a folder: it holds what a run left (temporary or recovery files)
        Matches, // a page or file: a regular file with the source's time and mode, of outputSize
                 // bytes; a folder: it holds nothing a run left
    };

    QByteArray source; // full path, the system's bytes; empty for an output folder of no source
    // Where the path below the output folder ('/' between names) begins in `source`, which ends
    // with it: one allocation for both, a large tree has many items.
    quint32 relativeAt = 0;
    quint64 size = 0;
    qint64 mtimeSec = 0;
    quint64 device = 0;
    quint64 inode = 0;
    quint64 outputSize = 0;
    quint32 mode = 0;      // permission bits of the source; 0 where there is no source
    qint32 mtimeNsec = 0;  // below a second
    Kind kind = File;
    OutputLook outputLook = OutputLook::NotLooked;

    // The path below the output folder; empty for the folder itself. A view into `source`.
    [[nodiscard]] QByteArrayView Relative() const noexcept
    {
        return QByteArrayView(source).sliced(qsizetype(relativeAt));
    }

    // Whether `there` (an lstat of the output's place) is a regular file with the source's time
    // and mode.
    [[nodiscard]] bool HasSourceStamp(const struct stat& there) const
    {
        return S_ISREG(there.st_mode) && (there.st_mode & 07777) == mode && there.st_mtim.tv_sec == mtimeSec &&
               there.st_mtim.tv_nsec == mtimeNsec;
    }
    // The size of the output `there` describes (null: nothing there) when it has the source's
    // stamp; none otherwise.
    [[nodiscard]] std::optional<quint64> StampedSize(const struct stat* there) const
    {
        return there && HasSourceStamp(*there) ? std::optional<quint64>(quint64(there->st_size)) : std::nullopt;
    }
    // Takes what `there` shows, or nothing (null).
    void LookAtOutput(const struct stat* there)
    {
        const std::optional<quint64> stamped = StampedSize(there);
        outputLook = stamped ? OutputLook::Matches : OutputLook::Differs;
        outputSize = stamped.value_or(0);
    }
};

using TTreeItems = std::vector<TTreeItem, TPrefaultedAllocator<TTreeItem>>;
