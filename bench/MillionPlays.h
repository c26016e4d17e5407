#pragma once

#include <cstdlib>

#include "sim/PlaySeries.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"

constexpr int MILLION_PLAYS = 1'000'000;

// One 1,000,000-play run (about 1.2 million rows), played once per benchmark
// program and shared by its benchmarks.
inline const PlaySeries& MillionPlays()
{
    static const PlaySeries series = [] {
        RandomSource random;
        random.Seed(1);
        Slot slot(random);
        PlaySeries played;
        if (!RunSingle(slot, random, MILLION_PLAYS, SettingChoice{false, 6}, played)) std::abort();
        return played;
    }();
    return series;
}
