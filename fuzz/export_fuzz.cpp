// Throws arbitrary bytes, read as a simulation file, at the CSV and JSON
// writers of the tables: whatever a file holds, each writer ends and writes
// something, never a crash or an overflow.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
    // One table a format per input, picked by its length (which mutations
    // keep changing): a whole export each time would make the runs few.
    const std::vector<ExportWhat> parts = CsvParts(ExportWhat::All);
    const ExportWhat table = parts[size % parts.size()];
    const ExportOptions csv{table, ExportFormat::Csv, size % 2 == 0, size % 3 != 0};
    if (!WriteExport(series, outcome.analysis, csv, sink) || written == 0) __builtin_trap();
    written = 0;
    const ExportOptions json{size % 5 == 0 ? ExportWhat::All : table, ExportFormat::Json, false, true};
    if (!WriteExport(series, outcome.analysis, json, sink) || written == 0) __builtin_trap();
    return 0;
}
