#include "batchstats/IndependentRun.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "sim/BatchName.h"
#include "sim/SimFile.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"

std::uint64_t IndependentState(std::uint32_t seed, std::uint32_t index) noexcept
{
    std::uint64_t z = (static_cast<std::uint64_t>(seed) << 32 | index) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

SimRange ShardRange(std::int64_t total, std::int64_t shard, std::int64_t shards) noexcept
{
    return {(shard - 1) * total / shards + 1, shard * total / shards};
}

namespace {

// Enough simulations per block to keep every thread busy, few enough that the
// records of a block stay small and results reach the sink in steady steps.
constexpr std::int64_t BLOCK_PER_JOB = 256;

struct Worker {
    RandomSource random;
    // A new machine per simulation: a Slot keeps state from its last run (the
    // mode, a bonus left open), which would tie a simulation to the one played
    // before it on the same thread.
    std::optional<Slot> slot;
    PlaySeries series;
};

struct SimOutcome {
    SimRecord record;
    std::string fileName;
    std::string error;
};

// The same order of draws as a single run: the hidden setting, SetSetting,
// Reset, then the games; the record is built as the games are played.
void PlayOne(Worker& w, const IndependentOptions& options, std::int64_t index, SimOutcome& out)
{
    w.random.SetState(IndependentState(options.seed, static_cast<std::uint32_t>(index)));
    Slot& slot = w.slot.emplace(w.random);
    const int setting =
        options.setting.hidden ? w.random.Next() % SETTING_COUNT + SETTING_MIN : options.setting.value;
    slot.SetSetting(setting);
    slot.Reset();
    RecordBuilder builder(options.plays, setting, index);
    const bool files = !options.simBaseName.empty();
    if (files) w.series.Clear();
    while (slot.playCount < options.plays) {
        slot.Play();
        const PlayRow row = PlayRow::FromSlot(slot);
        builder.Add(row);
        if (files) w.series.Append(row);
    }
    // plays >= 1 always gives rows; without them there is no record, as after an error.
    if (!builder.Finish(out.record)) out.record.plays = 0;
    out.fileName.clear();
    out.error.clear();
    if (files) {
        out.fileName =
            BatchFileName(options.simBaseName, slot.GetSetting(), slot.playCount, static_cast<int>(index));
        const SimWriteResult written =
            WriteSimFile(out.fileName, slot.GetSetting(), slot.playCount, w.series);
        if (!written.Ok()) out.error = written.message;
    }
}

}  // namespace

IndependentResult RunIndependent(const IndependentOptions& options, const IndependentSink& sink)
{
    IndependentResult result;
    const int jobs = std::max(1, options.jobs);
    std::vector<std::unique_ptr<Worker>> workers;
    for (int j = 0; j < jobs; ++j) workers.push_back(std::make_unique<Worker>());
    const std::int64_t blockSize = BLOCK_PER_JOB * jobs;
    std::vector<SimOutcome> outcomes(static_cast<std::size_t>(blockSize));

    for (std::int64_t blockFirst = options.range.first; blockFirst <= options.range.last;
         blockFirst += blockSize) {
        const std::int64_t count = std::min(blockSize, options.range.last - blockFirst + 1);
        std::atomic<std::int64_t> next{0};
        std::atomic<bool> failed{false};
        std::vector<std::exception_ptr> errors(static_cast<std::size_t>(jobs));
        auto work = [&](int j) {
            try {
                for (std::int64_t k;
                     !failed.load(std::memory_order_relaxed) && (k = next.fetch_add(1)) < count;) {
                    SimOutcome& out = outcomes[static_cast<std::size_t>(k)];
                    PlayOne(*workers[static_cast<std::size_t>(j)], options, blockFirst + k, out);
                    if (!out.error.empty()) failed = true;
                }
            } catch (...) {
                errors[static_cast<std::size_t>(j)] = std::current_exception();
                failed = true;
            }
        };
        // Marks what a stopped block did not reach.
        for (std::int64_t k = 0; k < count; ++k) outcomes[static_cast<std::size_t>(k)].record.plays = 0;
        {
            std::vector<std::jthread> threads;
            for (int j = 1; j < jobs; ++j) threads.emplace_back(work, j);
            work(0);
        }
        for (const auto& error : errors)
            if (error) std::rethrow_exception(error);

        for (std::int64_t k = 0; k < count; ++k) {
            const SimOutcome& out = outcomes[static_cast<std::size_t>(k)];
            if (!out.error.empty()) {
                result.status = IndependentResult::Status::FileError;
                result.message = out.error;
                return result;
            }
            if (out.record.plays == 0) break;  // unreachable without an error before it
            ++result.done;
            if (sink && !sink(out.record, out.fileName)) {
                result.status = blockFirst + k < options.range.last ? IndependentResult::Status::Stopped
                                                                    : IndependentResult::Status::Completed;
                return result;
            }
        }
    }
    return result;
}
