// The convergence chart of the tab 理論値 with a 10,000,000-play run, offscreen
// (target: a repaint within 50 ms):
//   QT_QPA_PLATFORM=offscreen mirvosim-bench-theory-gui
#include <benchmark/benchmark.h>
#include <cstdlib>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QPixmap>

#include "mainform/views/TheoryTab.h"
#include "sim/PlaySeries.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"

namespace {

const PlaySeries& TenMillionPlays()
{
    static const PlaySeries series = [] {
        RandomSource random;
        random.Seed(1);
        Slot slot(random);
        PlaySeries played;
        if (!RunSingle(slot, random, 10'000'000, SettingChoice{false, 6}, played)) std::abort();
        return played;
    }();
    return series;
}

// A repaint of the chart as the window shows it: the view drawn into a
// pixmap of its size.
void BM_ConvergenceRepaint(benchmark::State& state)
{
    QChartView view;
    view.resize(600, 400);
    ConvergenceChart chart(&view, TheoryTab::Theory());
    view.show();
    QApplication::processEvents();
    chart.Show(TenMillionPlays(), 6);
    QApplication::processEvents();
    for (auto _ : state) {
        QPixmap pixmap = view.grab();
        benchmark::DoNotOptimize(pixmap);
    }
}
BENCHMARK(BM_ConvergenceRepaint)->Unit(benchmark::kMillisecond);

// A new run or a new plot width: the per-column minimum and maximum again.
void BM_ConvergenceShow(benchmark::State& state)
{
    QChartView view;
    view.resize(600, 400);
    ConvergenceChart chart(&view, TheoryTab::Theory());
    for (auto _ : state) chart.Show(TenMillionPlays(), 6);
}
BENCHMARK(BM_ConvergenceShow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
