#pragma once

#include <QDir>
#include <QImage>
#include <QString>

// Writes one picture; says on stderr when it cannot.
bool SavePicture(const QImage& image, const QString& path, const char* format, int quality = -1);

// The drawing tools' main: offscreen, one folder argument, draw() writes its pictures there and
// tells whether all were written.
int RunPictureTool(int argc, char** argv, const char* folderName, bool (*draw)(const QDir& folder));
