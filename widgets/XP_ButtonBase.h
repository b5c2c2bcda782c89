#pragma once

#include <QAbstractButton>

class QKeyEvent;

// What the skinned push button and check box share: the caption, the tab stop, the focus flag,
// the accelerator (focus, then a click), Space clicking on every key-down, and the look that the
// mouse asks for, which anything else that repaints puts back to rest.
class TXP_ButtonBase : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)

public:
    [[nodiscard]] QString Caption() const { return text(); }
    void setCaption(const QString& caption);
    [[nodiscard]] bool TabStop() const { return focusPolicy() == Qt::StrongFocus; }
    void setTabStop(bool on);

    [[nodiscard]] static bool IsEnter(const QKeyEvent& key);
    // Shift, Ctrl or Alt held: such a key is no dialog key.
    [[nodiscard]] static bool ChordHeld(const QKeyEvent& key);

protected:
    explicit TXP_ButtonBase(QWidget* parent);

    // The skin frame the mouse asked for; 1 is the resting one.
    [[nodiscard]] int Look() const { return m_look; }
    void DrawLook(int look);

    bool event(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

    bool Focused = false;

private:
    int m_look = 1;
};
