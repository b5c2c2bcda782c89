#include "TOutputTreeRun.h"

#include "TOrderedWork.h"
#include "TOutputPlan.h"
#include "TReasonText.h"
#include "TTreeWalk.h"
#include "engine/DeadRuns.h"
#include "engine/HTMLCompressor.h"
#include "engine/OutputBatch.h"
#include "engine/OutputFile.h"
#include "engine/SafeOpen.h"
#include "engine/SourceFile.h"
#include "engine/WideText.h"

#include <QSet>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArrayView ParentOf(QByteArrayView relative)
{
    const qsizetype cut = relative.lastIndexOf('/');
    return cut < 0 ? QByteArrayView() : relative.first(cut);
}

// The last name of a path below the output folder: the tail of the item's source, ended as it is.
QByteArrayView NameOf(QByteArrayView relative)
{
    return relative.sliced(relative.lastIndexOf('/') + 1);
}

std::string OutputName(const TTreeItem& item)
{
    const QByteArrayView name = NameOf(item.Relative());
    return std::string(name.data(), std::size_t(name.size()));
}

filestore::Stamp StampOf(const struct stat& info)
{
    return {unsigned(info.st_mode & 07777), info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

TOutputManifest::Entry EntryOf(char kind, const struct stat& info)
{
    TOutputManifest::Entry entry;
    entry.kind = kind;
    entry.sourceSize = S_ISREG(info.st_mode) ? quint64(info.st_size) : 0;
    entry.mtimeSec = info.st_mtim.tv_sec;
    entry.mtimeNsec = info.st_mtim.tv_nsec;
    return entry;
}

// The target of a link; false when it cannot be read.
bool ReadLink(const QByteArray& path, std::string& target)
{
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink(path.constData(), buffer.data(), buffer.size());
    if (n < 0 || std::size_t(n) == buffer.size())
        return false;
    target.assign(buffer.data(), std::size_t(n));
    return true;
}

} // namespace

// An output folder open for the items it holds; fd -1 when it could not be made.
struct TOutputTreeRun::Folder
{
    QByteArray relative;
    int fd = -1;
    QString reason;
    FileStatus status = FileStatus::Ok;
    bool recovered = false; // something was put right in it: the walk's look is out of date

    ~Folder()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

struct TOutputTreeRun::Turn
{
    int row = 0;
    TFileOutcome outcome;
    std::unique_ptr<filestore::OutputFile> staged; // waits for the batch
    filestore::FileKeyPair source{0, 0};
    TOutputManifest::Entry entry;
    bool record = false;   // the output is made as the entry says: the manifest takes it
    bool isFolder = false; // told only when it failed
    bool inBatch = false;
};

TOutputTreeRun::TOutputTreeRun(TOutputPlan& plan, THTMLCompressor& HC, TCompressRunObserver* observer)
    : m_plan(plan), m_engine(HC), m_observer(observer ? observer : &m_silent), m_manifest(plan.Manifest())
{
}

TOutputTreeRun::~TOutputTreeRun() = default;

namespace {

void Fail(TFileOutcome& outcome, FileStatus status, const QString& reason = {})
{
    outcome.result = TFileOutcome::Failed;
    outcome.status = status;
    outcome.reason = reason.isEmpty() ? TReasonText::Of(status) : reason;
    outcome.sizeAfter = 0;
}

} // namespace

TOutputTreeRun::Turn TOutputTreeRun::MakeFolder(int index, std::shared_ptr<Folder>& current)
{
    const TTreeItem& item = m_plan.Items()[std::size_t(index)];
    Turn turn;
    turn.row = index;
    turn.isFolder = true;
    turn.outcome.path = item.source;
    turn.outcome.output = m_plan.OutputPath(item.Relative());
    current = std::make_shared<Folder>();
    current->relative = item.Relative().toByteArray();
    if (m_dryRun)
        return turn;
    const QByteArray path = turn.outcome.output;
    bool made = false;
    if (item.Relative().isEmpty()) {
        // The output folder, and any folders missing on the way to it.
        for (qsizetype at = path.indexOf('/', 1); at > 0; at = path.indexOf('/', at + 1))
            (void)::mkdir(path.left(at).constData(), 0777);
        made = ::mkdir(path.constData(), 0777) == 0;
    } else {
        // Its owner may always write into it; the rest of the mode is the source's.
        made = ::mkdir(path.constData(), (item.mode | 0700) & 07777) == 0;
    }
    // A link in the output tree is never followed: what the run writes stays inside.
    const int noFollow = item.Relative().isEmpty() ? 0 : O_NOFOLLOW;
    current->fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | noFollow);
    if (current->fd < 0) {
        const int error = errno == ELOOP ? ENOTDIR : errno;
        current->status = FileStatus::WriteFailed;
        current->reason = TReasonText::OfSystemError(error);
        Fail(turn.outcome, current->status, current->reason);
        return turn;
    }
    // What a run into this folder that died left behind goes first (where the walk saw any).
    const filestore::DeadRunReport report = item.outputLook == TTreeItem::OutputLook::Matches
                                                ? filestore::DeadRunReport()
                                                : filestore::RecoverDeadRuns(path.toStdString());
    current->recovered = !report.findings.empty();
    for (const filestore::DeadRunFinding& finding : report.findings)
        m_observer->RecoveryNotice(QByteArray::fromStdString(finding.copy), QByteArray::fromStdString(finding.page),
                                   TReasonText::OfDeadRunFinding(finding.kind));
    if (made && !item.Relative().isEmpty()) {
        turn.record = true;
        turn.entry.kind = 'd';
        turn.entry.mtimeSec = item.mtimeSec;
        turn.entry.mtimeNsec = item.mtimeNsec;
    }
    return turn;
}

std::shared_ptr<TOutputTreeRun::Folder> TOutputTreeRun::FolderOf(QByteArrayView relative,
                                                                 std::shared_ptr<Folder> current) const
{
    const QByteArrayView parent = ParentOf(relative);
    if (m_dryRun || (current && current->relative == parent))
        return current;
    auto folder = std::make_shared<Folder>();
    folder->relative = parent.toByteArray();
    folder->fd = ::open(m_plan.OutputPath(folder->relative).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder->fd < 0) {
        folder->status = FileStatus::WriteFailed;
        folder->reason = TReasonText::OfSystemError(errno);
    }
    return folder;
}

const TOutputManifest::Entry* TOutputTreeRun::IsUpToDate(const TTreeItem& item, const Folder* folder)
{
    const TOutputManifest::Entry* known = m_manifest.FindNext(item.Relative(), m_nextLine);
    const char kind = item.kind == TTreeItem::Page ? 'p' : 'f';
    if (!known || known->kind != kind || known->sourceSize != item.size || known->mtimeSec != item.mtimeSec ||
        known->mtimeNsec != item.mtimeNsec || (kind == 'p' && known->recipe != m_recipe))
        return nullptr;
    // The output itself must still be as it was made: same size, the source's time and mode. The
    // walk looked already where it could; else it is looked up in its open folder.
    std::optional<quint64> size;
    if (item.outputLook == TTreeItem::OutputLook::Matches)
        size = item.outputSize;
    if (item.outputLook == TTreeItem::OutputLook::NotLooked || (folder && folder->recovered)) {
        struct stat there;
        const char* name = NameOf(item.Relative()).data(); // no copy needed
        const int found = folder && folder->fd >= 0 ? ::fstatat(folder->fd, name, &there, AT_SYMLINK_NOFOLLOW)
                                                    : ::lstat(m_plan.OutputPath(item.Relative()).constData(), &there);
        size = item.StampedSize(found == 0 ? &there : nullptr);
    }
    return size == known->outputSize ? known : nullptr;
}

TOutputTreeRun::Turn TOutputTreeRun::UpToDate(int index, const TOutputManifest::Entry& made) const
{
    const TTreeItem& item = m_plan.Items()[std::size_t(index)];
    Turn turn;
    turn.row = index;
    turn.outcome.result = TFileOutcome::UpToDate;
    turn.outcome.path = item.source;
    turn.outcome.output = m_plan.OutputPath(item.Relative());
    turn.outcome.sizeBefore = item.size;
    turn.outcome.sizeAfter = made.outputSize;
    return turn;
}

TOutputTreeRun::Turn TOutputTreeRun::Build(int index, const std::shared_ptr<Folder>& folder,
                                           THTMLCompressor& engine) const
{
    const TTreeItem& item = m_plan.Items()[std::size_t(index)];
    Turn turn;
    turn.row = index;
    turn.source = {item.device, item.inode};
    TFileOutcome& outcome = turn.outcome;
    outcome.path = item.source;
    outcome.output = m_plan.OutputPath(item.Relative());
    outcome.sizeBefore = item.size;
    if (!m_dryRun && folder->fd < 0 && item.kind != TTreeItem::Special) {
        Fail(outcome, folder->status, folder->reason);
        return turn;
    }
    switch (item.kind) {
    case TTreeItem::Special:
        outcome.result = TFileOutcome::Skipped;
        outcome.status = FileStatus::NotRegular;
        outcome.reason = TReasonText::Of(FileStatus::NotRegular);
        break;
    case TTreeItem::Link:
        BuildLink(item, folder.get(), turn);
        break;
    case TTreeItem::Page:
        BuildPage(item, folder.get(), engine, turn);
        break;
    case TTreeItem::File:
        BuildCopy(item, folder.get(), turn);
        break;
    case TTreeItem::Folder:
        break;
    }
    return turn;
}

void TOutputTreeRun::BuildPage(const TTreeItem& item, const Folder* folder, THTMLCompressor& engine, Turn& turn) const
{
    TFileOutcome& outcome = turn.outcome;
    filestore::SourceFile source;
    std::string bytes;
    FileStatus status = source.Open(item.source.toStdString());
    if (status == FileStatus::Ok)
        status = source.Read(bytes);
    if (status != FileStatus::Ok)
        return Fail(outcome, status);
    outcome.sizeBefore = bytes.size();
    turn.entry = EntryOf('p', source.Info());
    turn.entry.recipe = m_recipe;
    // Wide text goes out as it is, and fails as it does in place.
    const bool wide = IsWideText(bytes);
    bool shorter = false;
    if (!wide) {
        engine.LoadFromBytes(std::move(bytes));
        engine.Compress();
        shorter = engine.IsCompressed() && engine.ResultLength() > 0 && engine.ResultLength() != engine.LoadedLength();
    }
    outcome.result = shorter ? TFileOutcome::Compressed : TFileOutcome::NothingToSave;
    outcome.sizeAfter = shorter ? engine.ResultLength() : outcome.sizeBefore;
    turn.entry.outputSize = outcome.sizeAfter;
    if (!m_dryRun) {
        // A page left as it is goes out as its own bytes, read again from the file still open.
        const std::string result = shorter ? engine.TakeText() : std::string();
        if (!Stage(item, folder, source, shorter ? &result : nullptr, turn))
            return;
    }
    if (wide)
        return Fail(outcome, FileStatus::UnsupportedEncoding);
    turn.record = true;
}

bool TOutputTreeRun::Stage(const TTreeItem& item, const Folder* folder, const filestore::SourceFile& source,
                           const std::string* bytes, Turn& turn) const
{
    auto file = std::make_unique<filestore::OutputFile>();
    FileStatus status = file->Create(folder->fd, OutputName(item));
    if (status == FileStatus::Ok && bytes) {
        status = file->Write(bytes->data(), bytes->size());
    } else if (status == FileStatus::Ok) {
        status = file->CopyFrom(source.Fd());
        if (status == FileStatus::Ok && !source.Unchanged())
            status = FileStatus::Changed;
    }
    if (status == FileStatus::Ok)
        status = file->Finish(StampOf(source.Info()));
    if (status != FileStatus::Ok) {
        Fail(turn.outcome, status);
        return false;
    }
    turn.staged = std::move(file);
    return true;
}

void TOutputTreeRun::BuildCopy(const TTreeItem& item, const Folder* folder, Turn& turn) const
{
    TFileOutcome& outcome = turn.outcome;
    filestore::SourceFile source;
    FileStatus status = source.Open(item.source.toStdString());
    if (status != FileStatus::Ok)
        return Fail(outcome, status);
    turn.entry = EntryOf('f', source.Info());
    turn.entry.outputSize = turn.entry.sourceSize;
    outcome.result = TFileOutcome::Copied;
    outcome.sizeBefore = outcome.sizeAfter = turn.entry.sourceSize;
    if (!m_dryRun && !Stage(item, folder, source, nullptr, turn))
        return;
    turn.record = true;
}

void TOutputTreeRun::BuildLink(const TTreeItem& item, const Folder* folder, Turn& turn) const
{
    TFileOutcome& outcome = turn.outcome;
    std::string target;
    if (!ReadLink(item.source, target))
        return Fail(outcome, FileStatus::ReadFailed);
    struct stat info = {};
    info.st_mode = S_IFLNK;
    info.st_mtim = {time_t(item.mtimeSec), long(item.mtimeNsec)};
    turn.entry = EntryOf('l', info);
    turn.record = true;
    std::string existing;
    if (ReadLink(outcome.output, existing) && existing == target) {
        outcome.result = TFileOutcome::UpToDate;
        return;
    }
    outcome.result = TFileOutcome::Linked;
    if (m_dryRun)
        return;
    const FileStatus status =
        filestore::PlaceLink(folder->fd, OutputName(item), target, StampOf(info), turn.source);
    if (status != FileStatus::Ok) {
        turn.record = false;
        Fail(outcome, status);
    }
}

void TOutputTreeRun::Report(Turn& turn, TRunTotals& totals)
{
    TFileOutcome& outcome = turn.outcome;
    if (turn.record && !m_dryRun && outcome.result != TFileOutcome::Failed)
        m_manifest.Set(m_plan.Items()[std::size_t(turn.row)].Relative(), turn.entry);
    if (turn.isFolder && outcome.result != TFileOutcome::Failed)
        return;
    switch (outcome.result) {
    case TFileOutcome::Failed:
        ++totals.failed;
        break;
    case TFileOutcome::Skipped:
        ++totals.skipped;
        break;
    case TFileOutcome::UpToDate:
        ++totals.upToDate;
        [[fallthrough]];
    default:
        ++totals.compressed;
        totals.uncompressed += outcome.sizeBefore;
        totals.compressedBytes += outcome.sizeAfter;
        break;
    }
    m_observer->FileFinished(turn.row, outcome);
}

void TOutputTreeRun::RemoveStale(TRunTotals& totals)
{
    QSet<QByteArrayView> planned;
    planned.reserve(qsizetype(m_plan.Items().size()));
    for (const TTreeItem& item : m_plan.Items())
        planned.insert(item.Relative());
    // Paths point into the manifest, which outlives them here.
    TOutputManifest::Entries gone;
    for (auto& found : m_manifest.Current()) {
        if (!planned.contains(found.first))
            gone.push_back(std::move(found));
    }
    // What a folder holds goes before the folder.
    std::sort(gone.begin(), gone.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [relative, entry] : gone) {
        TFileOutcome outcome;
        outcome.path = outcome.output = m_plan.OutputPath(relative);
        struct stat there;
        if (::lstat(outcome.output.constData(), &there) != 0) {
            m_manifest.Remove(relative); // gone already
            continue;
        }
        if (entry.kind == 'd') {
            // Only while empty: whatever else is in it is not ours to remove.
            if (S_ISDIR(there.st_mode) && !m_dryRun && ::rmdir(outcome.output.constData()) == 0)
                m_manifest.Remove(relative);
            continue;
        }
        const bool ours = entry.kind == 'l'
                              ? S_ISLNK(there.st_mode)
                              : S_ISREG(there.st_mode) && quint64(there.st_size) == entry.outputSize &&
                                    there.st_mtim.tv_sec == entry.mtimeSec && there.st_mtim.tv_nsec == entry.mtimeNsec;
        m_manifest.Remove(relative); // removed, or changed by someone and no longer ours
        if (!ours) {
            outcome.result = TFileOutcome::Skipped;
            outcome.reason = TReasonText::OfOutput(TReasonText::ChangedSinceMade);
            ++totals.skipped;
        } else if (m_dryRun || ::unlink(outcome.output.constData()) == 0) {
            outcome.result = TFileOutcome::Removed;
            outcome.sizeBefore = quint64(there.st_size);
            ++totals.removed;
        } else {
            Fail(outcome, FileStatus::WriteFailed, TReasonText::OfSystemError(errno));
            m_manifest.Set(relative, entry);
            ++totals.failed;
        }
        m_observer->FileFinished(-1, outcome);
    }
}

TRunTotals TOutputTreeRun::Execute()
{
    TRunTotals totals;
    m_observer->PanelShown();
    const QByteArray manifestPath = m_plan.OutputPath(TTreeWalk::ManifestName);
    if (!m_plan.ManifestReadable()) {
        ++totals.recoveryNotices;
        m_observer->RecoveryNotice(manifestPath, {}, TReasonText::OfOutput(TReasonText::UnreadableManifest));
    }

    std::vector<std::unique_ptr<THTMLCompressor>> engines;
    for (int worker = 1; worker < m_jobs; ++worker) {
        engines.push_back(std::make_unique<THTMLCompressor>());
        engines.back()->CopySwitchesFrom(m_engine);
    }
    filestore::OutputBatch batch;
    std::vector<Turn> turns;
    auto finishTurns = [&] {
        const std::vector<FileStatus> results = batch.Flush();
        std::size_t next = 0;
        for (Turn& turn : turns) {
            if (turn.inBatch) {
                const FileStatus status = results[next++];
                if (status != FileStatus::Ok)
                    Fail(turn.outcome, status);
            }
            Report(turn, totals);
        }
        turns.clear();
    };
    TOrderedWork<Turn> work(m_jobs);
    const std::size_t inFlight = m_jobs == 1 ? 1 : 4 * std::size_t(m_jobs);
    auto accept = [&](Turn turn) {
        if (turn.staged) {
            batch.Add(std::move(turn.staged), turn.source);
            turn.inBatch = true;
        }
        turns.push_back(std::move(turn));
        if (batch.IsEmpty() || batch.Full() || turns.size() >= batch.MaxFiles())
            finishTurns();
    };
    auto takeTurn = [&] { accept(work.Take()); };

    std::shared_ptr<Folder> folder;
    const auto isUpToDate = [&](const TTreeItem& item) {
        return IsUpToDate(item, (folder = FolderOf(item.Relative(), folder)).get());
    };
    const int n = int(m_plan.Items().size());
    for (int i = 0; i < n; ++i) {
        if (m_stopRequested && m_stopRequested()) {
            totals.stopped = true;
            break;
        }
        const TTreeItem& item = m_plan.Items()[std::size_t(i)];
        if (item.kind == TTreeItem::Folder) {
            // Made here, before any task can write into it.
            work.GiveResult(MakeFolder(i, folder));
        } else if (const TOutputManifest::Entry* made = item.kind == TTreeItem::Page || item.kind == TTreeItem::File
                                                            ? isUpToDate(item)
                                                            : nullptr) {
            // Checked here: handing a rerun's many current outputs to workers would cost more.
            if (work.InFlight() == 0)
                accept(UpToDate(i, *made)); // nothing to wait for: no place in the queue needed
            else
                work.GiveResult(UpToDate(i, *made));
        } else {
            folder = FolderOf(item.Relative(), folder);
            work.Give([this, i, folder, &engines](int worker) {
                return Build(i, folder, worker == 0 ? m_engine : *engines[std::size_t(worker - 1)]);
            });
        }
        while (work.InFlight() >= inFlight)
            takeTurn();
    }
    while (work.InFlight() > 0)
        takeTurn();
    finishTurns();
    folder.reset();
    filestore::ForgetFolder();

    if (m_delete && !totals.stopped)
        RemoveStale(totals);
    if (!m_dryRun && m_manifest.IsChanged()) {
        if (const int error = m_manifest.Save(m_plan.OutputFolder())) {
            TFileOutcome outcome;
            outcome.path = outcome.output = manifestPath;
            Fail(outcome, FileStatus::WriteFailed, TReasonText::OfSystemError(error));
            ++totals.failed;
            m_observer->FileFinished(-1, outcome);
        }
    }
    m_observer->PanelHidden();
    return totals;
}
