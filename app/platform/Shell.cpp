#include "Shell.h"

#include "FileDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>

bool TShell::OpenUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

std::optional<QString> TShell::BrowseForFolder(QWidget* parent, const QString& prompt)
{
    const std::unique_ptr<QFileDialog> dialog = TFileDialogs::Folder(parent, prompt);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles().constFirst();
}
