#pragma once

#include <string>

// What `mirvosim-cli --help` and `mirvosim-cli NAME --help` print of a command.
struct CommandHelp {
    const char* name;
    const char* synopsis;  // the arguments after the name
    const char* text;      // its paragraph, starting with the name in column 0
};

// Writes "error: <message>" on stderr and returns `status`.
int Fail(int status, const std::string& message);
