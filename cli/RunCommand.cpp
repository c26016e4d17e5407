#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Options.h"
#include "cli/RunStudy.h"
#include "sim/BatchRun.h"
#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "sim/WholeNumber.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"

namespace {

// True when `path` is the file or pipe this process's stdout already writes to.
bool IsStdout(const std::string& path)
{
    struct stat file {};
    struct stat out {};
    return ::stat(path.c_str(), &file) == 0 && ::fstat(STDOUT_FILENO, &out) == 0 &&
           file.st_dev == out.st_dev && file.st_ino == out.st_ino;
}

// The list of written files must reach its reader: a full disk or a closed
// stream is a failure like any other write.
int FinishListing(std::FILE* listing, int status)
{
    if (std::fflush(listing) != 0 || std::ferror(listing)) {
        const int error = errno;
        const int failed =
            Fail(1, std::string("cannot write the list of written files: ") + std::strerror(error));
        return status == 0 ? failed : status;
    }
    return status;
}

RunOptions ParseOptions(const std::vector<std::string>& args)
{
    const Options given("run", args,
                        {{"--setting"},
                         {"--plays"},
                         {"--sims"},
                         {"--seed"},
                         {"--out"},
                         {"--no-sync", false},
                         {"--independent", false},
                         {"--shard"},
                         {"--jobs"},
                         {"--records"}});
    if (!given.Operands().empty())
        throw UsageError("unexpected argument '" + given.Operands().front() +
                         "' (see mirvosim-cli run --help)");

    RunOptions options;
    const std::string settingText = given.Required("--setting");
    const auto setting = ParseSettingText(settingText);
    if (!setting || (!setting->hidden && !IsValidSetting(setting->value)))
        throw UsageError("--setting must be 1 to 6 or ?, not '" + settingText + "'");
    options.setting = *setting;
    options.plays = static_cast<int>(given.Integer("--plays", 1, INT32_MAX));
    options.sims = static_cast<int>(given.OptionalInteger("--sims", 1, INT32_MAX).value_or(1));
    if (const auto seed = given.OptionalInteger("--seed", 0, UINT32_MAX))
        options.seed = static_cast<std::uint32_t>(*seed);
    options.independent = given.Flag("--independent");
    // Records alone are a complete product of independent simulations.
    if (!(options.independent && given.Has("--records") && !given.Has("--out"))) {
        options.out = given.Required("--out");
        if (options.out.empty()) throw UsageError("--out must name a file");
    }
    options.sync = !given.Flag("--no-sync");
    ParseStudyOptions(given, options);
    return options;
}

}  // namespace

int RunCommand(const std::vector<std::string>& args)
{
    const RunOptions options = ParseOptions(args);

    const std::int64_t maxPlays = MaxPlaysForSeries();
    if (maxPlays > 0 && options.plays > maxPlays)
        return Fail(2, "--plays " + std::to_string(options.plays) +
                           " needs more memory than this machine has (at most " + std::to_string(maxPlays) +
                           ")");

    const std::uint32_t seed = options.seed ? *options.seed : static_cast<std::uint32_t>(std::time(nullptr));
    if (!options.seed) std::fprintf(stderr, "seed: %u\n", seed);

    SetSyncWrites(options.sync);
    if (options.independent) return RunIndependentStudy(options, seed);
    RecordsOutput records;
    if (!options.records.empty() && !records.Open(options.records)) return 1;
    RandomSource random;
    random.Seed(seed);
    Slot slot(random);
    PlaySeries series;

    try {
        if (options.sims == 1) {
            RunSingle(slot, random, options.plays, options.setting, series);
            if (IsStdout(options.out)) {
                // Written where stdout stands, as any output is (a pipe, or a
                // file opened for appending), never renamed over; the name
                // goes to stderr so it stays out of the data.
                if (!WriteSimTo(STDOUT_FILENO, slot.GetSetting(), slot.playCount, series))
                    return Fail(1, "cannot write '" + options.out + "': " + std::strerror(errno));
                std::fprintf(stderr, "%s\n", options.out.c_str());
                return records.Add(series, slot.GetSetting(), 1) && records.Commit() ? 0 : 1;
            }
            const SimWriteResult written =
                WriteSimFile(options.out, slot.GetSetting(), slot.playCount, series);
            if (!written.Ok()) return Fail(1, written.message);
            std::printf("%s\n", options.out.c_str());
            return FinishListing(stdout,
                                 records.Add(series, slot.GetSetting(), 1) && records.Commit() ? 0 : 1);
        }

        const bool showProgress = ::isatty(STDERR_FILENO) != 0;
        int shownPercent = -1;
        const BatchResult result =
            RunBatch(slot, random, options.plays, options.setting, options.sims, options.out, series,
                     [&](const BatchStep& step) {
                         if (step.phase != BatchStep::Phase::Saved) return true;
                         std::printf("%s\n", step.fileName.c_str());
                         if (!records.Add(series, slot.GetSetting(), step.index)) return false;
                         const int percent =
                             static_cast<int>(static_cast<std::int64_t>(step.index) * 100 / step.total);
                         if (showProgress && percent != shownPercent) {
                             shownPercent = percent;
                             std::fprintf(stderr, "\r%d/%d (%d%%)", step.index, step.total, percent);
                             if (step.index == step.total) std::fputc('\n', stderr);
                         }
                         return true;
                     });
        if (result.status == BatchResult::Status::FileError) {
            if (showProgress && shownPercent >= 0) std::fputc('\n', stderr);
            return FinishListing(stdout, Fail(1, result.message));
        }
        const bool recorded = result.status != BatchResult::Status::Stopped && records.Commit();
        return FinishListing(stdout, recorded ? 0 : 1);
    } catch (const std::bad_alloc&) {
        return Fail(1, "not enough memory for " + std::to_string(options.plays) + " plays");
    }
}
