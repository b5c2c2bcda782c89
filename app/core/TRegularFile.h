#pragma once

#include <QFile>
#include <QString>

// Opens the program's own files (option.ini, log.txt) by the same rules as pages: a regular
// file only, never blocking on a pipe, a symbolic link only when its owner is the runner or
// owns the target too, and for writing only a file that has write bits, whoever runs.
class TRegularFile
{
public:
    enum Result
    {
        Opened,
        Missing, // nothing there (with Append, the file is created instead)
        Refused, // exists but may not be opened so; error says why
    };

    // mode: ReadOnly, or WriteOnly | Append (creating a missing file). The file is unbuffered
    // when mode asks for it.
    [[nodiscard]] static Result Open(QFile& file, const QString& path, QIODevice::OpenMode mode,
                                     QString& error);
};
