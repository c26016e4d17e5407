#include <cstdio>
#include <string>
#include <vector>

#include "Version.h"
#include "cli/ChartsCommand.h"
#include "cli/CompareCommand.h"
#include "cli/EstimateCommand.h"
#include "cli/ExportCommand.h"
#include "cli/Options.h"
#include "cli/ReportCommand.h"
#include "cli/RunCommand.h"
#include "cli/SummaryCommand.h"
#include "cli/TheoryCommand.h"
#include "sim/AtomicFile.h"

namespace {

struct Command {
    const CommandHelp& help;
    int (*run)(const std::vector<std::string>& args);
};

const Command COMMANDS[] = {
    {RUN_HELP, RunCommand},       {REPORT_HELP, ReportCommand},   {CHARTS_HELP, ChartsCommand},
    {THEORY_HELP, TheoryCommand}, {COMPARE_HELP, CompareCommand}, {ESTIMATE_HELP, EstimateCommand},
    {EXPORT_HELP, ExportCommand}, {SUMMARY_HELP, SummaryCommand},
};

const char* const EXIT_STATUS_TEXT =
    "Exit status: 0 done; 1 a file could not be read or written, or holds no\n"
    "plays; 2 bad arguments (nothing is written). Errors are one line\n"
    "'error: ...' on stderr.\n";

std::string Usage()
{
    std::string text;
    for (const Command& command : COMMANDS)
        text += std::string(text.empty() ? "usage: " : "       ") + "mirvosim-cli " + command.help.name +
                " " + command.help.synopsis + "\n";
    text += "       mirvosim-cli --help\n       mirvosim-cli COMMAND --help\n       mirvosim-cli --version\n";
    for (const Command& command : COMMANDS) text += std::string("\n") + command.help.text;
    return text + "\n" + EXIT_STATUS_TEXT;
}

std::string CommandUsage(const CommandHelp& help)
{
    return UsageLine(help) + "\n\n" + help.text + "\n" + EXIT_STATUS_TEXT;
}

}  // namespace

int main(int argc, char** argv)
{
    InstallWriteSignalHandlers();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(Usage().c_str(), stderr);
        return 2;
    }
    const std::string name = args.front();
    args.erase(args.begin());
    if (name == "--help" || name == "-h" || name == "help") {
        std::fputs(Usage().c_str(), stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    if (name == "--version") {
        if (!args.empty()) return Fail(2, "--version takes no arguments, not '" + args.front() + "'");
        std::printf("mirvosim-cli %s\n", MIRVOSIM_VERSION);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    for (const Command& command : COMMANDS) {
        if (name != command.help.name) continue;
        if (WantsHelp(args)) {
            std::fputs(CommandUsage(command.help).c_str(), stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
        try {
            return command.run(args);
        } catch (const UsageError& error) {
            return Fail(2, error.what());
        }
    }
    return Fail(2, "unknown command '" + name + "' (see mirvosim-cli --help)");
}
