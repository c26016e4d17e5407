#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "sim/PlaySeries.h"
#include "sim/WholeNumber.h"

class RandomSource;
class Slot;

// Plays one simulation into `series`, in the machine's fixed order of draws:
// empty the series; for a hidden setting draw (Next mod 6) + 1; SetSetting;
// call `beforePlay` (the window paints here; it must not touch slot or series;
// returning false abandons the run with the series empty); Reset; then Play and
// record a row until playCount reaches `plays`. During the plays `duringPlay`
// is called with the plays so far every PLAYS_PER_CHECK plays (the window pumps
// its messages there, by time); returning false abandons the run, series
// empty. Neither callback draws, so the games are the same with or without
// them. Returns false if abandoned.
// Preconditions: the chosen setting is hidden or 1..6. `plays` below 1 plays
// nothing. Growth of the series may throw std::bad_alloc; the series then
// holds the rows recorded so far.
inline constexpr int PLAYS_PER_CHECK = 4096;
[[nodiscard]] bool RunSingle(Slot& slot, RandomSource& random, int plays, SettingChoice setting,
                             PlaySeries& series, const std::function<bool()>& beforePlay = {},
                             const std::function<bool(int played)>& duringPlay = {});

// Rough bytes a run of `plays` needs for its series, with room for bonus rows.
std::uint64_t EstimateRunBytes(std::int64_t plays);

// Largest number of plays this machine can hold in memory with the display of
// the result, leaving room for the rest of the system. 0 if unknown.
std::int64_t MaxPlaysForMemory();

// Largest number of plays whose run fits SeriesMemoryBudget when only the
// series is kept (the command line). 0 if unknown.
std::int64_t MaxPlaysForSeries();
