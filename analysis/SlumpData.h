#pragma once

#include <array>
#include <cstdint>

#include "analysis/Rgb.h"
#include "sim/PlaySeries.h"

// Marker series of the slump graph, in the order the chart data lists them.
enum MarkerSeries {
    MARKER_BIG,
    MARKER_REG,
    MARKER_CHERRY,
    MARKER_BELL,
    MARKER_BENTOU,
    MARKER_CHANCE,
    MARKER_HAZURE,
    MARKER_COUNT
};
extern const std::array<const char*, MARKER_COUNT> MARKER_SERIES_NAMES;  // "BIG" .. "Hazure"
extern const std::array<Rgb, MARKER_COUNT> MARKER_COLORS;
extern const Rgb SLUMP_COLOR;    // (255, 0, 0)
extern const Rgb MODE_COLOR;     // (0, 0, 255)
extern const Rgb BAR_BIG_COLOR;  // (255, 0, 0)
extern const Rgb BAR_REG_COLOR;  // (0, 0, 0)

struct ChartPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
    Rgb color;
};

// Slump-line and mode-line point of a normal-game row.
ChartPoint SlumpPoint(const PlayRow& row) noexcept;  // (playCount, medals)
ChartPoint ModePoint(const PlayRow& row) noexcept;   // (playCount, mode + 1)
