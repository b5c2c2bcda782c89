#include "widgets/XP_Form.h"
#include "widgets/XP_Unit.h"

#include <QApplication>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

// One full paint of the frame of a 1920 x 1080 window into an image of the window's format. With
// skins cached the stretched borders are kept from the paint before; loaded on every paint, they
// are stretched anew, as on every step of a resize. Target: well under 4 ms.
void BM_FramePaint(benchmark::State& state)
{
    SetSkinCaching(state.range(0) != 0);
    QWidget owner;
    owner.setWindowTitle(QStringLiteral("Corvane XP"));
    auto* frame = new TXP_Form(&owner);
    frame->setBtnHelp(true);
    owner.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    owner.resize(1920, 1080);
    frame->resize(owner.size()); // a hidden owner reports its size only when shown
    if (frame->size() != QSize(1920, 1080))
        state.SkipWithError("the frame did not take the window's size");
    QImage canvas(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&canvas);
        frame->Paint(painter);
        painter.end();
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.SetLabel(state.range(0) ? "skins cached" : "skins loaded on every paint");
    SetSkinCaching(true);
}
BENCHMARK(BM_FramePaint)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
