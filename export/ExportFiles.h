#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/Status.h"
#include "export/Export.h"

// Writes the export to `path` through the atomic write of the simulation
// files (a temporary file renamed over the target; a failure leaves the
// target as it was).
Status ExportToFile(const std::string& path, const PlaySeries& series, const ResultAnalysis& analysis,
                    const ExportOptions& options);
// Where ExportToFolder writes `table` in `folder`.
std::string CsvFilePath(const std::string& folder, ExportWhat table);
// A CSV export of several tables (All): one file per table, named by
// CsvFileName, into `folder` (created when missing, and removed again when
// the export fails before its first file). Stops at the first error; the
// names written go to `written`.
Status ExportToFolder(const std::string& folder, const PlaySeries& series, const ResultAnalysis& analysis,
                      ExportOptions options, std::vector<std::string>* written = nullptr);
