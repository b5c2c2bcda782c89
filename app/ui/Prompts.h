#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QDialog;
class QWidget;

// The modal questions the program asks. The windows hold one by reference, so tests hand in
// one that answers from a script instead of opening real dialogs.
class TPrompts
{
public:
    virtual ~TPrompts() = default;

    // The open dialog: several files, filter given as "Name (patterns);;Name (patterns)".
    // Nothing when cancelled.
    virtual std::optional<QStringList> OpenFiles(QWidget* parent, const QString& filter);

    // A question with "是(&Y)" (the default) and "否(&N)" (also Esc); true for yes.
    virtual bool Confirm(QWidget* parent, const QString& text, const QString& title);

    // The error box, titled with the application title.
    virtual void ShowError(QWidget* parent, const QString& text);

    // Shows a dialog modally and returns when it has closed.
    virtual void ShowModal(QDialog& dialog);

    // Runs a handler. An error escaping it is shown in the error box and the program goes on:
    // exceptions must not unwind through Qt's signal and event code.
    void Guard(QWidget* parent, const std::function<void()>& handler);
};
