#include <cstdio>
#include <string>

#include "cli/Usage.h"

int Fail(int status, const std::string& message)
{
    std::fprintf(stderr, "error: %s\n", message.c_str());
    return status;
}
