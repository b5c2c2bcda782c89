#include "BrowserCommand.h"

#include <QDir>

QString TBrowserCommand::CutAndAppend(const QString& command, qsizetype cut, const QString& address)
{
    return (cut >= 0 ? command.left(cut) : command) + QLatin1Char(' ') + address;
}

QString TBrowserCommand::FromOpenCommand(const QString& command, const QString& address)
{
    qsizetype cut = command.indexOf(QStringLiteral("\"%1\""));
    if (cut < 0)
        cut = command.indexOf(QStringLiteral("%1"));
    return CutAndAppend(command, cut, address);
}

QString TBrowserCommand::FromDesktopExec(const QString& exec, const QString& address)
{
    qsizetype cut = -1;
    for (const char* code : {"%1", "%u", "%U", "%f", "%F"}) {
        const qsizetype at = exec.indexOf(QLatin1String(code));
        if (at >= 0 && (cut < 0 || at < cut))
            cut = at;
    }
    // A quoted placeholder goes with its quotes, as on Windows: a lone quote left behind would
    // swallow the address into one unterminated argument.
    if (cut > 0 && exec.at(cut - 1) == QLatin1Char('"') && exec.mid(cut + 2, 1) == QLatin1String("\""))
        --cut;
    return CutAndAppend(exec, cut, address);
}

QString TBrowserCommand::DesktopEntryExec(const QByteArray& content)
{
    bool inEntry = false;
    for (const QByteArray& raw : content.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || line.startsWith('#'))
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq > 0 && line.left(eq).trimmed() == "Exec")
            return QString::fromUtf8(line.mid(eq + 1).trimmed());
    }
    return {};
}

QStringList TBrowserCommand::DesktopEntryCandidates(const QString& id, const QStringList& dataDirs)
{
    QStringList names{id};
    // Each dash may stand for a folder level; try the forms from the left.
    QString nested = id;
    for (qsizetype dash = nested.indexOf(QLatin1Char('-')); dash > 0; dash = nested.indexOf(QLatin1Char('-'), dash + 1)) {
        nested[dash] = QLatin1Char('/');
        names << nested;
    }
    QStringList paths;
    for (const QString& dir : dataDirs)
        for (const QString& name : names)
            paths << QDir(dir).filePath(QStringLiteral("applications/") + name);
    return paths;
}
