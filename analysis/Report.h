#pragma once

#include <cstdio>
#include <string>

#include "analysis/ResultAnalysis.h"
#include "sim/PlaySeries.h"

// The analysis as UTF-8 text, each line ending with LF: sections of a caption
// in [brackets] and TAB-joined rows, one empty line between sections.
// `analysis` must be the analysis of `series`.

// The play list, bonus list, four rate tables and the summary.
std::string ReportText(const PlaySeries& series, const ResultAnalysis& analysis);
// The play axis, every point of the slump graph and bar chart, every pie slice.
std::string ChartsText(const PlaySeries& series, const ResultAnalysis& analysis);

// The same texts written to `out` in chunks, so a long play list is never
// held whole. Returns false when a write fails (errno tells why); the text
// may then be cut anywhere.
[[nodiscard]] bool WriteReport(std::FILE* out, const PlaySeries& series, const ResultAnalysis& analysis);
[[nodiscard]] bool WriteCharts(std::FILE* out, const PlaySeries& series, const ResultAnalysis& analysis);
