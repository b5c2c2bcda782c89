// Engine throughput: realistic generated pages with the window's switches next to a memcpy of the
// same bytes, and adversarial inputs at 1, 4, 16 and 64 MB to show the passes stay linear (16 and
// 64 MB both lie outside the caches, so their ratio shows the algorithm).
//
// With CORVANE_BENCH_PAGES=FOLDER it also compresses every .htm / .html page below that folder, one
// page at a time as a run does, with its own line ends and with every LF made CR LF.
#include "engine/HTMLCompressor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

// A page the way editors write them: indentation, tables in tables, lists, inline scripts,
// pre blocks, quoted attributes, upper-case tags, the odd centred paragraph and marker comment.
std::string RealisticPage(std::size_t size, bool crlf, unsigned seed)
{
    std::mt19937 random(seed);
    const std::string nl = crlf ? "\r\n" : "\n";
    static const char* words[] = {"the", "compressor", "reads", "every", "page", "and", "writes", "it", "back",
                                  "smaller", "without", "changing", "what", "a", "reader", "sees", "on", "screen"};
    auto sentence = [&](int n) {
        std::string s;
        for (int k = 0; k < n; ++k) {
            s += words[random() % std::size(words)];
            s += (random() % 9 == 0) ? "  " : " ";
        }
        return s;
    };
    std::string page = "<HTML>" + nl + "<HEAD>" + nl + "  <META http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">" +
                       nl + "  <TITLE>Sample</TITLE>" + nl + "</HEAD>" + nl + "<BODY bgcolor=\"#FFFFFF\">" + nl;
    while (page.size() < size) {
        switch (random() % 8) {
        case 0:
            page += "<p align=\"center\"><STRONG>" + sentence(4) + "</STRONG></p>" + nl;
            break;
        case 1:
            page += "<table border=\"0\" cellpadding=\"2\" width=\"100%\">" + nl;
            for (int r = 0; r < 3; ++r) {
                page += "  <tr>" + nl;
                for (int c = 0; c < 3; ++c)
                    page += "    <td class=\"cell\" valign=\"top\"><table><tr><td>" + sentence(3) + "</td></tr></table></td>" + nl;
                page += "  </tr>" + nl;
            }
            page += "</table>" + nl;
            break;
        case 2:
            page += "<ul>" + nl;
            for (int k = 0; k < 4; ++k)
                page += "  <li><a href=\"page" + std::to_string(random() % 100) + ".htm\" title=\"" + sentence(2) +
                        "\">" + sentence(3) + "</a></li>" + nl;
            page += "</ul>" + nl;
            break;
        case 3:
            page += "<script type=\"text/javascript\">" + nl + "  var x = \"a  b\";" + nl + nl +
                    "  function f() { return x; }" + nl + "</script>" + nl;
            break;
        case 4:
            page += "<pre>" + nl + "  int main()  {" + nl + "      return 0;" + nl + "  }" + nl + "</pre>" + nl;
            break;
        case 5:
            page += "<!--webbot bot=\"Timestamp\" startspan -->" + sentence(2) + "<!--webbot bot=\"Timestamp\" endspan -->" + nl;
            break;
        default:
            page += "<P>" + nl + "  " + sentence(12) + "<em>" + sentence(2) + "</em>" + nl + "  " + sentence(10) +
                    "<img src=\"pic.gif\" alt=\"a picture\" width=\"10\">" + nl + "</P>" + nl;
            break;
        }
    }
    page += "</BODY>" + nl + "</HTML>" + nl;
    return page;
}

std::string Repeat(const std::string& unit, std::size_t size)
{
    std::string s;
    s.reserve(size + unit.size());
    while (s.size() < size)
        s += unit;
    return s;
}

std::string Adversarial(int kind, std::size_t size)
{
    switch (kind) {
    case 0:
        return std::string(size, ' ');
    case 1:
        return Repeat("\r\n", size);
    case 2:
        return Repeat("<p align=center>x</p>", size);
    case 3:
        return "<pre" + std::string(size, ' ');
    case 4:
        return Repeat("<!--webbot bot=Timestamp -->", size);
    case 5:
        return Repeat("<a href=\"x\" title=\"y\" \"\"\"\"\"\"\"\"<<<<\"\"\"\"", size);
    case 6:
        // Every break asks for the tag before it, and one inline "<" answers for them all.
        return "<span" + Repeat(">\r\n>\n", size);
    default:
        // Renamed elements that never close, each opened with an attribute.
        return Repeat("<em class=x><strong/>a</em", size);
    }
}

const char* kAdversarialNames[] = {"spaces", "crlf",   "centred",    "open_pre",
                                   "markers", "quotes", "tag_breaks", "open_inline"};

