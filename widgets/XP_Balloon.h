#pragma once

#include <QPoint>
#include <QPolygon>
#include <QRegion>
#include <QWidget>

// Gives a frameless dialog the shape of a speech balloon: a rounded body with a beak on one side.
// It fills its owner behind every other control, cuts the owner window to the balloon and lets
// the user move the window by dragging the balloon's surface.
class TXP_Balloon : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(QColor BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE setBorderWidth)
    Q_PROPERTY(TBalloonPos BeakPos READ BeakPos WRITE setBeakPos)
    Q_PROPERTY(int BeakHeight READ BeakHeight WRITE setBeakHeight)
    Q_PROPERTY(int BeakWidth READ BeakWidth WRITE setBeakWidth)
    Q_PROPERTY(int BeakRight READ BeakRight WRITE setBeakRight)
    Q_PROPERTY(int Corners READ Corners WRITE setCorners)
    Q_PROPERTY(bool CanMoved READ CanMoved WRITE setCanMoved)

public:
    enum TBalloonPos
    {
        bpLeft,
        bpTop,
        bpRight,
        bpBottom
    };
    Q_ENUM(TBalloonPos)

    // The owner loses its window frame and takes the balloon's shape.
    explicit TXP_Balloon(QWidget* owner);

    [[nodiscard]] QColor Color() const { return m_color; }
    void setColor(const QColor& color);
    [[nodiscard]] QColor BorderColor() const { return m_borderColor; }
    void setBorderColor(const QColor& color);
    [[nodiscard]] int BorderWidth() const { return m_borderWidth; }
    // Anything below 1 or above 10 becomes 1.
    void setBorderWidth(int width);
    [[nodiscard]] TBalloonPos BeakPos() const { return m_beakPos; }
    void setBeakPos(TBalloonPos pos);
    [[nodiscard]] int BeakHeight() const { return m_beakHeight; }
    void setBeakHeight(int height);
    [[nodiscard]] int BeakWidth() const { return m_beakWidth; }
    void setBeakWidth(int width);
    [[nodiscard]] int BeakRight() const { return m_beakRight; }
    void setBeakRight(int distance);
    [[nodiscard]] int Corners() const { return m_corners; }
    void setCorners(int size);
    [[nodiscard]] bool CanMoved() const { return m_canMoved; }
    void setCanMoved(bool on) { m_canMoved = on; }

    // The body's rounded rectangle (its right and bottom ends exclusive) and the beak's corners.
    [[nodiscard]] QRect Body() const;
    [[nodiscard]] QPolygon Beak() const;
    // Body and beak together, as far as they lie on the control: the owner window's region.
    [[nodiscard]] QRegion Shape() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ApplyShape();
    void ApplyBorder();

    QColor m_color{255, 255, 215};
    QColor m_borderColor{Qt::black};
    int m_borderWidth = 1;
    TBalloonPos m_beakPos = bpBottom;
    int m_beakHeight = 15;
    int m_beakWidth = 10;
    int m_beakRight = 40;
    int m_corners = 20;
    bool m_canMoved = true;
    QRegion m_shape;         // as last given to the owner
    QRegion m_border;        // the part of the shape the border line covers
    bool m_dragging = false; // moving the window ourselves, where the system offers no move
    QPoint m_grip;           // the press point relative to the window's position
};
