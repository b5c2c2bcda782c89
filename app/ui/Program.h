#pragma once

#include <QString>

#include <memory>

class TForm1;
class TPrompts;
class TShell;

// Start-up in one place for the program and its tests: the main window (its FormCreate runs),
// then the about box, the preferences dialog and the log viewer, created hidden in this order.
[[nodiscard]] std::unique_ptr<TForm1> CreateForms(TShell& shell, TPrompts& prompts, const QString& dataDir);

// The whole program: application title "Tessan XP" until the main window shows, the main
// window, the message loop until it closes.
int RunProgram(int argc, char** argv);
