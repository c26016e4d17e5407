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

// `analysis` must be the analysis of `series`, which has at least one row.

// Writes one table (not All) as CSV. False when the sink refused a piece;
// what was handed over before stays with the sink.
[[nodiscard]] bool WriteCsv(ExportWhat table, const PlaySeries& series, const ResultAnalysis& analysis,
                            const ExportOptions& options, const ExportSink& sink);

// Writes one JSON document holding the parts `what` names: Summary, Tables
// (the four), Bonuses, Plays (the rows), a single table, or All of them.
[[nodiscard]] bool WriteJson(ExportWhat what, const PlaySeries& series, const ResultAnalysis& analysis,
                             const ExportSink& sink);

// Dispatches on options.format; for CSV `options.what` must be a single table.
[[nodiscard]] bool WriteExport(const PlaySeries& series, const ResultAnalysis& analysis,
                               const ExportOptions& options, const ExportSink& sink);

// Writes the export to `path` through the atomic write of the simulation
// files (a temporary file renamed over the target; a failure leaves the
// target as it was). Returns the error message, empty on success.
[[nodiscard]] std::string ExportToFile(const std::string& path, const PlaySeries& series,
                                       const ResultAnalysis& analysis, const ExportOptions& options);
// A CSV export of several tables (All): one file per table, named by
// CsvFileName, into `folder` (created when missing). Stops at the first
// error; the names written go to `written`.
[[nodiscard]] std::string ExportToFolder(const std::string& folder, const PlaySeries& series,
                                         const ResultAnalysis& analysis, ExportOptions options,
                                         std::vector<std::string>* written = nullptr);

// Appends a CSV field, quoted when it holds a comma, quote, CR or LF.
void AppendCsvField(std::string_view text, std::string& out);
// Appends a JSON string literal with the needed escapes.
void AppendJsonString(std::string_view text, std::string& out);
