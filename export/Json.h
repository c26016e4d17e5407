#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export/Export.h"

// Writes one JSON document holding the parts `what` names: Summary, Tables
// (the four), Bonuses, Plays (the rows), a single table, or All of them.
[[nodiscard]] bool WriteJson(ExportWhat what, const PlaySeries& series, const ResultAnalysis& analysis,
                             const ExportSink& sink);
// Appends a JSON string literal with the needed escapes.
void AppendJsonString(std::string_view text, std::string& out);
