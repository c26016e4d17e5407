#include "cli/ChartsCommand.h"

#include "analysis/Report.h"
#include "cli/FileAnalysis.h"

const CommandHelp CHARTS_HELP = {
    "charts", "FILE",
    "charts   prints the chart data of a simulation file: the play axis, the\n"
    "         slump, mode, marker and bonus-bar points (x, y, r,g,b) and the pie\n"
    "         slices (x, y, label, r,g,b).\n"};

int ChartsCommand(const std::vector<std::string>& args)
{
    return PrintFileAnalysis(CHARTS_HELP, args, WriteCharts);
}
