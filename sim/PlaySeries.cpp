#include "sim/PlaySeries.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "slot/Slot.h"

PlayRow PlayRow::FromSlot(const Slot& slot) noexcept
{
    return PlayRow{slot.gamesSinceBonus, slot.medals,    slot.playCount,   slot.mode,
                   slot.bonus,           slot.bigColor,  slot.outcome,     slot.preSign,
                   slot.preSignBlue,     slot.bonusGame, slot.chainTrigger};
}

std::int32_t PlayRow::Field(int j) const noexcept
{
    switch (j) {
        case 0:
            return gamesSinceBonus;
        case 1:
            return medals;
        case 2:
            return playCount;
        case 3:
            return mode;
        case 4:
            return bonus;
        case 5:
            return bigColor;
        case 6:
            return outcome;
        case 7:
            return preSign;
        case 8:
            return preSignBlue;
        case 9:
            return bonusGame;
        default:
            return chainTrigger;
    }
}

void PlayRow::SetField(int j, std::int32_t value) noexcept
{
    switch (j) {
        case 0:
            gamesSinceBonus = value;
            break;
        case 1:
            medals = value;
            break;
        case 2:
            playCount = value;
            break;
        case 3:
            mode = value;
            break;
        case 4:
            bonus = value;
            break;
        case 5:
            bigColor = value;
            break;
        case 6:
            outcome = value;
            break;
        case 7:
            preSign = value;
            break;
        case 8:
            preSignBlue = value;
            break;
        case 9:
            bonusGame = value;
            break;
        default:
            chainTrigger = value;
            break;
    }
}

std::uint64_t SeriesMemoryBudget()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    std::uint64_t budget = 0;
    if (pages > 0 && pageSize > 0)
        budget = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 2;
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) continue;
        const std::uint64_t half = static_cast<std::uint64_t>(limit.rlim_cur) / 2;
        budget = budget == 0 ? half : std::min(budget, half);
    }
    return budget;
}

std::size_t MaxSeriesRows()
{
    const std::uint64_t budget = SeriesMemoryBudget();
    if (budget == 0) return SIZE_MAX;
    return static_cast<std::size_t>(std::min<std::uint64_t>(budget / sizeof(PlayRow), SIZE_MAX));
}
