#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ResultAnalysis.h"
#include "sim/PlaySeries.h"

// The analysis of a run as CSV or JSON for spreadsheets and scripts. Every
// shown text is the one the window and `report` show; the writers only add
// the raw record fields and the numbers behind the texts.
//
// Output goes to a sink in pieces of about a megabyte, so a long play list is
// never held whole.

// Takes the next piece of output; false stops the writer (errno tells why).
using ExportSink = std::function<bool(std::string_view bytes)>;

enum class ExportFormat { Csv, Json };

// What to write. Csv takes one table at a time; Tables is the four rate tables
// in one CSV with the tab's caption in a first column.
enum class ExportWhat { Plays, Bonuses, Ren, Koyaku, ModeStay, RtCancel, Tables, Summary, All };

struct ExportOptions {
    ExportWhat what = ExportWhat::All;
    ExportFormat format = ExportFormat::Csv;
    bool bom = false;  // CSV only: UTF-8 byte-order mark first (Excel)
    bool crlf = true;  // CSV only: CRLF line ends as RFC 4180 asks, else LF
};

// Parses a --what or --format word ("plays", "ren", "json", ...).
std::optional<ExportWhat> ParseExportWhat(std::string_view word);
std::optional<ExportFormat> ParseExportFormat(std::string_view word);

// The tables a CSV export of `what` consists of, one file each: itself, or
// for All every single table.
std::vector<ExportWhat> CsvParts(ExportWhat what);
// File name of a single table in a folder export ("plays.csv", ...).
std::string CsvFileName(ExportWhat table);

// Identifiers of the raw record fields, in the play-list CSV's column order.
extern const std::array<std::string_view, PlayRow::FIELD_COUNT> RAW_FIELD_NAMES;  // "play" .. "chain_trigger"
// PlayRow field index of each raw play-list column, in RAW_FIELD_NAMES order.
constexpr std::array<int, PlayRow::FIELD_COUNT> RAW_FIELD_INDEX{2, 0, 6, 3, 1, 4, 5, 7, 8, 9, 10};

// The writers (export/Csv.h, export/Json.h, export/ExportFiles.h) take the
// analysis of `series`, which has at least one row.

// Dispatches on options.format; for CSV `options.what` must be a single table.
[[nodiscard]] bool WriteExport(const PlaySeries& series, const ResultAnalysis& analysis,
                               const ExportOptions& options, const ExportSink& sink);
