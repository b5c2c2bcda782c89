#include "Controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

namespace {

const QColor kBalloonFace(0xFF, 0xFF, 0xD7);
const QColor kGroupFace(0xF8, 0xF6, 0xE6);

} // namespace

QAbstractButton* TControls::Button(QWidget* parent, const QString& caption, const QRect& place)
{
    auto* button = new QPushButton(caption, parent);
    // Enter and Esc are the dialogs' business (see TDialogBase), not QPushButton's auto-default.
    button->setAutoDefault(false);
    button->setGeometry(place);
    return button;
}

QAbstractButton* TControls::CheckBox(QWidget* parent, const QString& caption, const QRect& place)
{
    auto* box = new QCheckBox(caption, parent);
    box->setGeometry(place);
    return box;
}

QWidget* TControls::GroupBox(QWidget* parent, const QString& caption, const QRect& place, const QColor& border,
                             const QColor& captionColor)
{
    auto* group = new QGroupBox(caption, parent);
    group->setGeometry(place);
    group->setStyleSheet(QStringLiteral("QGroupBox { background: %3; border: 1px solid %1; border-radius: 4px;"
                                        " margin-top: 6px; }"
                                        "QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 3px;"
                                        " color: %2; background: %3; }")
                             .arg(border.name(), captionColor.name(), kGroupFace.name()));
    return group;
}

void TControls::BalloonBackground(QWidget* dialog)
{
    QPalette palette = dialog->palette();
    palette.setColor(QPalette::Window, kBalloonFace);
    dialog->setPalette(palette);
    dialog->setAutoFillBackground(true);
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
