#include "batchstats/RecordFields.h"

#include "slot/MachineCodes.h"

// A run ends on the
// normal game that reaches N, so that game's balance is both the last grid
// point and the final balance; BIG and REG start only in normal games, one
// per game, and every BIG first hit is one of the BIG counted.
bool CheckRecord(const SimRecord& r, std::string& reason)
{
    if (r.sim < 0)
        reason = "sim must not be negative";
    else if (r.setting < SETTING_MIN || r.setting > SETTING_MAX)
        reason = "setting must be " + std::to_string(SETTING_MIN) + " to " + std::to_string(SETTING_MAX);
    else if (r.plays < 1)
        reason = "plays must be at least 1";
    else if (r.big < 0 || r.reg < 0 || r.bigFirstHits < 0 || r.longestDrought < 0)
        reason = "counts must not be negative";
    else if (r.bigFirstHits > r.big)
        reason = "big_first_hits must not exceed big";
    else if (std::int64_t{r.big} + r.reg > r.plays)
        reason = "big and reg together must not exceed plays";
    else if (r.longestDrought > r.plays)
        reason = "longest_drought must not exceed plays";
    else if (r.lowestBalance > r.finalBalance || r.finalBalance > r.highestBalance)
        reason = "final_balance must lie between lowest_balance and highest_balance";
    else if (r.grid.back() != r.finalBalance)
        reason = "b" + std::to_string(GRID_POINTS) + " must equal final_balance";
    else {
        for (const std::int32_t b : r.grid)
            if (b < r.lowestBalance || b > r.highestBalance) {
                reason = "grid balances must lie between lowest_balance and highest_balance";
                return false;
            }
        return true;
    }
    return false;
}
