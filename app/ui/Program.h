#pragma once

#include <QString>

#include <memory>

class MainWindow;
class TPrompts;
class TShell;

// Start-up in one place for the program and its tests: the program's language and settings
// rules (PrepareApplication), the main window (reading its settings), then the about box, the
// preferences dialog and the log viewer, created hidden in this order.
[[nodiscard]] std::unique_ptr<MainWindow> CreateForms(TShell& shell, TPrompts& prompts,
                                                      const QString& dataDir);

// Once per process: Qt's own dialogs and buttons speak Chinese, reasons are given in Chinese,
// and Qt's own user settings (the file dialogs' history) are kept nowhere, so option.ini stays
// the program's only configuration file.
void PrepareApplication();

// The application title: "Tessan XP" until the main window first shows, then the product title.
// Error boxes carry it. Kept apart from Qt's application display name, which desktops would
// append to every window title.
[[nodiscard]] QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

// The whole program: the main window, the files and folders given as arguments added to its
// list, the message loop until it closes.
int RunProgram(int argc, char** argv);
