#include "batchstats/IndependentRun.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
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

// How far, per thread, the players may run ahead of the sink: enough to keep
// every thread busy, few enough that the waiting results stay small.
constexpr std::int64_t AHEAD_PER_JOB = 256;

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
    out.record.seed = options.seed;
    out.fileName.clear();
    out.error.clear();
    if (files) {
        out.fileName =
            BatchFileName(options.simBaseName, slot.GetSetting(), slot.playCount, static_cast<int>(index));
        const WriteResult written =
            WriteSimFile(out.fileName, slot.GetSetting(), slot.playCount, w.series, options.write);
        if (!written.Ok()) out.error = written.Message();
    }
}

}  // namespace

IndependentResult RunIndependent(const IndependentOptions& options, const IndependentSink& sink)
{
    IndependentResult result;
    const std::int64_t count = options.range.last - options.range.first + 1;
    if (count <= 0) return result;
    const int jobs = std::max(1, options.jobs);
    // No barrier between blocks: every thread plays the next simulation as soon
    // as it is free, at most `window` ahead of the one the sink waits for, so a
    // thread the system holds back delays the others by one simulation, not a
    // block. This thread plays too, and between its simulations hands the
    // finished ones to the sink in order; it sleeps only when it may not play.
    const std::int64_t window = AHEAD_PER_JOB * jobs;
    std::vector<SimOutcome> outcomes(static_cast<std::size_t>(window));
    std::vector<char> ready(static_cast<std::size_t>(window), 0);
    std::mutex mutex;
    std::condition_variable readyChanged;  // for this thread, when it waits
    std::condition_variable spaceChanged;  // for the other players
    std::int64_t next = 0;                 // the next simulation to hand out
    std::int64_t consumed = 0;             // simulations handed to the sink
    bool handOut = true;                   // false once the run stops or a file failed
    bool sinkWaits = false;
    std::exception_ptr failure;
    const auto slot = [&](std::int64_t k) { return static_cast<std::size_t>(k % window); };

    // Plays simulation k (handed out under the lock) and marks it ready.
    const auto playOne = [&](Worker& w, std::int64_t k) {
        SimOutcome& out = outcomes[slot(k)];
        PlayOne(w, options, options.range.first + k, out);
        bool wake = false;
        {
            std::lock_guard lock(mutex);
            ready[slot(k)] = 1;
            if (!out.error.empty()) handOut = false;  // the ones before it still finish
            wake = sinkWaits;
        }
        if (wake) readyChanged.notify_one();
    };
    auto play = [&](Worker& w) {
        try {
            for (;;) {
                std::int64_t k = 0;
                {
                    std::unique_lock lock(mutex);
                    spaceChanged.wait(lock,
                                      [&] { return !handOut || next >= count || next < consumed + window; });
                    if (!handOut || next >= count) return;
                    k = next++;
                }
                playOne(w, k);
            }
        } catch (...) {
            {
                std::lock_guard lock(mutex);
                if (!failure) failure = std::current_exception();
                handOut = false;
            }
            readyChanged.notify_one();
            spaceChanged.notify_all();
        }
    };

    std::int64_t k = 0;  // the next simulation for the sink
    std::vector<std::unique_ptr<Worker>> workers;
    for (int j = 0; j < jobs; ++j) workers.push_back(std::make_unique<Worker>());
    {
        std::vector<std::jthread> threads;
        threads.reserve(static_cast<std::size_t>(jobs - 1));
        // Destroyed before the threads are joined, however this scope is left.
        struct StopPlayers {
            std::mutex& mutex;
            bool& handOut;
            std::condition_variable& spaceChanged;
            ~StopPlayers()
            {
                {
                    std::lock_guard lock(mutex);
                    handOut = false;
                }
                spaceChanged.notify_all();
            }
        };
        const StopPlayers stopPlayers{mutex, handOut, spaceChanged};
        for (int j = 1; j < jobs; ++j) {
            Worker& worker = *workers[static_cast<std::size_t>(j)];
            try {
                if (options.startThread)
                    threads.push_back(options.startThread([&play, &worker] { play(worker); }));
                else
                    threads.emplace_back(play, std::ref(worker));
            } catch (const std::system_error&) {
                // A process or memory limit: the threads there are (this one
                // at least) play the same simulations, only more slowly.
                break;
            }
        }
        result.jobs = static_cast<int>(threads.size()) + 1;

        for (; k < count;) {
            std::int64_t mine = -1;
            {
                std::unique_lock lock(mutex);
                if (failure) break;
                if (!ready[slot(k)]) {
                    if (handOut && next < count && next < consumed + window) {
                        mine = next++;
                    } else {
                        sinkWaits = true;
                        readyChanged.wait(lock, [&] { return ready[slot(k)] != 0 || failure; });
                        sinkWaits = false;
                        if (failure) break;
                    }
                }
                if (mine < 0) ready[slot(k)] = 0;
            }
            if (mine >= 0) {
                playOne(*workers[0], mine);
                continue;
            }
            const SimOutcome& out = outcomes[slot(k)];
            if (!out.error.empty()) {
                result.status = IndependentResult::Status::FileError;
                result.message = out.error;
                ++k;
                break;
            }
            ++result.done;
            if (sink && !sink(out.record, out.fileName)) {
                result.status =
                    k + 1 < count ? IndependentResult::Status::Stopped : IndependentResult::Status::Completed;
                ++k;
                break;
            }
            ++k;
            {
                std::lock_guard lock(mutex);
                consumed = k;
            }
            spaceChanged.notify_all();
        }
    }
    if (failure) std::rethrow_exception(failure);
    // The threads are joined: what was played past the stop is ready.
    for (; k < next; ++k) {
        const SimOutcome& out = outcomes[slot(k)];
        if (ready[slot(k)] && out.error.empty() && !out.fileName.empty())
            result.unlistedFiles.push_back(out.fileName);
    }
    return result;
}
