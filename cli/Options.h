#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The options of one subcommand, parsed the same way for every command.
//
// To be used as follows: construct Options from the arguments after the
// command's name and the options it knows, then read what it needs with
// Required, Optional, Integer and Flag, and the operands (arguments that are
// not options) with Operands. Every problem throws UsageError, whose text is
// the one-line message; main turns it into "error: ..." and exit status 2.
// `--help` is answered by main before a command runs.

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OptionSpec {
    std::string_view name;  // with its dashes: "--plays"
    bool takesValue = true;
};

class Options {
public:
    // Accepts "--name VALUE" and "--name=VALUE"; "--" ends the options.
    // Refuses an unknown option, an option given twice, and an option whose
    // value is missing or would be the next option ("--plays --out a.sim";
    // write --name=--value for a value that starts with "--").
    Options(std::string_view command, const std::vector<std::string>& args,
            std::initializer_list<OptionSpec> known);

    bool Has(std::string_view name) const;
    std::optional<std::string> Optional(std::string_view name) const;
    // Throws "missing option --name" when absent.
    std::string Required(std::string_view name) const;
    // True when the flag was given.
    bool Flag(std::string_view name) const { return Has(name); }

    // The value as a whole number from `min` to `max`, read as ReadWholeNumber
    // (sim/WholeNumber.h) reads it. The message tells a text that is no
    // number from one out of range.
    std::int64_t Integer(std::string_view name, std::int64_t min, std::int64_t max) const;
    std::optional<std::int64_t> OptionalInteger(std::string_view name, std::int64_t min,
                                                std::int64_t max) const;

    const std::vector<std::string>& Operands() const noexcept { return operands; }

private:
    struct Given {
        std::string name;
        std::string value;
    };
    const Given* Find(std::string_view name) const;

    std::vector<Given> given;
    std::vector<std::string> operands;
};

// True when the arguments ask for help: "--help" or "-h" before any "--".
bool WantsHelp(const std::vector<std::string>& args);
