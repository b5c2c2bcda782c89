#pragma once

#include "TCompressRun.h"
#include "TCompressRunObserver.h"
#include "TOutputManifest.h"

#include <QByteArray>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class THTMLCompressor;
class TOutputPlan;
namespace filestore {
class SourceFile;
}
struct TTreeItem;

// A run that writes into an output folder instead of in place. Every page of the plan is
// compressed into its place below the output folder, every other file copied, folders made and
// links made again; each output takes its source's mode and modification time. An output that
// the folder's manifest shows was made from the source as it is now, with the same recipe, is
// left alone; with delete, outputs the manifest lists whose sources are gone are removed, and
// nothing else. Sources are only ever opened for reading. Outputs are made on several threads,
// put in place in batches that wait for the disk together, and reported in plan order (folders
// only when they fail). Blocks until done.
class TOutputTreeRun
{
public:
    TOutputTreeRun(TOutputPlan& plan, THTMLCompressor& HC, TCompressRunObserver* observer = nullptr);
    ~TOutputTreeRun();

    // Everything that shapes a page's result (options, version); a page made with another
    // recipe is made again.
    void SetRecipe(const QByteArray& recipe) { m_recipe = TOutputManifest::RecipeDigest(recipe); }
    // Report what would be done, write nothing (no folder, no file, no manifest).
    void SetDryRun(bool dryRun) { m_dryRun = dryRun; }
    // Remove the outputs made earlier whose sources are gone.
    void SetDelete(bool remove) { m_delete = remove; }
    void SetJobs(int jobs) { m_jobs = jobs < 1 ? 1 : jobs; }
    // Asked before each item; true ends the run there (the items in hand are finished, the
    // manifest written, nothing removed).
    void SetStopRequest(std::function<bool()> stopRequested) { m_stopRequested = std::move(stopRequested); }

    TRunTotals Execute();

private:
    struct Turn;
    struct Folder;

    // On the run's thread: the output folder made (or found) and opened for what it holds.
    [[nodiscard]] Turn MakeFolder(int index, std::shared_ptr<Folder>& current);
    // The output folder an item goes into, opened unless it is the one open already.
    [[nodiscard]] std::shared_ptr<Folder> FolderOf(QByteArrayView relative, std::shared_ptr<Folder> current) const;
    // On any thread, with that thread's engine.
    [[nodiscard]] Turn Build(int index, const std::shared_ptr<Folder>& folder, THTMLCompressor& engine) const;
    void BuildPage(const TTreeItem& item, const Folder* folder, THTMLCompressor& engine, Turn& turn) const;
    void BuildCopy(const TTreeItem& item, const Folder* folder, Turn& turn) const;
    void BuildLink(const TTreeItem& item, const Folder* folder, Turn& turn) const;
    // Writes the output beside its name: `bytes`, or else the source's own; false when it failed.
    [[nodiscard]] bool Stage(const TTreeItem& item, const Folder* folder, const filestore::SourceFile& source,
                             const std::string* bytes, Turn& turn) const;
    // The output was made from the source as it is, with this recipe, and is still as made: its
    // entry in the manifest; null otherwise.
    [[nodiscard]] const TOutputManifest::Entry* IsUpToDate(const TTreeItem& item, const Folder* folder);
    [[nodiscard]] Turn UpToDate(int index, const TOutputManifest::Entry& made) const;
    // Counts, records and tells one finished turn.
    void Report(Turn& turn, TRunTotals& totals);
    void RemoveStale(TRunTotals& totals);

    TOutputPlan& m_plan;
    THTMLCompressor& m_engine;
    TCompressRunObserver* m_observer;
    TCompressRunObserver m_silent; // stands in when no observer is given
    QByteArray m_recipe = "-";
    bool m_dryRun = false;
    bool m_delete = false;
    int m_jobs = 1;
    std::function<bool()> m_stopRequested;
    // The plan's record of the output folder, as read and as the run changes it.
    TOutputManifest& m_manifest;
    std::size_t m_nextLine = 0; // of the manifest, for IsUpToDate
};
