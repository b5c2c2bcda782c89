#pragma once

#include <QWidget>

// A container with a thin rounded border and a coloured caption set into its top edge. Children
// are placed in its coordinates.
class TXP_GroupBox : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(QColor CaptionColor READ CaptionColor WRITE setCaptionColor)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)

public:
    explicit TXP_GroupBox(QWidget* parent = nullptr);

    [[nodiscard]] QColor BorderColor() const { return m_borderColor; }
    void setBorderColor(const QColor& color);
    [[nodiscard]] QColor CaptionColor() const { return m_captionColor; }
    void setCaptionColor(const QColor& color);
    [[nodiscard]] QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    [[nodiscard]] QColor Color() const { return m_color; }
    void setColor(const QColor& color);

    // The stretch of the top edge that the caption cuts out of the border line.
    [[nodiscard]] QRect CaptionRect() const;

signals:
    void clicked();       // OnClick
    void doubleClicked(); // OnDblClick

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QColor m_borderColor{208, 208, 191};
    QColor m_captionColor{2, 70, 207};
    QString m_caption;
    QColor m_color{248, 246, 230};
};
