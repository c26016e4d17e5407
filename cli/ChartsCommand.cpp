#include "analysis/Report.h"
#include "cli/Commands.h"
#include "cli/FileAnalysis.h"

int ChartsCommand(const std::vector<std::string>& args)
{
    return PrintFileAnalysis("charts", args, WriteCharts);
}
