#include "TAppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString TAppPaths::ChooseDirectory(const QString& programDir, const QString& fallbackDir)
{
    const QFileInfo program(programDir);
    // An installed program's folder is shared by every user, and writable to root: settings and
    // log there would be everyone's, or lost with the next upgrade.
    if (program.isDir() && program.isWritable() && !IsInstalled(programDir))
        return programDir;
    QDir().mkpath(fallbackDir);
    return fallbackDir;
}

bool TAppPaths::IsInstalled(const QString& programDir)
{
    return QFileInfo::exists(programDir + QStringLiteral("/../share/applications/corvane-xp.desktop"));
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
