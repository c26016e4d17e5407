#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "sim/AtomicFile.h"
#include "sim/PlaySeries.h"
#include "sim/WholeNumber.h"

class Options;
class RecordsWriter;

// Options of `run`; the study options (--independent, --shard, --jobs,
// --records) come with the independent mode.
struct RunOptions {
    SettingChoice setting;
    int plays = 0;
    int sims = 1;
    std::optional<std::uint32_t> seed;
    std::string out;  // empty: no simulation files (records only)
    bool sync = true;
    bool independent = false;
    int shard = 1;
    int shards = 1;
    int jobs = 0;  // 0: one per core
    std::string records;
};

// Reads the study options into `options`, whose other fields are already
// set; a problem throws UsageError.
void ParseStudyOptions(const Options& given, RunOptions& options);

// The --records file of a sequential batch: a no-op without one. Errors are
// printed; a file that is not committed is not left behind.
class RecordsOutput {
public:
    RecordsOutput();
    ~RecordsOutput();
    // Records carry `seed`, the batch's, beside their simulation number.
    bool Open(const std::string& path, std::uint32_t seed, WriteOptions write);
    bool Add(const PlaySeries& series, std::int32_t setting, std::int64_t sim);
    bool Commit();

private:
    std::unique_ptr<RecordsWriter> writer;
    std::uint32_t studySeed = 0;
};

// `run --independent`: plays this shard's simulations on the threads asked
// for and writes their files and records. Returns the exit status.
int RunIndependentStudy(const RunOptions& options, std::uint32_t seed);

// The list of written files must reach its reader: a full disk or a closed
// stream turns `status` 0 into a failure (printed, 1); another stays.
int FinishListing(std::FILE* listing, int status);
