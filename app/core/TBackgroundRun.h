#pragma once

#include "TCompressRun.h"
#include "TCompressRunObserver.h"

#include <QObject>
#include <QSemaphore>
#include <atomic>
#include <memory>

class QEventLoop;

// Runs a compression run off the calling thread and hands each of its observer calls to the
// target on the calling thread, in the order the run made them, so a window keeps painting and
// answering while pages are compressed. The list and the engine belong to the run until it
// ends: the caller changes neither meanwhile (it reads rows through TFileList::Snapshot). The
// worker keeps within a batch of pages of what the target has been told, so a slow target is
// never buried under a backlog.
class TBackgroundRun final : public QObject, private TCompressRunObserver
{
    Q_OBJECT

public:
    explicit TBackgroundRun(TCompressRunObserver& target, QObject* parent = nullptr);
    ~TBackgroundRun() override;

    // The observer to create the run with.
    [[nodiscard]] TCompressRunObserver* Relay() { return this; }

    // Starts the run on a worker thread and runs the event loop until the run has ended and
    // every call has reached the target; an exception of the run is rethrown here. If the
    // event loop is told to quit meanwhile (the session ends), the run stops after the page in
    // hand and is waited for. Not re-entrant.
    TRunTotals Execute(TCompressRun& run);

    // From any thread: the run ends before its next page; the page in hand is finished.
    void RequestStop() { m_stop = true; }
    [[nodiscard]] bool IsRunning() const { return m_running; }

private:
    template <typename Call> void Post(Call&& call);

    // The relay: called on the worker thread, each call queued for the target.
    void PanelShown() override;
    void PanelHidden() override;
    void RowStatus(int row, const QString& text) override;
    void RowCompressedSize(int row, const QString& text) override;
    void Gauge(int value) override;
    void ResultLabels(const QString& fileSize, const QString& compressedSize, const QString& percent) override;
    void LogUnavailable(const QString& path, const QString& reason) override;
    void RecoveryNotice(const QByteArray& copy, const QByteArray& page, const QString& text) override;
    void FileFinished(int row, const TFileOutcome& outcome) override;

    TCompressRunObserver& m_target;
    std::atomic<bool> m_stop = false;
    bool m_running = false;
    std::unique_ptr<QSemaphore> m_room; // finished pages the worker may be ahead of the target
    bool m_delivered = false;           // the last call of the run has reached the target
    QEventLoop* m_loop = nullptr; // while Execute waits
};
