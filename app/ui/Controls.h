#pragma once

#include <QColor>
#include <QMargins>
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

    // The form tables place controls as if the skinned frame were there: its 3-pixel border and
    // 29-pixel caption lie inside the form. While the system frame stands in, these margins are
    // outside the client, so a form's client is its size less these and controls move up-left.
    [[nodiscard]] static QMargins FrameMargins() { return {3, 29, 3, 3}; }
    [[nodiscard]] static QRect InClient(const QRect& formPlace);
    // Applies the window frame: sizeable main window or fixed dialog-style box.
    static void Frame(QWidget* form, bool sizeable);
};
