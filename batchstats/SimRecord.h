#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/PlaySeries.h"

// Points of the balance grid kept per simulation: the fan chart's x values.
constexpr int GRID_POINTS = 100;

// Play number of grid point k (1..GRID_POINTS) in a run of `plays` games:
// ceil(k * plays / GRID_POINTS), so the last point is the last game.
std::int32_t GridPlay(std::int32_t plays, int k) noexcept;

constexpr std::int64_t NO_SEED = -1;

// What a study keeps of one simulation, whatever its length.
struct SimRecord {
    std::int64_t sim = 0;  // 1-based number in its batch; 0 when not known (a file)
    // The seed of the study that played it (0..2^32-1), so that the pair
    // names one simulation; NO_SEED when not known (a .sim file, a records
    // file written before records carried it).
    std::int64_t seed = NO_SEED;
    std::int32_t setting = 0;
    std::int32_t plays = 0;           // N, the last play count; at least 1
    std::int32_t finalBalance = 0;    // medals of the last row
    std::int32_t big = 0;             // normal-game rows with outcome 7
    std::int32_t reg = 0;             // normal-game rows with outcome 8
    std::int32_t bigFirstHits = 0;    // BIG releases that are not a 1G連
    std::int32_t longestDrought = 0;  // most normal games without a bonus (largest gamesSinceBonus)
    std::int32_t lowestBalance = 0;   // over every row
    std::int32_t highestBalance = 0;
    std::array<std::int32_t, GRID_POINTS> grid{};  // balance after game GridPlay(plays, k + 1)

    // Payout rate as the run's summary shows it: single-precision balance and
    // medals in, double arithmetic on them.
    double Payout() const noexcept;

    friend bool operator==(const SimRecord&, const SimRecord&) = default;
};

// Builds a record row by row, so a run never has to keep its series.
// To be used as follows: construct with the run's N (known before the first
// row), Add every row in order, then Finish.
class RecordBuilder {
public:
    RecordBuilder(std::int32_t plays, std::int32_t setting, std::int64_t sim) noexcept;

    void Add(const PlayRow& row) noexcept
    {
        if (rows == 0) {
            record.lowestBalance = record.highestBalance = row.medals;
        } else {
            record.lowestBalance = row.medals < record.lowestBalance ? row.medals : record.lowestBalance;
            record.highestBalance = row.medals > record.highestBalance ? row.medals : record.highestBalance;
        }
        if (row.gamesSinceBonus > record.longestDrought) record.longestDrought = row.gamesSinceBonus;
        if (row.IsRelease()) AddRelease(row);
        if (row.bonusGame == 0 && row.playCount >= nextGridPlay) AddGridPoint(row);
        lastBalance = row.medals;
        ++rows;
    }

    // The record; false (and `out` untouched) when no row was added.
    [[nodiscard]] bool Finish(SimRecord& out) const noexcept;

private:
    void AddRelease(const PlayRow& row) noexcept;
    void AddGridPoint(const PlayRow& row) noexcept;

    SimRecord record;
    std::int64_t rows = 0;
    std::int32_t lastBalance = 0;
    int nextGrid = 0;  // index of the next grid point to fill
    std::int32_t nextGridPlay = 0;
};

// Record of a whole play series; false when the series is empty or its last
// play count is below 1.
[[nodiscard]] bool RecordFromSeries(const PlaySeries& series, std::int32_t setting, std::int64_t sim,
                                    SimRecord& out);

// Record of a simulation file's content (the header's setting, N from the last
// whole record). On failure returns false with `error` saying why.
[[nodiscard]] bool RecordFromSimBytes(const unsigned char* data, std::size_t size, SimRecord& out,
                                      std::string& error);
