#include "Prompts.h"

#include "AppError.h"
#include "app/platform/FileDialogs.h"
#include "Program.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

std::optional<QStringList> TPrompts::OpenFiles(QWidget* parent, const QString& filter)
{
    const std::unique_ptr<QFileDialog> dialog = TFileDialogs::OpenFiles(parent, filter);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles();
}

bool TPrompts::Confirm(QWidget* parent, const QString& text, const QString& title)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void TPrompts::ShowError(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, ApplicationTitle(), text);
}

void TPrompts::ShowModal(QDialog& dialog)
{
    dialog.exec();
}

void TPrompts::Guard(QWidget* parent, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const EAppError& error) {
        ShowError(parent, error.Message());
    } catch (const std::exception& error) {
        ShowError(parent, QString::fromLocal8Bit(error.what()));
    }
}
