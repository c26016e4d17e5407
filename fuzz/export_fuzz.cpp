// Throws arbitrary bytes, read as a simulation file, at the CSV and JSON
// writers of every table: whatever a file holds, each writer ends and writes
// something, never a crash or an overflow.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/ResultAnalysis.h"
#include "export/Export.h"
#include "sim/PlaySeries.h"
#include "sim/SeriesCheck.h"
#include "sim/SimFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PlaySeries series;
    const SimReadResult read = ReadSimBytes(data, size, series);
    if (!read.Ok()) return 0;
    (void)CheckSeries(read.setting, read.playCount, series);
    const AnalysisOutcome outcome = AnalyzeSeries(series);
    if (outcome.status != AnalysisOutcome::Status::Done) return 0;
    std::size_t written = 0;
    const ExportSink sink = [&written](std::string_view bytes) {
        written += bytes.size();
        return true;
    };
    for (const ExportWhat what : CsvParts(ExportWhat::All)) {
        written = 0;
        const ExportOptions csv{what, ExportFormat::Csv, true, true};
        if (!WriteExport(series, outcome.analysis, csv, sink) || written == 0) __builtin_trap();
    }
    for (const ExportWhat what : {ExportWhat::All, ExportWhat::Plays, ExportWhat::Summary}) {
        written = 0;
        const ExportOptions json{what, ExportFormat::Json, false, true};
        if (!WriteExport(series, outcome.analysis, json, sink) || written == 0) __builtin_trap();
    }
    return 0;
}
