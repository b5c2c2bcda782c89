#include "TestDoubles.h"

#include <QDialog>

std::optional<QStringList> TScriptedPrompts::OpenFiles(QWidget*, const QString&)
{
    if (nextFiles.empty())
        return std::nullopt;
    const auto answer = nextFiles.front();
    nextFiles.pop_front();
    return answer();
}

bool TScriptedPrompts::Confirm(QWidget*, const QString& text, const QString& title)
{
    questions << title + QLatin1Char('|') + text;
    if (nextAnswers.empty())
        return false;
    const bool answer = nextAnswers.front();
    nextAnswers.pop_front();
    return answer;
}

void TScriptedPrompts::ShowError(QWidget*, const QString& text)
{
    errors << text;
}

void TScriptedPrompts::ShowModal(QDialog& dialog)
{
    modals << QString::fromLatin1(dialog.metaObject()->className());
    if (nextModal.empty())
        return;
    const auto play = nextModal.front();
    nextModal.pop_front();
    play(dialog);
}

bool TRecordingShell::OpenUrl(const QUrl& url)
{
    opened << url;
    return true;
}

std::optional<QString> TRecordingShell::BrowseForFolder(QWidget*, const QString& prompt)
{
    prompts << prompt;
    if (nextFolders.empty())
        return std::nullopt;
    const std::optional<QString> folder = nextFolders.front();
    nextFolders.pop_front();
    return folder;
}

std::optional<QString> TRecordingShell::WebBrowserCommandLine(const QString& address)
{
    if (!browserCommand)
        return std::nullopt;
    return *browserCommand + QLatin1Char(' ') + address;
}

bool TRecordingShell::StartCommand(const QString& commandLine)
{
    started << commandLine;
    return startSucceeds;
}
