#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "bench/MillionPlays.h"
#include "export/Export.h"
#include "sim/SimFile.h"

namespace {

// What `export FILE --what plays --format csv|json` does: read the file,
// analyse, write the play list (to /dev/null).
void BM_ExportPlays(benchmark::State& state, ExportFormat format)
{
    char path[] = "/tmp/mirvosim-export-bench-XXXXXX";
    const int fileFd = ::mkstemp(path);
    const int sinkFd = ::open("/dev/null", O_WRONLY);
    if (fileFd < 0 || sinkFd < 0) {
        state.SkipWithError("cannot create the input or open /dev/null");
        return;
    }
    ::close(fileFd);
    const PlaySeries& played = MillionPlays();
    if (!WriteSimFile(path, 6, MILLION_PLAYS, played).Ok()) {
        state.SkipWithError("cannot write the input");
        return;
    }
    ExportOptions options;
    options.what = ExportWhat::Plays;
    options.format = format;
    const ExportSink sink = [sinkFd](std::string_view bytes) {
        return WriteAllBytes(sinkFd, bytes.data(), bytes.size());
    };
    for (auto _ : state) {
        PlaySeries series;
        benchmark::DoNotOptimize(ReadSimFile(path, series).Ok());
        const AnalysisOutcome outcome = AnalyzeSeries(series);
        benchmark::DoNotOptimize(WriteExport(series, outcome.analysis, options, sink));
    }
    ::close(sinkFd);
    ::unlink(path);
    state.counters["rows"] = static_cast<double>(played.Size());
}
BENCHMARK_CAPTURE(BM_ExportPlays, csv, ExportFormat::Csv)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExportPlays, json, ExportFormat::Json)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
