#pragma once

#include <string>
#include <vector>

#include "base/Status.h"
#include "batchstats/Statistics.h"

// Reads the inputs of a summary (simulation files and records files) into
// `table`, refusing a simulation that would be counted twice:
// - the same file given twice (under any name);
// - the same (seed, simulation) pair with the same record, wherever met (a
//   repeated line, overlapping shards, a copy of a file). Records that share
//   the pair but differ come from two studies that share a seed (another
//   setting or play count) and are kept.
// Records without a seed (files written before records carried it) repeat
// simulation numbers from study to study, so only the first rule holds for
// them. On failure the message names the file (and both lines) and the table
// is left partly filled: Refused for a simulation counted twice, else as
// ReadStudyFile fails.
Status ReadStudyFiles(const std::vector<std::string>& paths, RecordTable& table);
