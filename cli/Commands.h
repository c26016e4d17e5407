#pragma once

#include <string>
#include <vector>

// Each command takes the arguments after its name and returns the exit
// status: 0 done, 1 a file or data error, 2 bad arguments. A command may throw
// UsageError (Options.h) for bad arguments.
int RunCommand(const std::vector<std::string>& args);
int ReportCommand(const std::vector<std::string>& args);
int ChartsCommand(const std::vector<std::string>& args);
int TheoryCommand(const std::vector<std::string>& args);
int CompareCommand(const std::vector<std::string>& args);
int EstimateCommand(const std::vector<std::string>& args);
int ExportCommand(const std::vector<std::string>& args);
int SummaryCommand(const std::vector<std::string>& args);

// What `mirvosim-cli --help` and `mirvosim-cli NAME --help` print of a command.
struct CommandHelp {
    const char* name;
    const char* synopsis;  // the arguments after the name
    const char* text;      // its paragraph, starting with the name in column 0
};
extern const CommandHelp RUN_HELP;
extern const CommandHelp REPORT_HELP;
extern const CommandHelp CHARTS_HELP;
extern const CommandHelp THEORY_HELP;
extern const CommandHelp COMPARE_HELP;
extern const CommandHelp ESTIMATE_HELP;
extern const CommandHelp EXPORT_HELP;
extern const CommandHelp SUMMARY_HELP;

// Writes "error: <message>" on stderr and returns `status`.
int Fail(int status, const std::string& message);
