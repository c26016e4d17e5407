#include "export/Export.h"

#include <array>
#include <utility>

#include "export/Csv.h"
#include "export/Json.h"

namespace {

constexpr std::array<std::pair<std::string_view, ExportWhat>, 9> WHAT_WORDS{{
    {"plays", ExportWhat::Plays},
    {"bonuses", ExportWhat::Bonuses},
    {"ren", ExportWhat::Ren},
    {"koyaku", ExportWhat::Koyaku},
    {"mode_stay", ExportWhat::ModeStay},
    {"rt_cancel", ExportWhat::RtCancel},
    {"tables", ExportWhat::Tables},
    {"summary", ExportWhat::Summary},
    {"all", ExportWhat::All},
}};

}  // namespace

std::optional<ExportWhat> ParseExportWhat(std::string_view word)
{
    for (const auto& [name, what] : WHAT_WORDS)
        if (name == word) return what;
    return std::nullopt;
}

std::optional<ExportFormat> ParseExportFormat(std::string_view word)
{
    if (word == "csv") return ExportFormat::Csv;
    if (word == "json") return ExportFormat::Json;
    return std::nullopt;
}

std::vector<ExportWhat> CsvParts(ExportWhat what)
{
    if (what != ExportWhat::All) return {what};
    return {ExportWhat::Plays,    ExportWhat::Bonuses,  ExportWhat::Ren,    ExportWhat::Koyaku,
            ExportWhat::ModeStay, ExportWhat::RtCancel, ExportWhat::Summary};
}

std::string CsvFileName(ExportWhat table)
{
    for (const auto& [name, what] : WHAT_WORDS)
        if (what == table) return std::string(name) + ".csv";
    return "export.csv";
}

bool WriteExport(const PlaySeries& series, const ResultAnalysis& analysis, const ExportOptions& options,
                 const ExportSink& sink)
{
    if (options.format == ExportFormat::Json) return WriteJson(options.what, series, analysis, sink);
    return WriteCsv(options.what, series, analysis, options, sink);
}
