#include "Shell.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QStandardPaths>

bool TShell::OpenUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

std::optional<QString> TShell::BrowseForFolder(QWidget* parent, const QString& prompt)
{
    // Starts on the desktop with nothing chosen, file-system folders only.
    const QString start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString folder = QFileDialog::getExistingDirectory(parent, prompt, start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}
