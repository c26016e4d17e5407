#include <cstdio>
#include <string>

#include "cli/Usage.h"
#include "sim/MessageText.h"

std::string UsageLine(const CommandHelp& help)
{
    return std::string("usage: mirvosim-cli ") + help.name + " " + help.synopsis;
}

int Fail(int status, const std::string& message)
{
    std::fprintf(stderr, "error: %s\n", OneLine(message).c_str());
    return status;
}

std::string OutOfMemoryMessage(const std::string& path)
{
    return "not enough memory for '" + path + "'";
}
