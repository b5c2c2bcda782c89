#pragma once

#include <QAbstractButton>

// The skinned two-state check box: a 13 x 13 frame of the XPCHECKBOX skin with the caption to its
// right. The state changes on the press; clicked() (OnClick) follows on every release.
class TXP_CheckBox : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE setChecked)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(bool TabStop READ TabStop WRITE setTabStop)

public:
    // Frames of the XPCHECKBOX strip.
    enum TFrame
    {
        fUnchecked = 1,
        fChecked,
        fUncheckedDisabled,
        fCheckedDisabled,
        fUncheckedHot,
        fCheckedHot
    };

    explicit TXP_CheckBox(QWidget* parent = nullptr);

    [[nodiscard]] bool Checked() const { return isChecked(); }
    [[nodiscard]] QString Caption() const { return text(); }
    void setCaption(const QString& caption);
    [[nodiscard]] QColor Color() const { return m_color; }
    void setColor(const QColor& color);
    [[nodiscard]] bool TabStop() const { return focusPolicy() == Qt::StrongFocus; }
    void setTabStop(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The dotted rectangle around the caption while focused: measured on the caption with every
    // ampersand removed.
    [[nodiscard]] QRect FocusRect() const;
    void DrawFrame(TFrame requested);
    void Toggle();

    QColor m_color{248, 246, 230};
    bool Focused = false;
    // The frame the mouse asked for; anything else that repaints goes back to the resting one.
    TFrame m_look = fUnchecked;
};
