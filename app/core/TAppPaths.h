#pragma once

#include <QString>

// Where option.ini and log.txt live: the program's folder when it is writable and not an
// installed one (portable use), otherwise the user's configuration folder (<GenericConfigLocation>/Mirel/Corvane XP, which is
// AppConfigLocation for organisation "Mirel" and application "Corvane XP"), created on demand.
// The window and the command-line tool resolve the same way whatever application name they
// set, so installed side by side they share one log. Needs a QCoreApplication.
class TAppPaths
{
public:
    [[nodiscard]] static QString Directory();
    [[nodiscard]] static QString OptionFile();
    [[nodiscard]] static QString LogFile();

    // The rule itself, for a given program folder and fallback folder.
    [[nodiscard]] static QString ChooseDirectory(const QString& programDir, const QString& fallbackDir);
    // Whether the program folder is an installed bin/ (the desktop entry lies beside it).
    [[nodiscard]] static bool IsInstalled(const QString& programDir);
};
