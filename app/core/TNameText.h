#pragma once

#include <QByteArray>

// Names from the file system are data: before one reaches a log line or a terminal, control
// characters (which could end a line, forge a record or steer a terminal), bidirectional
// controls (which could show a name reversed), bytes the local encoding cannot decode and the
// backslash that introduces an escape are written as \xHH.
class TNameText
{
public:
    // The name's bytes, safe to write in the local encoding.
    [[nodiscard]] static QByteArray Escaped(const QByteArray& name);
};
