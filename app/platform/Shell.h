#pragma once

#include <QString>
#include <QUrl>

#include <optional>

class QWidget;

// What the program asks of the desktop: open documents and addresses, browse for a folder, find
// and start the web browser. The window holds one by reference, so tests hand in a recording
// one; the platform-specific parts live in ShellLinux.cpp and ShellWindows.cpp.
class TShell
{
public:
    virtual ~TShell() = default;

    // Opens a file, web address or mail address with the program registered for it.
    virtual bool OpenUrl(const QUrl& url);

    // The folder browser, modal over the program; nothing when the user cancels.
    virtual std::optional<QString> BrowseForFolder(QWidget* parent, const QString& prompt);

    // The command line that shows address in the browser registered for web pages; nothing when
    // no browser is registered.
    virtual std::optional<QString> WebBrowserCommandLine(const QString& address);

    // Starts a command line without waiting for it; false when it could not be started.
    virtual bool StartCommand(const QString& commandLine);
};
