#include "analysis/SlumpData.h"

const std::array<const char*, MARKER_COUNT> MARKER_SERIES_NAMES{"BIG",    "REG",    "Cherry", "Bell",
                                                                "Bentou", "Chance", "Hazure"};
const std::array<Rgb, MARKER_COUNT> MARKER_COLORS{
    Rgb{0, 0, 255},      // BIG
    Rgb{0, 0, 0},        // REG
    Rgb{255, 0, 0},      // Cherry
    Rgb{255, 255, 0},    // Bell
    Rgb{0, 128, 0},      // Bentou
    Rgb{0, 0, 0},        // Chance
    Rgb{255, 255, 255},  // Hazure
};
const Rgb SLUMP_COLOR{255, 0, 0};
const Rgb MODE_COLOR{0, 0, 255};
const Rgb BAR_BIG_COLOR{255, 0, 0};
const Rgb BAR_REG_COLOR{0, 0, 0};

ChartPoint SlumpPoint(const PlayRow& row) noexcept
{
    return {row.playCount, row.medals, SLUMP_COLOR};
}

ChartPoint ModePoint(const PlayRow& row) noexcept
{
    // Modes 0..2 sit at 1..3 on the right axis.
    return {row.playCount, std::int64_t{row.mode} + 1, MODE_COLOR};
}
