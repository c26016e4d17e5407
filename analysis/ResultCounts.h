#pragma once

#include <array>
#include <cstdint>

#include "slot/MachineCodes.h"

// What the counting pass of the analysis finds in a series; the statistics
// tabs and the summary are computed from it alone.
struct ResultCounts {
    std::array<std::int32_t, Outcome::REG + 1> normalOutcome{};  // by outcome code, 1..8
    std::array<std::int32_t, OUTCOME_COUNT> bonusOutcome{};      // by outcome code: 1, 2, 3, 6, 12
    std::array<std::int32_t, MODE_COUNT> modeStay{};
    std::array<std::int32_t, CHAIN_TRIGGER_COUNT> chain{};            // by trigger, 1..7
    std::int32_t regularReleases = 0;                                 // 規定RT
    std::int32_t chainReleases = 0;                                   // 1G連
    std::array<std::int32_t, PRE_SIGN_KIND_COUNT> preSignReleases{};  // by kind, 1..4
    std::int32_t bigFirstHits = 0;
};
