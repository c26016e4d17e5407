// Throws arbitrary bytes, read as a simulation file, at the figures `compare`
// and the tab 理論値 compute from a series and at their deviations from each
// setting: any play count or field a file may hold must give figures or "-",
// never an index outside the stretches or an overflow. A series the machine
// can play must give N from its last record and finite figures.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "sim/PlaySeries.h"
#include "sim/SeriesCheck.h"
#include "sim/SimFile.h"
#include "theory/RunComparison.h"
#include "theory/Theory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PlaySeries series;
    const SimReadResult read = ReadSimBytes(data, size, series);
    if (!read.Ok()) return 0;
    const RunFigures run = ComputeRunFigures(series);
    static const auto theory = ComputeAllTheory();
    for (const SettingTheory& setting : theory) {
        const auto deviations = Deviations(run, setting);
        if (deviations.size() != run.rows.size()) __builtin_trap();
    }
    if (series.Empty() || CheckSeries(read.setting, read.playCount, series)) return 0;
    if (run.plays != series.Back().playCount) __builtin_trap();
    for (const FigureRow& row : run.rows)
        if ((row.run && !std::isfinite(*row.run)) || (row.batchError && !std::isfinite(*row.batchError)))
            __builtin_trap();
    return 0;
}
