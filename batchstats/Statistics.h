#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "batchstats/SimRecord.h"

// The records of a study, one column per field, so a million simulations
// take a few hundred bytes each and a column can be sorted on its own.
class RecordTable {
public:
    void Reserve(std::size_t count);
    // Keeps the first `count` records (a failed read takes back what it added).
    void Resize(std::size_t count);
    void Add(const SimRecord& record);
    // Many records at once, column by column: each column is written in one
    // run, where adding them one by one touches every column per record.
    void Append(std::span<const SimRecord> records);
    std::size_t Size() const noexcept { return setting.size(); }
    bool Empty() const noexcept { return setting.empty(); }
    SimRecord At(std::size_t i) const;

    std::vector<std::int64_t> sim;
    std::vector<std::int64_t> seed;
    std::vector<std::int32_t> setting;
    std::vector<std::int32_t> plays;
    std::vector<std::int32_t> finalBalance;
    std::vector<std::int32_t> big;
    std::vector<std::int32_t> reg;
    std::vector<std::int32_t> bigFirstHits;
    std::vector<std::int32_t> longestDrought;
    std::vector<std::int32_t> lowestBalance;
    std::vector<std::int32_t> highestBalance;
    std::array<std::vector<std::int32_t>, GRID_POINTS> grid;
};

constexpr std::array<int, 9> PERCENTILES = {1, 5, 10, 25, 50, 75, 90, 95, 99};
constexpr std::array<int, 5> BAND_PERCENTILES = {5, 25, 50, 75, 95};

// Percentile p (0..100) of ascending values: linear interpolation between the
// order statistics around position (n - 1) * p / 100, computed exactly as
// numpy's default method does, so anyone can recompute it. n must be >= 1.
double Percentile(const std::vector<double>& sorted, double p) noexcept;

// mean and sd are the doubles nearest their exact values.
struct Distribution {
    double mean = 0;
    double sd = 0;  // sample (n - 1); NaN for one value
    double min = 0;
    double max = 0;
    std::array<double, PERCENTILES.size()> percentiles{};
};

struct GroupStatistics {
    std::int64_t count = 0;
    Distribution finalBalance;  // medals
    Distribution payout;        // percent
    Distribution big;
    Distribution reg;
    Distribution longestDrought;
    Distribution lowestBalance;
    double pProfit = 0;  // share of final balances above 0
};

// Bin j counts final balances in [start + j * width, start + (j + 1) * width).
struct Histogram {
    std::int64_t start = 0;
    std::int64_t width = 1;
    std::vector<std::int64_t> counts;
};

// Balance percentiles at each grid point; only when all records share N.
struct Bands {
    std::vector<std::int32_t> plays;
    std::array<std::vector<double>, BAND_PERCENTILES.size()> values;  // p5, p25, p50, p75, p95
};

struct StudySummary {
    GroupStatistics all;
    std::map<std::int32_t, GroupStatistics> bySetting;
    Histogram histogram;
    std::optional<Bands> bands;
    std::optional<std::int32_t> commonSetting;  // when every record has it
    std::optional<std::int32_t> commonPlays;
};

// Summarises a non-empty table. Every figure is computed from sorted values
// or exact integer sums, so the order of the records never changes a digit.
StudySummary Summarise(const RecordTable& table);
