#include "cli/ReportCommand.h"

#include "analysis/Report.h"
#include "cli/FileAnalysis.h"

const CommandHelp REPORT_HELP = {
    "report", "FILE",
    "report   prints the analysis of a simulation file as UTF-8 text: the play\n"
    "         list, the bonus list, the four rate tables and the summary, each\n"
    "         section a caption in [brackets], a header row and TAB-separated rows.\n"};

int ReportCommand(const std::vector<std::string>& args)
{
    return PrintFileAnalysis(REPORT_HELP, args, WriteReport);
}
