#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export/Export.h"

// Writes one table (not All) as CSV. False when the sink refused a piece;
// what was handed over before stays with the sink.
[[nodiscard]] bool WriteCsv(ExportWhat table, const PlaySeries& series, const ResultAnalysis& analysis,
                            const ExportOptions& options, const ExportSink& sink);
// Appends a CSV field, quoted when it holds a comma, quote, CR or LF.
void AppendCsvField(std::string_view text, std::string& out);
