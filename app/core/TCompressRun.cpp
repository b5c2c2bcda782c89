#include "TCompressRun.h"

#include "engine/DeadRuns.h"
#include "engine/HTMLCompressor.h"
#include "engine/PageBatch.h"
#include "engine/SafeOpen.h"
#include "TFileList.h"
#include "TLogFile.h"
#include "TReasonText.h"

#include <QDateTime>
#include <QSet>
#include <memory>
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

TFileOutcome TCompressRun::CompressOne(const QByteArray& path, filestore::PageBatch& batch, bool& staged)
{
    staged = false;
    TFileOutcome outcome;
    outcome.path = path;
    const std::string localPath = path.toStdString();

    const auto fail = [&outcome](FileStatus status, const std::string& recoveryCopy = {}) {
        outcome.result = TFileOutcome::Failed;
        outcome.status = status;
        outcome.reason = TReasonText::Of(status);
        outcome.recoveryCopy = QByteArray::fromStdString(recoveryCopy);
    };
    // A failed load leaves nothing to save, so the previous document can never land here.
    const FileStatus loaded = m_engine.LoadFromFile(localPath);
    if (loaded != FileStatus::Ok) {
        outcome.sizeBefore = TFileList::GetFileSize(path);
        fail(loaded, m_engine.LastRecoveryCopy());
        return outcome;
    }
    outcome.sizeBefore = m_engine.LoadedLength();
    if (!m_damagedPages.empty()) {
        const auto key = filestore::FileKey(localPath);
        if (key && m_damagedPages.count(*key)) {
            fail(FileStatus::Damaged);
            return outcome;
        }
    }
    m_engine.Compress();

    if (m_dryRun) {
        const bool hasResult = m_engine.IsCompressed() && m_engine.ResultLength() > 0;
        outcome.result = hasResult ? TFileOutcome::Compressed : TFileOutcome::NothingToSave;
        outcome.sizeAfter = hasResult ? m_engine.ResultLength() : outcome.sizeBefore;
        return outcome;
    }
    if (m_beforeSave)
        m_beforeSave(path);
    const std::size_t resultLength = m_engine.ResultLength(); // the batch takes the result
    const FileStatus saved = m_engine.SaveToFile(localPath, batch);
    if (saved == FileStatus::Ok) {
        staged = true; // the batch's flush tells how it ends
        outcome.sizeAfter = resultLength;
    } else if (saved == FileStatus::NothingToSave) {
        outcome.result = TFileOutcome::NothingToSave;
        outcome.sizeAfter = outcome.sizeBefore; // left as it was
    } else {
        fail(saved);
    }
    return outcome;
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
    struct Turn
    {
        int row;
        TFileOutcome outcome;
        bool staged; // its result comes from the batch
    };
    filestore::PageBatch batch;
    std::vector<Turn> turns;
    auto finishTurns = [&] {
        const std::vector<filestore::PageResult> results = batch.Flush();
        std::size_t next = 0;
        for (Turn& turn : turns) {
            if (turn.staged) {
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
        }
        turns.clear();
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
        // Another name of a page still waiting is read only once that page is in place.
        const QByteArray path = m_list.At(i).FullPath();
        if (!batch.IsEmpty() && batch.Holds(path.toStdString()))
            finishTurns();
        m_list.MarkCompressing(i);
        m_observer->RowStatus(i, m_list.At(i).StatusText());

        bool staged = false;
        TFileOutcome outcome = CompressOne(path, batch, staged);
        turns.push_back({i, std::move(outcome), staged});
        if (batch.IsEmpty() || batch.Full() || turns.size() >= batch.MaxPages())
            finishTurns();
    }
    finishTurns(); // the files in hand are always finished, also when a stop was asked for
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
