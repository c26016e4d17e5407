#include "Commands.h"
#include "FileAnalysis.h"
#include "Report.h"

int ChartsCommand(const std::vector<std::string>& args)
{
    return PrintFileAnalysis("charts", args, WriteCharts);
}
