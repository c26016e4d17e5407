#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "batchstats/SimRecord.h"

// One line of a records file <-> one record. CSV lines follow a header line;
// JSON lines are one object each. Every line, the last too, ends with "\n".

enum class RecordsFormat { Csv, JsonLines };

// Records are about a kilobyte a line; anything far longer is not one.
inline constexpr std::size_t MAX_LINE_BYTES = 64 * 1024;

// The CSV header line (without its line end); records carry the study's seed
// beside the simulation number. Files written before that have the header
// without the seed column, and still read.
std::string RecordsCsvHeader();
std::string UnseededCsvHeader();
// One record as a line of the given format, with its "\n".
std::string RecordLine(const SimRecord& record, RecordsFormat format);
// The same, appended to `out`.
void AppendRecordLine(std::string& out, const SimRecord& record, RecordsFormat format);

// One record line (not the header; without its "\n") into `record`. Anything
// but the exact layout (field count, whole numbers within range, consistent
// balances) is refused with the reason. `seeded`: the CSV header has the seed
// column (JSON lines tell per line).
[[nodiscard]] bool ParseRecordLine(std::string_view line, RecordsFormat format, bool seeded,
                                   SimRecord& record, std::string& reason);
