#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Whether two names lead to one file, so that a command can refuse to write
// over its own input or to write two of its outputs into one file.
//
// Names that exist are one file when they have the same device and inode
// (links followed). A name that does not exist yet is never an existing
// file; two such names are one file when they are spelled to the same path
// once the links and folders on their way are resolved. A character device
// (/dev/null, a terminal) holds nothing to overwrite and is never "one file".
bool IsSameFile(const std::string& a, const std::string& b);

// True when `path` is, or will be, one of a batch's files: the names
// BatchFileName gives `baseName` for this setting (any of 1..6 when nullopt),
// this play count and simulations `first` to `last`.
bool IsBatchFile(const std::string& path, const std::string& baseName, std::optional<int> setting, int plays,
                 std::int64_t first, std::int64_t last);
