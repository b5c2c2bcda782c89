#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The rules that turn a registered "open" command into the command line that shows one web
// address. Pure text work, so both platforms' rules are tested everywhere.
class TBrowserCommand
{
public:
    // Windows: the open command registered for ".htm". Cut just before "\"%1\"", or else before
    // "%1"; then append a blank and the address. Text after the placeholder is dropped.
    [[nodiscard]] static QString FromOpenCommand(const QString& command, const QString& address);

    // Linux: the Exec line of a desktop entry. Cut just before the first of "%1", %u, %U, %f and
    // %F (with its quotes when it is quoted); then append a blank and the address.
    [[nodiscard]] static QString FromDesktopExec(const QString& exec, const QString& address);

    // The Exec value of the [Desktop Entry] group of a desktop entry file; empty when absent.
    // Exec lines of other groups (desktop actions) are not the program's main command.
    [[nodiscard]] static QString DesktopEntryExec(const QByteArray& content);

    // Where a desktop file id may live below the given data folders, in lookup order: each
    // folder's applications/<id>, then, for an id with dashes, the sub-folder forms
    // ("kde4-web.desktop" is also applications/kde4/web.desktop).
    [[nodiscard]] static QStringList DesktopEntryCandidates(const QString& id, const QStringList& dataDirs);

private:
    static QString CutAndAppend(const QString& command, qsizetype cut, const QString& address);
};
