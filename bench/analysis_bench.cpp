#include <benchmark/benchmark.h>

#include <cstdio>

#include "NumberFormat.h"
#include "RandomSource.h"
#include "Report.h"
#include "ResultAnalysis.h"
#include "SingleRun.h"
#include "Slot.h"

namespace {

// One 1,000,000-play run (about 1.3 million rows), played once for all benchmarks.
const PlaySeries& MillionPlays()
{
    static const PlaySeries series = [] {
        RandomSource random;
        random.Seed(1);
        Slot slot(random);
        PlaySeries played;
        RunSingle(slot, random, 1'000'000, SettingChoice{false, 6}, played);
        return played;
    }();
    return series;
}

void BM_AnalyzeSeries(benchmark::State& state)
{
    const PlaySeries& series = MillionPlays();
    std::size_t bytes = 0;
    for (auto _ : state) {
        AnalysisOutcome outcome = AnalyzeSeries(series, [](int) { return true; });
        bytes = outcome.analysis.MemoryBytes();
        benchmark::DoNotOptimize(outcome);
    }
    state.counters["rows"] = static_cast<double>(series.Size());
    state.counters["bytes_per_row"] = static_cast<double>(bytes) / static_cast<double>(series.Size());
}
BENCHMARK(BM_AnalyzeSeries)->Unit(benchmark::kMillisecond);

// What `report` does after reading the file: analyse, then write the text.
void BM_Report(benchmark::State& state)
{
    const PlaySeries& series = MillionPlays();
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (!sink) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    for (auto _ : state) {
        const AnalysisOutcome outcome = AnalyzeSeries(series);
        benchmark::DoNotOptimize(WriteReport(sink, series, outcome.analysis));
    }
    std::fclose(sink);
    state.counters["rows"] = static_cast<double>(series.Size());
}
BENCHMARK(BM_Report)->Unit(benchmark::kMillisecond);

void BM_Charts(benchmark::State& state)
{
    const PlaySeries& series = MillionPlays();
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (!sink) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    for (auto _ : state) {
        const AnalysisOutcome outcome = AnalyzeSeries(series);
        benchmark::DoNotOptimize(WriteCharts(sink, series, outcome.analysis));
    }
    std::fclose(sink);
}
BENCHMARK(BM_Charts)->Unit(benchmark::kMillisecond);

void BM_FormatGeneral(benchmark::State& state)
{
    double value = 2000.0 / 257.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatGeneral(value));
        value += 1e-9;
    }
}
BENCHMARK(BM_FormatGeneral);

}  // namespace
BENCHMARK_MAIN();
