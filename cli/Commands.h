#pragma once

#include <string>
#include <vector>

// Each command takes the arguments after its name and returns the exit
// status: 0 done, 1 a file or data error, 2 bad arguments.
int RunCommand(const std::vector<std::string>& args);
int ReportCommand(const std::vector<std::string>& args);
int ChartsCommand(const std::vector<std::string>& args);

// Writes "error: <message>" on stderr and returns `status`.
int Fail(int status, const std::string& message);

extern const char* const USAGE;
