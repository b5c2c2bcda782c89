#pragma once

#include <QByteArray>
#include <QString>

// Writes the bytes as the whole file, creating missing folders; false on any failure.
[[nodiscard]] bool WriteFile(const QString& path, const QByteArray& bytes);

// The whole file; empty when it cannot be read.
[[nodiscard]] QByteArray ReadFile(const QString& path);

// The same for a path given as the system's bytes (names the locale cannot decode).
[[nodiscard]] bool WriteFileBytes(const QByteArray& path, const QByteArray& bytes);
