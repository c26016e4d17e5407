#include <benchmark/benchmark.h>
#include <cstdlib>

#include "bench/MillionPlays.h"
#include "estimate/SettingEstimate.h"

namespace {

const PlaySeries& EightThousandPlays()
{
    static const PlaySeries series = [] {
        RandomSource random;
        random.Seed(8);
        Slot slot(random);
        PlaySeries played;
        if (!RunSingle(slot, random, 8000, SettingChoice{false, 3}, played)) std::abort();
        return played;
    }();
    return series;
}

// What the window and the command compute after a run: posterior and its path.
void Posterior(benchmark::State& state, const PlaySeries& series, Evidence evidence)
{
    // Theory and tables, once per program.
    if (!EstimateSetting(series.Rows(), evidence, FLAT_PRIOR, true).Ok()) std::abort();
    for (auto _ : state) {
        const SettingEstimate estimate = EstimateSetting(series.Rows(), evidence, FLAT_PRIOR, true);
        benchmark::DoNotOptimize(estimate.posterior);
    }
}

void BM_HallPosteriorMillionPlays(benchmark::State& state)
{
    Posterior(state, MillionPlays(), Evidence::Hall);
}
void BM_HallPosterior8000Plays(benchmark::State& state)
{
    Posterior(state, EightThousandPlays(), Evidence::Hall);
}
void BM_RecordPosteriorMillionPlays(benchmark::State& state)
{
    Posterior(state, MillionPlays(), Evidence::Record);
}

}  // namespace

BENCHMARK(BM_HallPosteriorMillionPlays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HallPosterior8000Plays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordPosteriorMillionPlays)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
