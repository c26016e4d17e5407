#pragma once

#include <string>
#include <vector>

#include "cli/Usage.h"

// `mirvosim-cli charts`: takes the arguments after the name and returns the exit
// status: 0 done, 1 a file or data error, 2 bad arguments. May throw
// UsageError (cli/Options.h) for bad arguments.
int ChartsCommand(const std::vector<std::string>& args);
extern const CommandHelp CHARTS_HELP;
