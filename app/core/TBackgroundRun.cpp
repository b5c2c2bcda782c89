#include "TBackgroundRun.h"

#include "engine/PageBatch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <exception>
#include <memory>

namespace {

// Finished pages the worker may be ahead of the window: a batch's results come together after
// its flush, and a stop is looked at only between pages, so waiting for each row gains nothing.
constexpr int kPagesAhead = int(filestore::PageBatch::DefaultPages);

} // namespace

TBackgroundRun::TBackgroundRun(TCompressRunObserver& target, QObject* parent) : QObject(parent), m_target(target)
{
}

TBackgroundRun::~TBackgroundRun() = default;

template <typename Call> void TBackgroundRun::Post(Call&& call)
{
    // Calls posted to one receiver from one thread arrive in the order they were posted.
    QMetaObject::invokeMethod(this, std::forward<Call>(call), Qt::QueuedConnection);
}

TRunTotals TBackgroundRun::Execute(TCompressRun& run)
{
    m_stop = false;
    m_delivered = false;
    m_running = true;
    m_room = std::make_unique<QSemaphore>(kPagesAhead);
    run.SetStopRequest([this] { return m_stop.load(); });

    TRunTotals totals;
    std::exception_ptr error;
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            totals = run.Execute();
        } catch (...) {
            error = std::current_exception();
        }
        Post([this] {
            m_delivered = true;
            if (m_loop)
                m_loop->quit();
        });
    }));
    QEventLoop loop;
    m_loop = &loop;
    worker->start();
    loop.exec();
    m_loop = nullptr;
    if (!m_delivered) {
        // The event loop was told to quit before the run ended: nothing waits for the target now.
        m_stop = true;
        m_room->release(1 << 20);
        worker->wait();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
    worker->wait();
    m_running = false;
    if (error)
        std::rethrow_exception(error);
    return totals;
}

void TBackgroundRun::PanelShown()
{
    Post([this] { m_target.PanelShown(); });
}

void TBackgroundRun::PanelHidden()
{
    Post([this] { m_target.PanelHidden(); });
}

void TBackgroundRun::RowStatus(int row, const QString& text)
{
    Post([this, row, text] { m_target.RowStatus(row, text); });
}

void TBackgroundRun::RowCompressedSize(int row, const QString& text)
{
    Post([this, row, text] { m_target.RowCompressedSize(row, text); });
}

void TBackgroundRun::Gauge(int value)
{
    Post([this, value] { m_target.Gauge(value); });
}

void TBackgroundRun::ResultLabels(const QString& fileSize, const QString& compressedSize, const QString& percent)
{
    Post([this, fileSize, compressedSize, percent] { m_target.ResultLabels(fileSize, compressedSize, percent); });
}

void TBackgroundRun::LogUnavailable(const QString& path, const QString& reason)
{
    Post([this, path, reason] { m_target.LogUnavailable(path, reason); });
}

void TBackgroundRun::RecoveryNotice(const QByteArray& copy, const QByteArray& page, const QString& text)
{
    Post([this, copy, page, text] { m_target.RecoveryNotice(copy, page, text); });
}

void TBackgroundRun::FileFinished(int row, const TFileOutcome& outcome)
{
    m_room->acquire();
    Post([this, row, outcome] {
        m_target.FileFinished(row, outcome);
        m_room->release();
    });
}
