#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "PlaySeries.h"
#include "ResultAnalysis.h"

using AnalysisWriter = bool (*)(std::FILE* out, const PlaySeries& series, const ResultAnalysis& analysis);

// The body of `report` and `charts`: takes one FILE argument, reads and
// analyses the file, and has `write` print the result on stdout. Returns the
// exit status; errors are printed on stderr.
int PrintFileAnalysis(const char* command, const std::vector<std::string>& args, AnalysisWriter write);
