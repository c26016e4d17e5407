#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "Commands.h"
#include "RandomSource.h"
#include "SimFile.h"
#include "SingleRun.h"
#include "Slot.h"
#include "WholeNumber.h"

namespace {

struct RunOptions {
    SettingChoice setting;
    int plays = 0;
    int sims = 1;
    std::optional<std::uint32_t> seed;
    std::string out;
};

std::optional<std::uint32_t> ParseSeed(const std::string& text)
{
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// Parses the options; on a problem returns its description.
std::optional<std::string> ParseOptions(const std::vector<std::string>& args, RunOptions& options)
{
    std::map<std::string, std::string> values;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (name != "--setting" && name != "--plays" && name != "--sims" && name != "--seed" && name != "--out")
            return "unknown option '" + args[i] + "' (see mirvosim-cli --help)";
        if (!hasValue) {
            if (i + 1 >= args.size()) return "missing value for " + name;
            value = args[++i];
        }
        values[name] = value;
    }

    for (const char* required : {"--setting", "--plays", "--out"})
        if (!values.count(required)) return std::string("missing option ") + required;

    const auto setting = ParseSettingText(values["--setting"]);
    if (!setting || (!setting->hidden && !IsValidSetting(setting->value)))
        return "--setting must be 1 to 6 or ?, not '" + values["--setting"] + "'";
    options.setting = *setting;

    const auto plays = ParseWholeNumber(values["--plays"]);
    if (!plays) return "--plays must be a whole number, not '" + values["--plays"] + "'";
    if (*plays < 1) return "--plays must be at least 1";
    options.plays = *plays;

    if (values.count("--sims")) {
        const auto sims = ParseWholeNumber(values["--sims"]);
        if (!sims) return "--sims must be a whole number, not '" + values["--sims"] + "'";
        if (*sims < 1) return "--sims must be at least 1";
        options.sims = *sims;
    }
    if (values.count("--seed")) {
        options.seed = ParseSeed(values["--seed"]);
        if (!options.seed) return "--seed must be a whole number from 0 to 4294967295, not '" + values["--seed"] + "'";
    }
    options.out = values["--out"];
    if (options.out.empty()) return "--out must name a file";
    return std::nullopt;
}

}  // namespace

int RunCommand(const std::vector<std::string>& args)
{
    RunOptions options;
    if (const auto problem = ParseOptions(args, options)) return Fail(2, *problem);

    const std::int64_t maxPlays = MaxPlaysForMemory();
    if (maxPlays > 0 && options.plays > maxPlays)
        return Fail(2, "--plays " + std::to_string(options.plays) + " needs more memory than this machine has (at most " +
                           std::to_string(maxPlays) + ")");

    const std::uint32_t seed = options.seed ? *options.seed : static_cast<std::uint32_t>(std::time(nullptr));
    if (!options.seed) std::fprintf(stderr, "seed: %u\n", seed);

    RandomSource random;
    random.Seed(seed);
    Slot slot(random);
    PlaySeries series;

    try {
        if (options.sims == 1) {
            RunSingle(slot, random, options.plays, options.setting, series);
            const SimWriteResult written = WriteSimFile(options.out, slot.GetSetting(), slot.playCount, series);
            if (!written.Ok()) return Fail(1, written.message);
            std::printf("%s\n", options.out.c_str());
            return 0;
        }

        const bool showProgress = ::isatty(STDERR_FILENO) != 0;
        int shownPercent = -1;
        const BatchResult result =
            RunBatch(slot, random, options.plays, options.setting, options.sims, options.out, series,
                     [&](const BatchStep& step) {
                         if (step.phase != BatchStep::Phase::Saved) return true;
                         std::printf("%s\n", step.fileName.c_str());
                         const int percent = static_cast<int>(static_cast<std::int64_t>(step.index) * 100 / step.total);
                         if (showProgress && percent != shownPercent) {
                             shownPercent = percent;
                             std::fprintf(stderr, "\r%d/%d (%d%%)", step.index, step.total, percent);
                             if (step.index == step.total) std::fputc('\n', stderr);
                         }
                         return true;
                     });
        std::fflush(stdout);
        if (result.status == BatchResult::Status::FileError) {
            if (showProgress && shownPercent >= 0) std::fputc('\n', stderr);
            return Fail(1, result.message);
        }
        return 0;
    } catch (const std::bad_alloc&) {
        return Fail(1, "not enough memory for " + std::to_string(options.plays) + " plays");
    }
}
