#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Name of simulation `index` of a batch: the tag "<setting>_<plays>_<index>"
// goes right before the first "." of the file name (the last path component,
// never a folder), or at its end when the file name has no ".".
// Example: "runs/test.sim", 3, 800, 12 gives "runs/test3_800_12.sim".
std::string BatchFileName(const std::string& baseName, int setting, int plays, int index);

// The names of a batch's files as one pattern: "*" for the simulation number,
// and for the setting when each simulation draws its own (no value).
// Example: "runs/test.sim", 3, 800 gives "runs/test3_800_*.sim".
std::string BatchFilePattern(const std::string& baseName, std::optional<int> setting, int plays);

// True when `fileName` (a file name, no folder) is the file name of
// simulation `first`..`last` of a batch: BatchFileName's tag for this
// setting (any of 1..6 when nullopt) and play count, in `baseName`'s file name.
bool IsBatchFileName(std::string_view fileName, const std::string& baseName, std::optional<int> setting,
                     int plays, std::int64_t first, std::int64_t last);
