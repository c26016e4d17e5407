#include <benchmark/benchmark.h>

#include <cstdio>

#include "analysis/NumberFormat.h"
#include "analysis/Report.h"
#include "analysis/ResultAnalysis.h"
#include "bench/MillionPlays.h"

namespace {

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

// What `report` and `charts` do after reading the file: analyse, then write the text.
template <bool (*Write)(std::FILE*, const PlaySeries&, const ResultAnalysis&)>
void BM_Listing(benchmark::State& state)
{
    const PlaySeries& series = MillionPlays();
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (!sink) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    for (auto _ : state) {
        const AnalysisOutcome outcome = AnalyzeSeries(series);
        benchmark::DoNotOptimize(Write(sink, series, outcome.analysis));
    }
    std::fclose(sink);
    state.counters["rows"] = static_cast<double>(series.Size());
}
BENCHMARK(BM_Listing<WriteReport>)->Name("BM_Report")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Listing<WriteCharts>)->Name("BM_Charts")->Unit(benchmark::kMillisecond);

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
