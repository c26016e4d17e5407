#include "cli/Options.h"

#include <algorithm>

#include "sim/WholeNumber.h"

Options::Options(std::string_view command, const std::vector<std::string>& args,
                 std::initializer_list<OptionSpec> known)
{
    const std::string hint = " (see mirvosim-cli " + std::string(command) + " --help)";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            operands.insert(operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        const auto eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const auto spec = std::find_if(known.begin(), known.end(),
                                       [&](const OptionSpec& option) { return option.name == name; });
        if (spec == known.end()) throw UsageError("unknown option '" + arg + "'" + hint);
        if (Find(name) != nullptr) throw UsageError(name + " is given more than once");

        std::string value;
        if (!spec->takesValue) {
            if (eq != std::string::npos) throw UsageError(name + " takes no value");
        } else if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
            value = args[++i];
        } else {
            throw UsageError(name + " needs a value");
        }
        given.push_back({name, std::move(value)});
    }
}

const Options::Given* Options::Find(std::string_view name) const
{
    for (const Given& option : given)
        if (option.name == name) return &option;
    return nullptr;
}

bool Options::Has(std::string_view name) const
{
    return Find(name) != nullptr;
}

std::optional<std::string> Options::Optional(std::string_view name) const
{
    const Given* option = Find(name);
    if (option == nullptr) return std::nullopt;
    return option->value;
}

std::string Options::Required(std::string_view name) const
{
    const Given* option = Find(name);
    if (option == nullptr) throw UsageError("missing option " + std::string(name));
    return option->value;
}

std::int64_t Options::Integer(std::string_view name, std::int64_t min, std::int64_t max) const
{
    const std::string text = Required(name);
    const WholeNumberRead read = ReadWholeNumber(text);
    if (read.status == WholeNumberRead::Status::NotANumber)
        throw UsageError(std::string(name) + " must be a whole number, not '" + text + "'");
    if (!read.Ok() || read.value < min || read.value > max)
        throw UsageError(std::string(name) + " must be from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not '" + text + "'");
    return read.value;
}

std::optional<std::int64_t> Options::OptionalInteger(std::string_view name, std::int64_t min,
                                                     std::int64_t max) const
{
    if (!Has(name)) return std::nullopt;
    return Integer(name, min, max);
}

bool WantsHelp(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == "--help" || arg == "-h") return true;
    }
    return false;
}
