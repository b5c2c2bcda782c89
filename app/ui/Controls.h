#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

// The window frame while the system's frame stands in for the skinned one.
class TControls
{
public:
    // The form tables place controls as if the skinned frame were there: its 3-pixel border and
    // 29-pixel caption lie inside the form. While the system frame stands in, these margins are
    // outside the client, so a form's client is its size less these and controls move up-left.
    [[nodiscard]] static QMargins FrameMargins() { return {3, 29, 3, 3}; }
    [[nodiscard]] static QRect InClient(const QRect& formPlace);
    // Applies the window frame: sizeable main window or fixed dialog-style box.
    static void Frame(QWidget* form, bool sizeable);
};
