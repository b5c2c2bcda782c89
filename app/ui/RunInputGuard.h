#pragma once

#include <QObject>
#include <functional>

class QWidget;
class TXP_Form;

// While a run works the main window takes no commands, as when the run held its thread: clicks,
// keys, shortcuts and drops aimed at its client area are dropped, never kept for later, and Esc
// asks the run to stop. The skinned frame stays live, so the window can still be moved,
// minimised or closed; pressing its close button asks the run to stop at once, as Esc does,
// while the window closes on the release as usual. Lives as long as the run.
class TRunInputGuard final : public QObject
{
public:
    TRunInputGuard(QWidget* form, TXP_Form* frame, QWidget* client, std::function<void()> onStop);
    ~TRunInputGuard() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] bool InForm(QObject* watched) const;
    [[nodiscard]] bool InClient(QObject* watched) const;

    QWidget* m_form;
    TXP_Form* m_frame;
    QWidget* m_client;
    std::function<void()> m_onStop;
};
