#include "TCompressRun.h"

#include "engine/DeadRuns.h"
#include "engine/HTMLCompressor.h"
#include "engine/PageBatch.h"
#include "engine/SafeOpen.h"
#include "engine/SpareFiles.h"
#include "TFileList.h"
#include "TLogFile.h"
#include "TOrderedWork.h"
#include "TReasonText.h"

#include <QDateTime>
#include <QSet>
#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace {

// part * 100 / whole, truncating, without the product overflowing 64 bits.
quint64 Hundredths(quint64 part, quint64 whole)
{
    return part / whole * 100 + part % whole * 100 / whole;
}

} // namespace

TCompressRun::TCompressRun(TFileList& list, THTMLCompressor& HC, TCompressRunObserver* observer)
    : m_list(list), m_engine(HC), m_observer(observer ? observer : &m_silent)
{
}

QString TCompressRun::PercentText(quint64 before, quint64 after)
{
    if (before == 0)
        return QStringLiteral("0%");
    // The compressed share truncates, so the saving rounds up (1000 -> 701 reads 30%).
    return QString::number(100 - qint64(Hundredths(after, before))) + QLatin1Char('%');
}

struct TCompressRun::Turn
{
    int row = 0;
    TFileOutcome outcome;
    filestore::StagedPage staged; // a page written beside itself, for the batch
    bool inBatch = false;         // its result comes from the batch
    std::optional<std::pair<unsigned long long, unsigned long long>> key; // device and inode when read
};

TCompressRun::Turn TCompressRun::CompressOne(int row, const QByteArray& path, THTMLCompressor& engine) const
{
    Turn turn;
    turn.row = row;
    TFileOutcome& outcome = turn.outcome;
    outcome.path = path;
    const std::string localPath = path.toStdString();

    const auto fail = [&outcome](FileStatus status, const std::string& recoveryCopy = {}) {
        outcome.result = TFileOutcome::Failed;
        outcome.status = status;
        outcome.reason = TReasonText::Of(status);
        outcome.recoveryCopy = QByteArray::fromStdString(recoveryCopy);
    };
    // A failed load leaves nothing to save, so the previous document can never land here.
    const FileStatus loaded = engine.LoadFromFile(localPath);
    if (loaded != FileStatus::Ok) {
        outcome.sizeBefore = TFileList::GetFileSize(path);
        fail(loaded, engine.LastRecoveryCopy());
        return turn;
    }
    outcome.sizeBefore = engine.LoadedLength();
    if (!m_damagedPages.empty()) {
        const auto key = filestore::FileKey(localPath);
        if (key && m_damagedPages.count(*key)) {
            fail(FileStatus::Damaged);
            return turn;
        }
    }
    engine.Compress();

    if (m_dryRun) {
        const bool hasResult = engine.IsCompressed() && engine.ResultLength() > 0;
        outcome.result = hasResult ? TFileOutcome::Compressed : TFileOutcome::NothingToSave;
        outcome.sizeAfter = hasResult ? engine.ResultLength() : outcome.sizeBefore;
        return turn;
    }
    if (m_beforeSave)
        m_beforeSave(path);
    const std::size_t resultLength = engine.ResultLength(); // the staged page takes the result
    const FileStatus saved = engine.StageSave(localPath, turn.staged);
    if (saved == FileStatus::Ok) {
        outcome.sizeAfter = resultLength;
    } else if (saved == FileStatus::NothingToSave) {
        outcome.result = TFileOutcome::NothingToSave;
        outcome.sizeAfter = outcome.sizeBefore; // left as it was
    } else {
        fail(saved);
    }
    return turn;
}

void TCompressRun::RecoverDeadRuns(TRunTotals& totals)
{
    m_damagedPages.clear();
    QSet<QByteArray> folders;
    for (const TFileEntry& entry : m_list.Entries()) {
        if (entry.state != TFileEntry::New || folders.contains(entry.directory))
            continue;
        folders.insert(entry.directory);
        const filestore::DeadRunReport report = filestore::RecoverDeadRuns(entry.directory.toStdString());
        m_damagedPages.insert(report.damagedPages.begin(), report.damagedPages.end());
        for (const filestore::DeadRunFinding& finding : report.findings) {
            ++totals.recoveryNotices;
            m_observer->RecoveryNotice(QByteArray::fromStdString(finding.copy),
                                       QByteArray::fromStdString(finding.page),
                                       TReasonText::OfDeadRunFinding(finding.kind));
        }
    }
}

