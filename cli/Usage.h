#pragma once

#include <string>

// What `mirvosim-cli --help` and `mirvosim-cli NAME --help` print of a command.
struct CommandHelp {
    const char* name;
    const char* synopsis;  // the arguments after the name
    const char* text;      // its paragraph, starting with the name in column 0
};

// "usage: mirvosim-cli NAME SYNOPSIS": the head of the command's help and its
// answer to operands it cannot take.
std::string UsageLine(const CommandHelp& help);

// Writes "error: <message>" on stderr, one line (OneLine), and returns `status`.
int Fail(int status, const std::string& message);

// Errors worded alike by every command that reads a simulation file.
inline constexpr const char* NO_PLAYS_MESSAGE = "no plays in file";
std::string OutOfMemoryMessage(const std::string& path);  // "not enough memory for 'PATH'"
