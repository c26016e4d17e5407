#pragma once

#include <array>
#include <cstdint>

// What the counting pass of the analysis finds in a series; the statistics
// tabs and the summary are computed from it alone.
struct ResultCounts {
    std::array<std::int32_t, 9> normalOutcome{};  // index = outcome code 1..8
    std::array<std::int32_t, 13> bonusOutcome{};  // index = outcome code 1, 2, 3, 6, 12
    std::array<std::int32_t, 3> modeStay{};
    std::array<std::int32_t, 8> chain{};            // index = trigger 1..7
    std::int32_t regularReleases = 0;               // 規定RT
    std::int32_t chainReleases = 0;                 // 1G連
    std::array<std::int32_t, 5> preSignReleases{};  // index = kind 1..4
    std::int32_t bigFirstHits = 0;
};
