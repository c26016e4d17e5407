// Throws arbitrary bytes, read as a simulation file, at the estimate of the
// setting under both evidences: a series no setting plays must end in an
// error naming its row, never a crash, a hang or a posterior that is not one.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "estimate/SettingEstimate.h"
#include "sim/PlaySeries.h"
#include "sim/SeriesCheck.h"
#include "sim/SimFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PlaySeries series;
    const SimReadResult read = ReadSimBytes(data, size, series);
    if (!read.Ok()) return 0;
    (void)CheckSeries(read.setting, read.playCount, series);
    for (const Evidence evidence : {Evidence::Hall, Evidence::Record}) {
        const SettingEstimate estimate = EstimateSetting(series.Rows(), evidence, FLAT_PRIOR, true);
        if (!estimate.Ok()) continue;
        double sum = 0;
        for (const double p : estimate.posterior) {
            if (!(p >= 0 && p <= 1)) __builtin_trap();
            sum += p;
        }
        if (std::abs(sum - 1) > 1e-9 || estimate.mostLikely < 1 || estimate.mostLikely > 6) __builtin_trap();
    }
    return 0;
}
