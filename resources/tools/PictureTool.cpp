#include "PictureTool.h"

#include <QGuiApplication>
#include <cstdio>

bool SavePicture(const QImage& image, const QString& path, const char* format, int quality)
{
    if (image.save(path, format, quality))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

int RunPictureTool(int argc, char** argv, const char* folderName, bool (*draw)(const QDir& folder))
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <%s>\n", argv[0], folderName);
        return 2;
    }
    return draw(QDir(QString::fromLocal8Bit(argv[1]))) ? 0 : 1;
}
