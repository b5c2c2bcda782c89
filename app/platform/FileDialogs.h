#pragma once

#include <QString>

#include <memory>

class QFileDialog;
class QWidget;

// The program's file dialogs, built here and run by their callers. They are Qt's own, not the
// desktop's, so they speak the program's language whatever the desktop's is.
class TFileDialogs
{
public:
    // Several existing files; the filter is "Name (patterns);;Name (patterns)", the first
    // preselected; resizable.
    [[nodiscard]] static std::unique_ptr<QFileDialog> OpenFiles(QWidget* parent, const QString& filter);

    // Folders only, starting on the desktop (the home folder where there is none), with no
    // folder chosen or typed in.
    [[nodiscard]] static std::unique_ptr<QFileDialog> Folder(QWidget* parent, const QString& prompt);
};
