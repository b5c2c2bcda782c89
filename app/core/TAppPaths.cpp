#include "TAppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString TAppPaths::ChooseDirectory(const QString& programDir, const QString& fallbackDir)
{
    const QFileInfo program(programDir);
    if (program.isDir() && program.isWritable())
        return programDir;
    QDir().mkpath(fallbackDir);
    return fallbackDir;
}

QString TAppPaths::Directory()
{
    // Decided once per process, so settings and log never move halfway through a session.
    // The fallback is spelled out rather than taken from AppConfigLocation so that it does not
    // depend on the application name each program sets: window and command line must agree.
    static const QString directory =
        ChooseDirectory(QCoreApplication::applicationDirPath(),
                        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                            QStringLiteral("/Mirel/Corvane XP"));
    return directory;
}

QString TAppPaths::OptionFile()
{
    return QDir(Directory()).filePath(QStringLiteral("option.ini"));
}

QString TAppPaths::LogFile()
{
    return QDir(Directory()).filePath(QStringLiteral("log.txt"));
}
