#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "bench/MillionPlays.h"
#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"

namespace {

void BM_SlotPlay(benchmark::State& state)
{
    RandomSource random;
    random.Seed(1);
    Slot slot(random);
    slot.SetSetting(static_cast<int>(state.range(0)));
    slot.Reset();
    for (auto _ : state) {
        slot.Play();
        benchmark::DoNotOptimize(slot.medals);
    }
    state.counters["plays/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SlotPlay)->Arg(1)->Arg(6);

void BM_SingleRunMillion(benchmark::State& state)
{
    RandomSource random;
    random.Seed(2);
    Slot slot(random);
    PlaySeries series;
    for (auto _ : state) {
        state.PauseTiming();
        PlaySeries fresh;  // a new run allocates its series afresh, as after a program start
        series = std::move(fresh);
        state.ResumeTiming();
        if (!RunSingle(slot, random, MILLION_PLAYS, {false, 1}, series)) std::abort();
        benchmark::DoNotOptimize(series.Size());
    }
    state.counters["rows"] = static_cast<double>(series.Size());
}
BENCHMARK(BM_SingleRunMillion)->Unit(benchmark::kMillisecond);

std::string BenchFile()
{
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp ? tmp : "/tmp") + "/mirvosim-bench-" + std::to_string(::getpid()) + ".sim";
}

// Argument 1: flushed to the disk (the default); 0: as with --no-sync.
void BM_WriteFileMillion(benchmark::State& state)
{
    const PlaySeries& series = MillionPlays();
    const std::string file = BenchFile();
    const WriteOptions write{state.range(0) != 0};
    for (auto _ : state) {
        // Replacing a file makes some file systems flush it first; measure the write.
        state.PauseTiming();
        ::unlink(file.c_str());
        state.ResumeTiming();
        const WriteResult result = WriteSimFile(file, 1, MILLION_PLAYS, series, write);
        if (!result.Ok()) state.SkipWithError(result.Message().c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(12 + 44 * series.Size()));
    ::unlink(file.c_str());
}
BENCHMARK(BM_WriteFileMillion)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// A batch's writes: 1,000 files of an 8,000-play run, replaced in turn.
void BM_WriteBatchFiles(benchmark::State& state)
{
    RandomSource random;
    random.Seed(3);
    Slot slot(random);
    PlaySeries series;
    if (!RunSingle(slot, random, 8000, {false, 1}, series)) std::abort();
    const std::string base = BenchFile();
    const WriteOptions write{state.range(0) != 0};
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            const WriteResult result = WriteSimFile(base + std::to_string(i), 1, 8000, series, write);
            if (!result.Ok()) state.SkipWithError(result.Message().c_str());
        }
    }
    for (int i = 0; i < 1000; ++i) ::unlink((base + std::to_string(i)).c_str());
}
BENCHMARK(BM_WriteBatchFiles)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_ReadFileMillion(benchmark::State& state)
{
    const PlaySeries& series = MillionPlays();
    const std::string file = BenchFile();
    if (!WriteSimFile(file, 1, MILLION_PLAYS, series).Ok()) std::abort();
    PlaySeries back;
    for (auto _ : state) {
        const SimReadResult result = ReadSimFile(file, back);
        if (!result.Ok()) state.SkipWithError(result.message.c_str());
        benchmark::DoNotOptimize(back.Size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(12 + 44 * series.Size()));
    ::unlink(file.c_str());
}
BENCHMARK(BM_ReadFileMillion)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
