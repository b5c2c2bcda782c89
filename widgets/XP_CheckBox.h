#pragma once

#include "XP_ButtonBase.h"

// The skinned two-state check box: a 13 x 13 frame of the XPCHECKBOX skin with the caption to its
// right. The state changes on the press; clicked() (OnClick) follows on every release.
class TXP_CheckBox : public TXP_ButtonBase
{
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE setChecked)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)

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
    [[nodiscard]] QColor Color() const { return m_color; }
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The dotted rectangle around the caption while focused: measured on the caption with every
    // ampersand removed.
    [[nodiscard]] QRect FocusRect() const;

    QColor m_color{248, 246, 230};
};
