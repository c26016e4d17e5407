#include <benchmark/benchmark.h>

#include "theory/Theory.h"

namespace {

// All six settings, as the window computes them on first use (target: 20 ms).
void BM_TheoryAllSettings(benchmark::State& state)
{
    for (auto _ : state) {
        auto all = ComputeAllTheory();
        benchmark::DoNotOptimize(all);
    }
}
BENCHMARK(BM_TheoryAllSettings)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
