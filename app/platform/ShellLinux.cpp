#include "BrowserCommand.h"
#include "Shell.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

// The desktop file id of the default program for web pages, as xdg-mime names it.
QString DefaultHtmlHandler()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

std::optional<QString> TShell::WebBrowserCommandLine(const QString& address)
{
    const QString id = DefaultHtmlHandler();
    if (id.isEmpty())
        return std::nullopt;
    const QStringList dataDirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString& path : TBrowserCommand::DesktopEntryCandidates(id, dataDirs)) {
        QFile entry(path);
        if (!entry.open(QIODevice::ReadOnly))
            continue;
        const QString exec = TBrowserCommand::DesktopEntryExec(entry.readAll());
        if (exec.isEmpty())
            return std::nullopt;
        return TBrowserCommand::FromDesktopExec(exec, address);
    }
    return std::nullopt;
}

bool TShell::StartCommand(const QString& commandLine)
{
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty())
        return false;
    const QString program = words.takeFirst();
    return QProcess::startDetached(program, words);
}