void Compress(benchmark::State& state, const std::string& input, bool best = false)
{
    THTMLCompressor hc; // the window's switches
    hc.Best = best;
    // One block serves every iteration, as in a run over many files: fresh memory each time
    // would make the timings depend on how the system happens to back it. For the same reason
    // one untimed run first lets the compressor take the working memory it keeps between pages.
    std::string block;
    block.reserve(input.size());
    block.assign(input);
    hc.LoadFromBytes(std::move(block));
    hc.Compress();
    block = hc.TakeText();
    std::size_t resultLength = 0;
    for (auto _ : state) {
        state.PauseTiming();
        block.assign(input);
        hc.LoadFromBytes(std::move(block));
        state.ResumeTiming();
        hc.Compress();
        benchmark::DoNotOptimize(hc.Text().data());
        state.PauseTiming();
        resultLength = hc.ResultLength();
        block = hc.TakeText();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.size()));
    state.counters["ratio"] = static_cast<double>(resultLength) / static_cast<double>(input.size());
}

void BM_RealisticCRLF(benchmark::State& state)
{
    static const std::string page = RealisticPage(4 << 20, true, 1);
    Compress(state, page);
}

void BM_RealisticLF(benchmark::State& state)
{
    static const std::string page = RealisticPage(4 << 20, false, 2);
    Compress(state, page);
}

void BM_RealisticCRLFBest(benchmark::State& state)
{
    static const std::string page = RealisticPage(4 << 20, true, 1);
    Compress(state, page, true);
}

void BM_RealisticLFBest(benchmark::State& state)
{
    static const std::string page = RealisticPage(4 << 20, false, 2);
    Compress(state, page, true);
}

void BM_Memcpy(benchmark::State& state)
{
    static const std::string page = RealisticPage(4 << 20, true, 1);
    std::vector<char> target(page.size());
    for (auto _ : state) {
        std::memcpy(target.data(), page.data(), page.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}

std::vector<std::string> LoadPages(const char* folder, bool crlf)
{
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (entry.is_regular_file() && (ext == ".htm" || ext == ".html"))
            paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::string> pages;
    for (const auto& path : paths) {
        std::ifstream file(path, std::ios::binary);
        std::string page{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        if (crlf) {
            std::string withCr;
            withCr.reserve(page.size() + page.size() / 16);
            for (std::size_t k = 0; k < page.size(); ++k) {
                if (page[k] == '\n' && (k == 0 || page[k - 1] != '\r'))
                    withCr += '\r';
                withCr += page[k];
            }
            page = std::move(withCr);
        }
        if (!page.empty())
            pages.push_back(std::move(page));
    }
    return pages;
}

void PageSet(benchmark::State& state, const std::vector<std::string>& pages, bool best)
{
    THTMLCompressor hc;
    hc.Best = best;
    std::string block;
    std::size_t bytes = 0;
    std::size_t result = 0;
    for (auto _ : state) {
        bytes = result = 0;
        for (const std::string& page : pages) {
            state.PauseTiming();
            block.assign(page);
            hc.LoadFromBytes(std::move(block));
            state.ResumeTiming();
            hc.Compress();
            state.PauseTiming();
            bytes += page.size();
            result += hc.ResultLength();
            block = hc.TakeText();
            state.ResumeTiming();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    state.counters["ratio"] = static_cast<double>(result) / static_cast<double>(bytes);
    state.counters["pages"] = static_cast<double>(pages.size());
}

void BM_Adversarial(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const std::size_t size = static_cast<std::size_t>(state.range(1)) << 20;
    const std::string input = Adversarial(kind, size);
    state.SetLabel(kAdversarialNames[kind]);
    Compress(state, input, state.range(2) != 0);
}

} // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
// Medians of repetitions: a shared machine's noise easily moves a single timing by 15%.
BENCHMARK(BM_RealisticCRLF)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RealisticLF)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RealisticCRLFBest)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RealisticLFBest)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
// The third number: 1 for --best.
BENCHMARK(BM_Adversarial)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {1, 4, 16, 64}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    if (const char* folder = std::getenv("CORVANE_BENCH_PAGES")) {
        const std::vector<std::string> asIs = LoadPages(folder, false);
        const std::vector<std::string> crlf = LoadPages(folder, true);
        for (auto* bench : {benchmark::RegisterBenchmark("BM_PageSetAsIs", PageSet, asIs, false),
                            benchmark::RegisterBenchmark("BM_PageSetCRLF", PageSet, crlf, false),
                            benchmark::RegisterBenchmark("BM_PageSetAsIsBest", PageSet, asIs, true),
                            benchmark::RegisterBenchmark("BM_PageSetCRLFBest", PageSet, crlf, true)})
            bench->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
