#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;
class TXPCanvas;
class TXPMenu;

// Restyles one standard control: an event filter that lets the control paint itself, then
// paints a flat frame, box, dot or face over it from the hover, focus, mouse and space-key state
// it follows. Its styler lets it go when switched off or when its sets no longer admit the control;
// with the styler gone it gives the control back at the next event.
class TControlSubClass : public QObject
{
    Q_OBJECT

public:
    TControlSubClass(QWidget* control, TXPMenu* styler);

    // The control's subclass from this styler, if it has one.
    [[nodiscard]] static TControlSubClass* Of(const QWidget* control, const TXPMenu* styler);
    [[nodiscard]] TXPMenu* Styler() const { return m_styler; }
    // Restores the control's own border and stops restyling it.
    void Remove();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Paint();
    void PaintComboFrame(TXPCanvas& canvas);
    void PaintEditFrame(TXPCanvas& canvas);
    void PaintCheckBoxBox(TXPCanvas& canvas);
    void PaintRadioDot(TXPCanvas& canvas);
    void PaintPushButton(TXPCanvas& canvas);
    void Changed();
    [[nodiscard]] int Thumb() const;
    // The box or dot beside the caption, centred on the control's height less the insets.
    [[nodiscard]] QRect IndicatorRect(int inset, int height, int width) const;
    [[nodiscard]] bool Rtl() const;

    QWidget* m_control;
    bool m_borderRemoved = false;
    bool m_hot = false;
    bool m_mouseDown = false;
    bool m_spaceDown = false;
    QPointer<TXPMenu> m_styler;
    // The edit's own border when hooked: a line edit's frame, or a text box's frame style.
    bool m_savedFrame = false;
    int m_savedFrameStyle = 0;
    int m_savedLineWidth = 0;
    bool m_removed = false;
};
