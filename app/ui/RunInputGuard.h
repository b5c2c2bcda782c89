#pragma once

#include <QObject>
#include <functional>

class QWidget;

// While a run works the main window takes no commands, as when the run held its thread: clicks,
// keys, shortcuts and drops aimed at its client area are dropped, never kept for later, and Esc
// asks the run to stop. The skinned frame stays live, so the window can still be moved,
// minimised or closed (which stops the run too). Lives as long as the run.
class TRunInputGuard final : public QObject
{
public:
    TRunInputGuard(QWidget* form, QWidget* client, std::function<void()> onEscape);
    ~TRunInputGuard() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] bool InForm(QObject* watched) const;
    [[nodiscard]] bool InClient(QObject* watched) const;

    QWidget* m_form;
    QWidget* m_client;
    std::function<void()> m_onEscape;
};
