#include "Commands.h"
#include "FileAnalysis.h"
#include "Report.h"

int ReportCommand(const std::vector<std::string>& args)
{
    return PrintFileAnalysis("report", args, WriteReport);
}
