#pragma once

#include "app/ui/Prompts.h"
#include "app/platform/Shell.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <functional>

class QDialog;

// Answers the program's modal questions from a script and records what was asked, so no
// real dialog ever opens in a test. An unscripted question counts as cancelled.
class TScriptedPrompts : public TPrompts
{
public:
    std::optional<QStringList> OpenFiles(QWidget* parent, const QString& filter) override;
    bool Confirm(QWidget* parent, const QString& text, const QString& title) override;
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowModal(QDialog& dialog) override;

    std::deque<std::function<std::optional<QStringList>()>> nextFiles; // may throw
    std::deque<bool> nextAnswers;
    std::deque<std::function<void(QDialog&)>> nextModal; // plays the user inside the dialog
    QStringList questions; // "title|text"
    QStringList errors;
    QStringList modals;    // class names of the dialogs shown
};

// A desktop that records what it is asked to open or start.
class TRecordingShell : public TShell
{
public:
    bool OpenUrl(const QUrl& url) override;
    std::optional<QString> BrowseForFolder(QWidget* parent, const QString& prompt) override;
    std::optional<QString> WebBrowserCommandLine(const QString& address) override;
    bool StartCommand(const QString& commandLine) override;

    std::deque<std::optional<QString>> nextFolders;
    std::optional<QString> browserCommand; // the prefix the "registered browser" gets
    bool startSucceeds = true;
    QList<QUrl> opened;
    QStringList prompts;
    QStringList started;
};
