#pragma once

#include <QPointer>
#include <QRect>

class QScreen;
class QWidget;
class QWindow;

// The window a frame is drawn on, as the frame sees and changes it: maximised (by the desktop, or
// by the frame itself where nothing on the desktop maximises), minimised with the whole
// application, kept on top, and its native window followed as it comes and goes.
class TXP_FormWindow
{
public:
    // The frame filters the owner's events and those of its native window.
    TXP_FormWindow(QWidget* frame, QWidget* owner);
    ~TXP_FormWindow();
    TXP_FormWindow(const TXP_FormWindow&) = delete;
    TXP_FormWindow& operator=(const TXP_FormWindow&) = delete;

    // The owner's native window, null until it has one.
    [[nodiscard]] QWindow* Window() const;
    [[nodiscard]] bool TopMost() const { return m_topMost; }
    void setTopMost(bool on);

    // Starts the frame's filtering of the owner and of its native window.
    void Watch();
    // Moves the filter to the native window the owner has now, if that changed.
    void FollowWindow();
    // Puts the stay-on-top flag where it belongs and raises a top-most window.
    void ApplyTopMost();
    // A maximised owner stops above a taskbar at the bottom of the screen.
    void StopAboveTaskbar();

    [[nodiscard]] bool Maximized() const;
    [[nodiscard]] bool Minimized() const;
    void ToggleMaximized();
    // Every visible window and dialog of the application, not the owner alone.
    static void MinimizeApplication();

    // The height the desktop keeps free at the bottom of the screen, 0 when none.
    [[nodiscard]] static int TaskbarReserve(const QScreen* screen);

private:
    QWidget* m_frame;
    QWidget* m_owner;
    QPointer<QWindow> m_window;
    bool m_topMost = false;

    // A maximised look the frame produced itself, and the geometry to go back to.
    bool m_selfMaximized = false;
    QRect m_normalGeometry;
};
