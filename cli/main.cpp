#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (command == "run") return RunCommand(args);
    if (command == "report") return ReportCommand(args);
    if (command == "charts") return ChartsCommand(args);
    return Fail(2, "unknown command '" + command + "' (see mirvosim-cli --help)");
}
