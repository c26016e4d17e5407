#include "analysis/Report.h"
#include "cli/Commands.h"
#include "cli/FileAnalysis.h"

int ReportCommand(const std::vector<std::string>& args)
{
    return PrintFileAnalysis("report", args, WriteReport);
}
