#pragma once

#include "TCompressRunObserver.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <set>
#include <utility>

class THTMLCompressor;
class TFileList;
namespace filestore {
class PageBatch;
}

// Figures of one run, 64-bit.
struct TRunTotals
{
    int compressed = 0;          // files finished as "已完成" (including nothing to save)
    int failed = 0;              // files finished as "失败"
    quint64 uncompressed = 0;    // stored uncompressed sizes of the finished files
    quint64 compressedBytes = 0; // their sizes afterwards
    bool logFailed = false;      // logging was asked for but the log could not be opened or written
    bool stopped = false;        // a stop request ended the run before every file had its turn
    int recoveryNotices = 0;     // leftovers of interrupted runs the user was told of
    // Runs into an output folder: outputs left as they were, removed, and sources skipped.
    int upToDate = 0;
    int removed = 0;
    int skipped = 0;
};

// The Compress command: every entry still new is loaded, compressed and saved in place by the
// engine, in list order; entries already done are skipped. Before the first page, what runs that
// died left in the folders of the run is cleared up, so that no page is put back under a name
// while it waits in a batch under another. Pages are saved in batches that wait
// for the disk together; each file is reported once its page is in place. Failed files never
// read "已完成", are not counted and return to state New; the gauge still moves past them.
// Blocks until done.
class TCompressRun
{
public:
    TCompressRun(TFileList& list, THTMLCompressor& HC, TCompressRunObserver* observer = nullptr);

    // Append one record per finished file to this log (created with its header when missing).
    // Off by default.
    void SetLogFile(const QString& path) { m_logPath = path; }

    // Compress in memory only and write nothing (no file, no log); entries still end as done,
    // with the size the file would have had. Off by default.
    void SetDryRun(bool dryRun) { m_dryRun = dryRun; }

    // Asked before each file; true ends the run there (the files in hand are always finished).
    void SetStopRequest(std::function<bool()> stopRequested) { m_stopRequested = std::move(stopRequested); }

    // Pages loaded, compressed and written beside themselves at once, each on a thread of its
    // own; they are still put in place, reported and logged in list order, exactly as with one.
    // 1 by default (everything on the run's own thread, with the engine given).
    void SetJobs(int jobs) { m_jobs = jobs < 1 ? 1 : jobs; }

    // Called between compressing a file and saving it (tests edit or swap the file here); with
    // several jobs, on the thread that compressed it.
    void SetBeforeSaveHook(std::function<void(const QByteArray& path)> hook)
    {
        m_beforeSave = std::move(hook);
    }

    TRunTotals Execute();

    // The text after "缩减了": 100 - after*100/before, truncating ("30%", "-3%"); "0%" for 0 bytes.
    [[nodiscard]] static QString PercentText(quint64 before, quint64 after);

private:
    // One page's turn: its row, how it ended so far, and the page written beside itself when its
    // result comes from the batch.
    struct Turn;
    // Loads, compresses and writes the page beside itself (any thread, with that thread's engine).
    [[nodiscard]] Turn CompressOne(int row, const QByteArray& path, THTMLCompressor& engine) const;
    // Clears up after dead runs in every folder of the pending entries; tells the user what needs
    // them and notes the pages not to compress.
    void RecoverDeadRuns(TRunTotals& totals);

    TFileList& m_list;
    THTMLCompressor& m_engine;
    TCompressRunObserver* m_observer;
    TCompressRunObserver m_silent; // stands in when no observer is given
    QString m_logPath;
    bool m_dryRun = false;
    int m_jobs = 1;
    std::function<bool()> m_stopRequested;
    std::function<void(const QByteArray&)> m_beforeSave;
    std::set<std::pair<unsigned long long, unsigned long long>> m_damagedPages; // device, inode
};