TRunTotals TCompressRun::Execute()
{
    TRunTotals totals;
    m_observer->PanelShown();

    std::unique_ptr<TLogFile> log;
    if (!m_logPath.isEmpty() && !m_dryRun) {
        log = std::make_unique<TLogFile>(m_logPath);
        if (!log->Open()) {
            m_observer->LogUnavailable(m_logPath, log->ErrorString());
            totals.logFailed = true;
            log.reset();
        }
    }

    const int n = m_list.Count();
    quint64 pendingTotal = 0;
    int pendingCount = 0;
    for (const TFileEntry& entry : m_list.Entries()) {
        if (entry.state == TFileEntry::New) {
            pendingTotal += entry.uncompressedSize;
            ++pendingCount;
        }
    }

    // The gauge counts every pending file it has passed, failed ones too, so it always ends at
    // 100; when all pending files are empty it counts files instead of bytes.
    quint64 passedBytes = 0;
    int passedCount = 0;
    auto report = [&](int i, const TFileOutcome& outcome) {
        const quint64 stored = m_list.At(i).uncompressedSize;
        if (outcome.result == TFileOutcome::Failed) {
            m_list.MarkFailed(i, outcome.status);
            ++totals.failed;
        } else {
            m_list.MarkDone(i, outcome.sizeAfter);
            ++totals.compressed;
            totals.uncompressed += stored;
            totals.compressedBytes += outcome.sizeAfter;
        }
        const TFileEntry& entry = m_list.At(i);
        m_observer->RowCompressedSize(i, TFileList::ColumnSizeText(entry.compressedSize));
        m_observer->RowStatus(i, entry.StatusText());

        passedBytes += stored;
        ++passedCount;
        const quint64 gauge = pendingTotal > 0 ? Hundredths(passedBytes, pendingTotal)
                                               : Hundredths(quint64(passedCount), quint64(pendingCount));
        m_observer->Gauge(int(gauge));

        if (log && outcome.result != TFileOutcome::Failed &&
            !log->WriteRecord(QDateTime::currentDateTime(), outcome.path, outcome.sizeBefore,
                              outcome.sizeAfter)) {
            m_observer->LogUnavailable(m_logPath, log->ErrorString());
            totals.logFailed = true;
            log.reset();
        }
        m_observer->FileFinished(i, outcome);
    };

    // Pages are saved in batches that wait for the disk together; their files are reported, in
    // list order, once the batch is in place, so no row reads "已完成" before its page is.
    // A few pages per worker in flight: enough to keep every one busy, never the whole site, and
    // never more than the open descriptors allow beside a batch.
    const std::size_t inFlight =
        m_jobs == 1 ? 1
                    : std::max<std::size_t>(1, std::min(4 * std::size_t(m_jobs),
                                                        filestore::PageBatch::PagesOpenAtMost() / 2));
    // The files of replaced pages become the temporaries of later ones while the run lasts.
    std::optional<filestore::SpareFileScope> spares;
    if (!m_dryRun)
        spares.emplace();
    filestore::PageBatch batch(filestore::PageBatch::DefaultBytes, filestore::PageBatch::DefaultPages, inFlight);
    std::vector<Turn> turns;
    // Device and inode of every page read and not yet in place: another name of one of them is
    // read only once it is.
    std::multiset<std::pair<unsigned long long, unsigned long long>> unsettled;
    auto finishTurns = [&] {
        const std::vector<filestore::PageResult> results = batch.Flush();
        std::size_t next = 0;
        for (Turn& turn : turns) {
            if (turn.inBatch) {
                const filestore::PageResult& result = results[next++];
                if (result.status == FileStatus::Ok) {
                    turn.outcome.result = TFileOutcome::Compressed;
                } else {
                    turn.outcome.result = TFileOutcome::Failed;
                    turn.outcome.sizeAfter = 0;
                    turn.outcome.status = result.status;
                    turn.outcome.reason = TReasonText::Of(result.status);
                    turn.outcome.recoveryCopy = QByteArray::fromStdString(result.recoveryCopy);
                }
            }
            report(turn.row, turn.outcome);
            if (turn.key)
                unsettled.erase(unsettled.find(*turn.key));
        }
        turns.clear();
    };

    // Each worker compresses with an engine of its own, switched like the one given.
    std::vector<std::unique_ptr<THTMLCompressor>> engines;
    for (int worker = 1; worker < m_jobs; ++worker) {
        engines.push_back(std::make_unique<THTMLCompressor>());
        engines.back()->CopySwitchesFrom(m_engine);
    }
    TOrderedWork<Turn> work(m_jobs);
    auto takeTurn = [&] {
        Turn turn = work.Take();
        if (turn.staged.page) {
            batch.Add(std::move(turn.staged));
            turn.inBatch = true;
        }
        turns.push_back(std::move(turn));
        if (batch.IsEmpty() || batch.Full() || turns.size() >= batch.MaxPages())
            finishTurns();
    };

    if (!m_dryRun)
        RecoverDeadRuns(totals);
    for (int i = 0; i < n; ++i) {
        if (m_list.At(i).state != TFileEntry::New)
            continue;
        if (m_stopRequested && m_stopRequested()) {
            totals.stopped = true;
            break;
        }
        const QByteArray path = m_list.At(i).FullPath();
        const auto key = filestore::FileKey(path.toStdString());
        if (key && unsettled.count(*key)) {
            while (work.InFlight() > 0)
                takeTurn();
            finishTurns();
        }
        if (key)
            unsettled.insert(*key);
        m_list.MarkCompressing(i);
        m_observer->RowStatus(i, m_list.At(i).StatusText());
        work.Give([this, i, path, key, &engines](int worker) {
            Turn turn = CompressOne(i, path, worker == 0 ? m_engine : *engines[std::size_t(worker - 1)]);
            turn.key = key;
            return turn;
        });
        while (work.InFlight() >= inFlight)
            takeTurn();
    }
    // The files in hand are always finished, also when a stop was asked for.
    while (work.InFlight() > 0)
        takeTurn();
    finishTurns();
    m_engine.CloseFile(); // no folder of the run stays held open

    if (totals.uncompressed != 0) {
        m_observer->ResultLabels(TFileList::LabelSizeText(totals.uncompressed),
                                 TFileList::LabelSizeText(totals.compressedBytes),
                                 PercentText(totals.uncompressed, totals.compressedBytes));
    }
    log.reset();
    m_observer->PanelHidden();
    m_observer->Gauge(0);
    return totals;
}
