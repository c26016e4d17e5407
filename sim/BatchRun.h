#pragma once

#include <functional>
#include <string>

#include "sim/AtomicFile.h"
#include "sim/PlaySeries.h"
#include "sim/WholeNumber.h"

class RandomSource;
class Slot;

// What a batch reports to its caller as it goes. Returning false from the
// callback stops the batch after the step just reported.
struct BatchStep {
    enum class Phase {
        BeforePlay,  // simulation `index` has its setting and is about to play
        Playing,     // simulation `index` has played `played` plays (every PLAYS_PER_CHECK)
        Saving,      // its file `fileName` was created and is being written
        Saved,       // its file is complete
    };
    Phase phase = Phase::BeforePlay;
    int index = 0;  // 1-based
    int total = 0;
    int played = 0;  // Playing only
    std::string fileName;
};
using BatchCallback = std::function<bool(const BatchStep&)>;

struct [[nodiscard]] BatchResult {
    // Ok when every file was written, Stopped when the callback stopped the
    // batch, else the failed write's Status (it names the file and the reason).
    Status status;
    int filesWritten = 0;

    bool Stopped() const noexcept { return status.Code() == StatusCode::Stopped; }
    bool FileError() const noexcept { return !status.Ok() && !Stopped(); }
};

// Plays `sims` single runs and writes each to its batch-named file before the
// next run replaces the series. On a file error the batch ends at once: files
// already written stay, none is left for the failed simulation. Memory stays
// that of one simulation.
[[nodiscard]] BatchResult RunBatch(Slot& slot, RandomSource& random, int plays, SettingChoice setting,
                                   int sims, const std::string& baseName, PlaySeries& series,
                                   const BatchCallback& callback = {}, WriteOptions write = {});
