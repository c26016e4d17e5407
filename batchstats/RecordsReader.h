#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/Status.h"
#include "batchstats/Statistics.h"

// Readers of records files tell CSV from JSON lines by content.

// Parses the whole text of a records file and appends its records to `table`.
// Anything but the exact layout (header, field count, whole numbers within
// range, consistent balances) is refused (NotValid) with the line number and
// the reason, and then nothing is appended. `name` only goes into messages.
Status ParseRecordsText(std::string_view text, const std::string& name, RecordTable& table);

// Reads one input of a summary: a simulation file (one record) or a records
// file (all of them), told apart by content, and tells the line number of the
// first record (0 for a simulation file), so that a record can be named by
// its line. On failure nothing is appended and the message names the file
// and the reason: CannotOpen, ReadFailed, NotValid, or TooLarge when memory
// runs out.
Result<std::size_t> ReadStudyFile(const std::string& path, RecordTable& table);
