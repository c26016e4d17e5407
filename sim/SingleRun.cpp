#include "sim/SingleRun.h"

#include <unistd.h>

#include <climits>

#include "slot/RandomSource.h"
#include "slot/Slot.h"

namespace {

// A run averages about 1.3 rows per play; reserving a little more avoids a
// copy on growth, and pages that are never written cost no memory.
constexpr double RESERVED_ROWS_PER_PLAY = 1.45;
// Series row plus what the display keeps per row.
constexpr std::uint64_t BYTES_PER_PLAY = 2 * sizeof(PlayRow) + 32;

}  // namespace

bool RunSingle(Slot& slot, RandomSource& random, int plays, SettingChoice setting, PlaySeries& series,
               const std::function<bool()>& beforePlay, const std::function<bool(int played)>& duringPlay)
{
    series.Clear();
    const int chosen = setting.hidden ? random.Next() % SETTING_COUNT + SETTING_MIN : setting.value;
    slot.SetSetting(chosen);
    if (beforePlay && !beforePlay()) return false;
    slot.Reset();
    if (plays > 0) series.Reserve(static_cast<std::size_t>(plays * RESERVED_ROWS_PER_PLAY));
    // A check per few thousand plays costs nothing next to the plays.
    int nextCheck = duringPlay ? PLAYS_PER_CHECK : INT_MAX;
    while (slot.playCount < plays) {
        slot.Play();
        series.Append(PlayRow::FromSlot(slot));
        if (slot.playCount >= nextCheck) {
            nextCheck = slot.playCount + PLAYS_PER_CHECK;
            if (!duringPlay(slot.playCount)) {
                series.Clear();
                return false;
            }
        }
    }
    return true;
}

std::uint64_t EstimateRunBytes(std::int64_t plays)
{
    return plays <= 0 ? 0 : static_cast<std::uint64_t>(plays) * BYTES_PER_PLAY;
}

std::int64_t MaxPlaysForMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    // Leave half of the machine to the system and the window.
    const std::uint64_t usable = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 2;
    return static_cast<std::int64_t>(usable / BYTES_PER_PLAY);
}

std::int64_t MaxPlaysForSeries()
{
    const double bytesPerPlay = RESERVED_ROWS_PER_PLAY * sizeof(PlayRow);
    return static_cast<std::int64_t>(static_cast<double>(SeriesMemoryBudget()) / bytesPerPlay);
}
