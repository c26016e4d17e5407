#include "batchstats/SimRecord.h"

#include <limits>

#include "analysis/RowTexts.h"
#include "sim/SimFile.h"

std::int32_t GridPlay(std::int32_t plays, int k) noexcept
{
    return static_cast<std::int32_t>((static_cast<std::int64_t>(k) * plays + GRID_POINTS - 1) / GRID_POINTS);
}

double SimRecord::Payout() const noexcept
{
    const float balanceF = static_cast<float>(finalBalance);
    const float medalsIn = static_cast<float>(std::int64_t{3} * plays);
    return (static_cast<double>(balanceF) + medalsIn) / static_cast<double>(medalsIn) * 100;
}

RecordBuilder::RecordBuilder(std::int32_t plays, std::int32_t setting, std::int64_t sim) noexcept
{
    record.sim = sim;
    record.setting = setting;
    record.plays = plays;
    nextGridPlay = plays >= 1 ? GridPlay(plays, 1) : std::numeric_limits<std::int32_t>::max();
}

void RecordBuilder::AddRelease(const PlayRow& row) noexcept
{
    if (row.bonusGame == 0) ++(row.outcome == Outcome::BIG ? record.big : record.reg);
    if (row.outcome == Outcome::BIG && ClassifyRelease(row) != ReleaseClass::Chain) ++record.bigFirstHits;
}

void RecordBuilder::AddGridPoint(const PlayRow& row) noexcept
{
    // A play count that skips grid points (only in a damaged file) fills them
    // all with this balance, so a record is always complete.
    while (nextGrid < GRID_POINTS && GridPlay(record.plays, nextGrid + 1) <= row.playCount)
        record.grid[static_cast<std::size_t>(nextGrid++)] = row.medals;
    nextGridPlay = nextGrid < GRID_POINTS ? GridPlay(record.plays, nextGrid + 1)
                                          : std::numeric_limits<std::int32_t>::max();
}

bool RecordBuilder::Finish(SimRecord& out) const noexcept
{
    if (rows == 0 || record.plays < 1) return false;
    out = record;
    out.finalBalance = lastBalance;
    for (int k = nextGrid; k < GRID_POINTS; ++k) out.grid[static_cast<std::size_t>(k)] = lastBalance;
    return true;
}

bool RecordFromSeries(const PlaySeries& series, std::int32_t setting, std::int64_t sim, SimRecord& out)
{
    if (series.Empty()) return false;
    RecordBuilder builder(series.Back().playCount, setting, sim);
    for (const PlayRow& row : series.Rows()) builder.Add(row);
    return builder.Finish(out);
}

bool RecordFromSimBytes(const unsigned char* data, std::size_t size, SimRecord& out, std::string& error)
{
    if (size < SIM_HEADER_BYTES || GetInt32(data) != SIM_FILE_ID) {
        error = "not a simulation file";
        return false;
    }
    const std::size_t count = (size - SIM_HEADER_BYTES) / SIM_RECORD_BYTES;
    const unsigned char* first = data + SIM_HEADER_BYTES;
    // N is known only from the last whole record; the grid needs it first.
    const std::int32_t plays = count == 0 ? 0 : DecodeRow(first + (count - 1) * SIM_RECORD_BYTES).playCount;
    if (plays < 1) {
        error = "holds no plays";
        return false;
    }
    RecordBuilder builder(plays, GetInt32(data + 4), 0);
    for (std::size_t i = 0; i < count; ++i) builder.Add(DecodeRow(first + i * SIM_RECORD_BYTES));
    return builder.Finish(out);
}
