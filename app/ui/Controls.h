#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QAbstractButton;
class QWidget;

// Where the forms get their framed and skinned parts. The skinned frame, buttons, check box,
// group box and balloon replace what this hands out; the forms' logic sees only the Qt base
// types (QAbstractButton: clicked, checked, text), so it stays as it is when they do.
class TControls
{
public:
    // A push button at a form position.
    [[nodiscard]] static QAbstractButton* Button(QWidget* parent, const QString& caption, const QRect& place);
    // A check box at a form position.
    [[nodiscard]] static QAbstractButton* CheckBox(QWidget* parent, const QString& caption, const QRect& place);
    // A captioned group frame on its own face colour; children are placed in its coordinates.
    [[nodiscard]] static QWidget* GroupBox(QWidget* parent, const QString& caption, const QRect& place,
                                           const QColor& border = QColor(0xD0, 0xD0, 0xBF),
                                           const QColor& captionColor = QColor(0x02, 0x46, 0xCF));
    // The background of a balloon dialog (preferences, log viewer): the dialog's whole face.
    static void BalloonBackground(QWidget* dialog);

    // Applies the system's window frame to a dialog-style box.
    static void Frame(QWidget* form, bool sizeable);
};
