#include "cli/RunCommand.h"

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

#include "batchstats/IndependentRun.h"
#include "cli/Options.h"
#include "cli/RunStudy.h"
#include "sim/BatchRun.h"
#include "sim/FileIdentity.h"
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

// Records written over a simulation file would replace it without a word.
void RefuseRecordsOverSimFiles(const RunOptions& options)
{
    if (options.records.empty() || options.out.empty()) return;
    if (!options.independent && options.sims == 1) {
        if (IsSameFile(options.out, options.records))
            throw UsageError("--records '" + options.records + "' and --out '" + options.out +
                             "' are one file");
        return;
    }
    const SimRange range = options.independent ? ShardRange(options.sims, options.shard, options.shards)
                                               : SimRange{1, options.sims};
    const std::optional<int> setting =
        options.setting.hidden ? std::nullopt : std::optional<int>(options.setting.value);
    if (IsBatchFile(options.records, options.out, setting, options.plays, range.first, range.last))
        throw UsageError("--records '" + options.records + "' is one of the simulation files of --out '" +
                         options.out + "'");
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
    RefuseRecordsOverSimFiles(options);
    return options;
}

}  // namespace

const CommandHelp RUN_HELP = {
    "run",
    "--setting X --plays N [--sims K] [--seed S] --out PATH [--records FILE]\n"
    "       mirvosim-cli run --setting X --plays N --sims K --independent [--seed S]\n"
    "                        [--shard I/M] [--jobs J] [--out PATH] [--records FILE]",
    "run      plays simulations exactly as the window does and writes each to a\n"
    "         simulation file.\n"
    "  --setting X  machine setting: 1 to 6, or ? for a setting drawn anew for\n"
    "               each simulation (write it as '?' in the shell)\n"
    "  --plays N    normal games per simulation (Play数), at least 1\n"
    "  --sims K     number of simulations (Sim回数), at least 1; default 1\n"
    "  --seed S     seed of the random source, 0 to 4294967295; default: the\n"
    "               calendar time in seconds, printed on stderr as 'seed: S' so\n"
    "               the run can be repeated\n"
    "  --out PATH   file to write. With K = 1 PATH is written as given; with\n"
    "               K > 1 simulation i goes to PATH with the tag\n"
    "               <setting>_<plays>_<i> put before the first '.' of the file\n"
    "               name (runs/test.sim -> runs/test3_800_12.sim), or at its end\n"
    "               when the name has no '.'.\n"
    "  --no-sync    do not wait until each file is on the disk; faster for\n"
    "               throw-away batches, but a power cut may leave files empty\n"
    "         The random source is seeded once; all K simulations continue one\n"
    "         sequence, as in one start of the window. Every written file name is\n"
    "         printed on stdout, one a line (on stderr when the file itself goes\n"
    "         to stdout). On a terminal, long batches show their progress on\n"
    "         stderr.\n"
    "  --records FILE  also write one record per simulation (setting, plays,\n"
    "               final balance, BIG, REG, BIG first hits, longest drought,\n"
    "               lowest and highest balance, balance at 100 grid points):\n"
    "               JSON lines when FILE ends in .jsonl or .ndjson (a .json\n"
    "               name is refused: JSON readers refuse JSON lines), else CSV\n"
    "               with a header. Each record carries the seed beside the\n"
    "               simulation number. Written whole at the end or not at all.\n"
    "  --independent  simulation i (1..K) gets a random sequence of its own,\n"
    "               started at the state SplitMix64(S * 2^32 + i) (the output\n"
    "               function of SplitMix64 on that 64-bit value), so the same\n"
    "               S gives the same simulations however the run is split;\n"
    "               each starts on a new machine, as the first run after a\n"
    "               program start does. Files are named with the tag\n"
    "               <setting>_<plays>_<i> (i global); --out is optional when\n"
    "               --records is given.\n"
    "  --shard I/M  play only the I-th of M contiguous blocks of 1..K (needs\n"
    "               --seed): simulations floor((I-1)K/M)+1 .. floor(IK/M).\n"
    "  --jobs J     threads, 1 to 1024; default: one per core. Records and\n"
    "               files do not depend on J or on the shards.\n"};

int RunCommand(const std::vector<std::string>& args)
{
    const RunOptions options = ParseOptions(args);

    // A records-only study builds each record as it plays and keeps no series.
    const bool holdsSeries = !(options.independent && options.out.empty());
    const std::int64_t maxPlays = holdsSeries ? MaxPlaysForSeries() : 0;
    if (maxPlays > 0 && options.plays > maxPlays)
        return Fail(2, "--plays " + std::to_string(options.plays) +
                           " needs more memory than this machine has (at most " + std::to_string(maxPlays) +
                           ")");

    const std::uint32_t seed = options.seed ? *options.seed : static_cast<std::uint32_t>(std::time(nullptr));
    if (!options.seed) std::fprintf(stderr, "seed: %u\n", seed);

    if (options.independent) return RunIndependentStudy(options, seed);
    RecordsOutput records;
    if (!options.records.empty() && !records.Open(options.records, seed, WriteOptions{options.sync}))
        return 1;
    RandomSource random;
    random.Seed(seed);
    Slot slot(random);
    PlaySeries series;

    try {
        if (options.sims == 1) {
            // Without callbacks nothing abandons the run.
            static_cast<void>(RunSingle(slot, random, options.plays, options.setting, series));
            if (IsStdout(options.out)) {
                // Written where stdout stands, as any output is (a pipe, or a
                // file opened for appending), never renamed over; the name
                // goes to stderr so it stays out of the data.
                if (!WriteSimTo(STDOUT_FILENO, slot.GetSetting(), slot.playCount, series))
                    return Fail(1, "cannot write '" + options.out + "': " + std::strerror(errno));
                std::fprintf(stderr, "%s\n", options.out.c_str());
                return records.Add(series, slot.GetSetting(), 1) && records.Commit() ? 0 : 1;
            }
            const WriteResult written = WriteSimFile(options.out, slot.GetSetting(), slot.playCount, series,
                                                     WriteOptions{options.sync});
            if (!written.Ok()) return Fail(1, written.Message());
            std::printf("%s\n", options.out.c_str());
            return FinishListing(stdout,
                                 records.Add(series, slot.GetSetting(), 1) && records.Commit() ? 0 : 1);
        }

        const bool showProgress = ::isatty(STDERR_FILENO) != 0;
        int shownPercent = -1;
        const BatchResult result = RunBatch(
            slot, random, options.plays, options.setting, options.sims, options.out, series,
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
            },
            WriteOptions{options.sync});
        if (result.FileError()) {
            if (showProgress && shownPercent >= 0) std::fputc('\n', stderr);
            return FinishListing(stdout, Fail(1, result.status.Message()));
        }
        const bool recorded = !result.Stopped() && records.Commit();
        return FinishListing(stdout, recorded ? 0 : 1);
    } catch (const std::bad_alloc&) {
        return Fail(1, "not enough memory for " + std::to_string(options.plays) + " plays");
    }
}
