#include "TFileList.h"

#include <QList>
#include <QString>
#include <benchmark/benchmark.h>

namespace {

constexpr int kFiles = 100'000;

// Files spread over 100 folders that do not exist: sizes measure 0, as for vanished files,
// so the figures show the list and not the disk.
void Fill(TFileList& list, int count)
{
    for (int i = 0; i < count; ++i)
        list.AddFile(QStringLiteral("/srv/www/section%1").arg(i % 100), QStringLiteral("page%1.htm").arg(i));
}

void BM_AddFiles(benchmark::State& state)
{
    for (auto _ : state) {
        TFileList list;
        Fill(list, int(state.range(0)));
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddFiles)->Arg(kFiles / 4)->Arg(kFiles)->Arg(kFiles * 4)->Unit(benchmark::kMillisecond);

// Adding the same files again: every one is refused by the hash set.
void BM_AddDuplicates(benchmark::State& state)
{
    TFileList list;
    Fill(list, int(state.range(0)));
    for (auto _ : state) {
        Fill(list, int(state.range(0)));
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddDuplicates)->Arg(kFiles / 4)->Arg(kFiles)->Arg(kFiles * 4)->Unit(benchmark::kMillisecond);

// Every other row selected: the worst case for removal one by one.
void BM_RemoveSelected(benchmark::State& state)
{
    QList<int> selected;
    for (int i = 0; i < state.range(0); i += 2)
        selected.append(i);
    for (auto _ : state) {
        state.PauseTiming();
        TFileList list;
        Fill(list, int(state.range(0)));
        state.ResumeTiming();
        list.RemoveRows(selected);
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(state.iterations() * selected.size());
}
BENCHMARK(BM_RemoveSelected)->Arg(kFiles / 4)->Arg(kFiles)->Arg(kFiles * 4)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
