// Throws arbitrary bytes at the simulation-file reader and, when they pass as
// a file, at the analysis and both listings: crafted files must be refused or
// shown, never crash, hang or overflow.
#include <cstddef>
#include <cstdint>

#include "analysis/Report.h"
#include "analysis/ResultAnalysis.h"
#include "sim/PlaySeries.h"
#include "sim/SimFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PlaySeries series;
    const SimReadResult read = ReadSimBytes(data, size, series);
    if (!read.Ok()) return 0;
    const AnalysisOutcome outcome = AnalyzeSeries(series);
    if (outcome.status != AnalysisOutcome::Status::Done) return 0;
    const std::string report = ReportText(series, outcome.analysis);
    const std::string charts = ChartsText(series, outcome.analysis);
    if (report.empty() || charts.empty()) __builtin_trap();
    return 0;
}
