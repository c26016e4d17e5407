#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/core/TestSupport.h"

// What a command line printed and how it ended.
struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// `text` as one shell word.
inline std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs a shell command, its stderr caught in a file of `dir` so that it does
// not mix with stdout.
inline CliResult RunShellCommand(const std::string& command, const TempDir& dir)
{
    const std::string errFile = dir.File("stderr.txt");
    const std::string line = "{ " + command + "; } 2>" + Quote(errFile);
    CliResult result;
    FILE* pipe = ::popen(line.c_str(), "r");
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = ReadBytes(errFile);
    std::filesystem::remove(errFile);
    return result;
}

// Runs a shell command in the folder of `dir`.
inline CliResult RunShellIn(const std::string& command, const TempDir& dir)
{
    return RunShellCommand("cd " + Quote(dir.path.string()) + " && " + command, dir);
}

// Runs the program with `args`, already shell words, in the folder of `dir`.
inline CliResult RunCliIn(const std::string& args, const TempDir& dir)
{
    return RunShellIn(Quote(MIRVOSIM_CLI) + " " + args, dir);
}
