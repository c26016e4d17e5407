#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/ResultAnalysis.h"
#include "cli/Usage.h"
#include "sim/PlaySeries.h"

using AnalysisWriter = bool (*)(std::FILE* out, const PlaySeries& series, const ResultAnalysis& analysis);

// Whether a reader refuses a file whose series the machine cannot play
// (SeriesCheck), or shows whatever it holds.
enum class SeriesChecking { Show, Refuse };

// Reads and analyses a simulation file. Returns 0, or the exit status after
// printing the error; may throw std::bad_alloc or std::length_error.
int LoadFileAnalysis(const std::string& path, PlaySeries& series, AnalysisOutcome& outcome,
                     SeriesChecking checking = SeriesChecking::Show);

// The body of `report` and `charts`: takes one FILE argument, reads and
// analyses the file, and has `write` print the result on stdout. Returns the
// exit status; errors are printed on stderr.
int PrintFileAnalysis(const CommandHelp& help, const std::vector<std::string>& args, AnalysisWriter write);
