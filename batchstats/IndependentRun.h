#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "batchstats/SimRecord.h"
#include "sim/AtomicFile.h"
#include "sim/WholeNumber.h"

// Independent simulations: simulation i (1-based, numbered across the whole
// study) starts its random source at IndependentState(seed, i), so it plays
// the same games however the study is split into shards and threads.
//
// IndependentState is SplitMix64's output function applied to the 64-bit
// value seed * 2^32 + i:
//   z = (seed << 32 | i) + 0x9E3779B97F4A7C15
//   z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9
//   z = (z ^ (z >> 27)) * 0x94D049BB133111EB
//   state = z ^ (z >> 31)
// and the state is the random source's whole 64-bit state, so a million
// simulations do not meet the 2^32 seeds of a single run.
std::uint64_t IndependentState(std::uint32_t seed, std::uint32_t index) noexcept;

// Simulations first..last of the K-th of M contiguous blocks of 1..total:
// floor((K - 1) * total / M) + 1 .. floor(K * total / M) (empty when M > total
// leaves this block nothing).
struct SimRange {
    std::int64_t first = 1;
    std::int64_t last = 0;
};
SimRange ShardRange(std::int64_t total, std::int64_t shard, std::int64_t shards) noexcept;

// Starts a thread running `body`; throws std::system_error when the system
// cannot create one (a process or memory limit), as std::jthread does.
using ThreadStarter = std::function<std::jthread(std::function<void()> body)>;

struct IndependentOptions {
    std::uint32_t seed = 0;
    int plays = 0;
    SettingChoice setting;
    SimRange range;
    int jobs = 1;
    // Base name of the simulation files (batch naming with global numbers);
    // empty: no files, only records.
    std::string simBaseName;
    WriteOptions write;
    // Empty: std::jthread. Tests put in one that fails.
    ThreadStarter startThread;
};

// Called on the calling thread for each simulation in ascending order, with
// the file written for it (empty without files). Returning false stops the
// run after the simulations already under way.
using IndependentSink = std::function<bool(const SimRecord& record, const std::string& fileName)>;

struct [[nodiscard]] IndependentResult {
    enum class Status { Completed, Stopped, FileError };
    Status status = Status::Completed;
    std::int64_t done = 0;  // simulations handed to the sink
    int jobs = 0;           // threads that played, this one included: fewer than
                            // asked when the system could not create them all
    std::string message;    // for FileError: names the file and the reason
    // Files completed by other threads beyond the simulation the run stopped
    // at: they stay on disk, but the sink never saw them.
    std::vector<std::string> unlistedFiles;
};

// Plays the range on `jobs` threads (carrying on with those there are when
// the system refuses to create more), each with its own Slot, random source and
// series; nothing mutable is shared but the hand-out of work and the results
// waiting for the sink.
// On a file error or a stop the run ends: every file completed stays (those
// the sink did not see in unlistedFiles); the failed one is not left behind
// (its writer removes it). May throw std::bad_alloc.
IndependentResult RunIndependent(const IndependentOptions& options, const IndependentSink& sink);
