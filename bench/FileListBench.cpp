// Adding and removing many list entries. With --walk it times one walk of a real tree instead
// and prints its peak memory; --tree makes such a tree.
//
//   bench_filelist [benchmark options]
//   bench_filelist --tree DIR COUNT   COUNT sparse 1000-byte pages, 1000 to a folder
//   bench_filelist --walk DIR         adds DIR, then removes every other entry, then half
#include "app/core/TFileList.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

#ifndef _WIN32
int MakeTree(const std::string& root, long count)
{
    if (::mkdir(root.c_str(), 0755) != 0)
        return std::perror(root.c_str()), 1;
    std::string folder;
    for (long i = 0; i < count; ++i) {
        if (i % 1000 == 0) {
            folder = root + "/section" + std::to_string(i / 1000);
            if (::mkdir(folder.c_str(), 0755) != 0)
                return std::perror(folder.c_str()), 1;
        }
        const std::string page = folder + "/page" + std::to_string(i) + ".htm";
        const int fd = ::open(page.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 || ::ftruncate(fd, 1000) != 0)
            return std::perror(page.c_str()), 1;
        ::close(fd);
    }
    return 0;
}
#endif

// Peak resident memory so far, bytes.
long long PeakBytes()
{
#ifndef _WIN32
    struct rusage usage;
    if (::getrusage(RUSAGE_SELF, &usage) == 0)
        return usage.ru_maxrss * 1024LL;
#endif
    return 0;
}

int Walk(const char* root)
{
    const long long before = PeakBytes();
    QElapsedTimer timer;
    timer.start();
    TFileList list;
    list.FindFiles(QByteArray(root));
    const qint64 walked = timer.elapsed();
    const int count = list.Count();
    const long long peak = PeakBytes() - before;
    long long pathBytes = 0;
    for (const TFileEntry& entry : list.Entries())
        pathBytes += entry.FullPath().size();
    std::printf("peak memory of the walk: %lld MB, %lld bytes per entry, of which the path %lld\n", peak >> 20,
                count ? peak / count : 0, count ? pathBytes / count : 0);
    QList<int> everyOther;
    for (int i = 0; i < count; i += 2)
        everyOther.append(i);
    timer.restart();
    list.RemoveRows(everyOther);
    const qint64 scattered = timer.elapsed();
    QList<int> firstHalf;
    for (int i = 0; i < list.Count() / 2; ++i)
        firstHalf.append(i);
    timer.restart();
    list.RemoveRows(firstHalf);
    std::printf("entries: %d\nwalk and add: %lld ms\nremove every other: %lld ms\nremove first half of the rest: %lld "
                "ms\n",
                count, walked, scattered, timer.elapsed());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
#ifndef _WIN32
    if (argc == 4 && std::strcmp(argv[1], "--tree") == 0)
        return MakeTree(argv[2], std::atol(argv[3]));
#endif
    if (argc == 3 && std::strcmp(argv[1], "--walk") == 0)
        return Walk(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
