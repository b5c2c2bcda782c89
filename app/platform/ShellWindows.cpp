#include "BrowserCommand.h"
#include "Shell.h"

#include <QSettings>

#include <windows.h>

namespace {

// The default value of HKEY_CLASSES_ROOT\<subkey>; nothing when the key does not exist.
std::optional<QString> ClassesRootDefault(const QString& subkey)
{
    QSettings key(QStringLiteral("HKEY_CLASSES_ROOT\\") + subkey, QSettings::NativeFormat);
    if (key.childKeys().isEmpty() && key.childGroups().isEmpty() && !key.contains(QStringLiteral(".")))
        return std::nullopt;
    return key.value(QStringLiteral("."), QString()).toString();
}

} // namespace

std::optional<QString> TShell::WebBrowserCommandLine(const QString& address)
{
    const std::optional<QString> type = ClassesRootDefault(QStringLiteral(".htm"));
    if (!type || type->isEmpty())
        return std::nullopt;
    const std::optional<QString> command = ClassesRootDefault(*type + QStringLiteral("\\shell\\open\\command"));
    if (!command)
        return std::nullopt;
    return TBrowserCommand::FromOpenCommand(*command, address);
}

bool TShell::StartCommand(const QString& commandLine)
{
    // Like the shell's own command start: an unquoted program path with blanks is resolved by
    // CreateProcess itself, which splitting the line ourselves would break.
    std::wstring line = commandLine.toStdWString();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
