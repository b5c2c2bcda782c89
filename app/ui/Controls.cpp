#include "Controls.h"

#include <QWidget>

QRect TControls::InClient(const QRect& formPlace)
{
    return formPlace.translated(-FrameMargins().left(), -FrameMargins().top());
}

void TControls::Frame(QWidget* form, bool sizeable)
{
    Qt::WindowFlags flags = Qt::Window;
    if (sizeable)
        flags |= Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;
    else
        flags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                Qt::WindowCloseButtonHint;
    form->setWindowFlags(flags);
}
