#include "batchstats/Statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

void RecordTable::Reserve(std::size_t count)
{
    for (auto* column : {&setting, &plays, &finalBalance, &big, &reg, &bigFirstHits, &longestDrought,
                         &lowestBalance, &highestBalance})
        column->reserve(count);
    sim.reserve(count);
    for (auto& column : grid) column.reserve(count);
}

void RecordTable::Add(const SimRecord& record)
{
    sim.push_back(record.sim);
    setting.push_back(record.setting);
    plays.push_back(record.plays);
    finalBalance.push_back(record.finalBalance);
    big.push_back(record.big);
    reg.push_back(record.reg);
    bigFirstHits.push_back(record.bigFirstHits);
    longestDrought.push_back(record.longestDrought);
    lowestBalance.push_back(record.lowestBalance);
    highestBalance.push_back(record.highestBalance);
    for (std::size_t k = 0; k < grid.size(); ++k) grid[k].push_back(record.grid[k]);
}

SimRecord RecordTable::At(std::size_t i) const
{
    SimRecord r;
    r.sim = sim[i];
    r.setting = setting[i];
    r.plays = plays[i];
    r.finalBalance = finalBalance[i];
    r.big = big[i];
    r.reg = reg[i];
    r.bigFirstHits = bigFirstHits[i];
    r.longestDrought = longestDrought[i];
    r.lowestBalance = lowestBalance[i];
    r.highestBalance = highestBalance[i];
    for (std::size_t k = 0; k < grid.size(); ++k) r.grid[k] = grid[k][i];
    return r;
}

namespace {

template <typename T>
double PercentileOf(const std::vector<T>& sorted, double p) noexcept
{
    // numpy: q = p / 100, virtual index (n - 1) * q, and its lerp that
    // computes from the upper neighbour when the fraction is 0.5 or more.
    const double q = p / 100.0;
    const double position = static_cast<double>(sorted.size() - 1) * q;
    const double below = std::floor(position);
    const auto i = static_cast<std::size_t>(below);
    const std::size_t next = std::min(i + 1, sorted.size() - 1);
    const double t = position - below;
    const auto a = static_cast<double>(sorted[i]);
    const auto b = static_cast<double>(sorted[next]);
    const double diff = b - a;
    return t >= 0.5 ? b - diff * (1 - t) : a + diff * t;
}

// Balances span a few thousand medals, so counting beats comparison sorting
// by far on a million values; a wide range falls back to std::sort.
void SortInts(std::vector<std::int32_t>& values)
{
    if (values.size() < 2) return;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    const std::int64_t low = *lo;
    const std::uint64_t range = static_cast<std::uint64_t>(static_cast<std::int64_t>(*hi) - low) + 1;
    if (range > 4 * values.size() + 4096) {
        std::sort(values.begin(), values.end());
        return;
    }
    std::vector<std::uint32_t> counts(range, 0);
    for (const std::int32_t v : values) ++counts[static_cast<std::size_t>(v - low)];
    std::size_t out = 0;
    for (std::size_t j = 0; j < range; ++j)
        for (std::uint32_t c = counts[j]; c > 0; --c)
            values[out++] = static_cast<std::int32_t>(low + static_cast<std::int64_t>(j));
}

template <typename T>
void FillPercentiles(const std::vector<T>& sorted, Distribution& d) noexcept
{
    d.min = static_cast<double>(sorted.front());
    d.max = static_cast<double>(sorted.back());
    for (std::size_t j = 0; j < PERCENTILES.size(); ++j)
        d.percentiles[j] = PercentileOf(sorted, PERCENTILES[j]);
}

Distribution IntDistribution(std::vector<std::int32_t> values)
{
    Distribution d;
    SortInts(values);
    FillPercentiles(values, d);
    // Exact integer sums: the mean and the spread depend on the values alone.
    __int128 sum = 0;
    __int128 squares = 0;
    for (const std::int32_t v : values) {
        sum += v;
        squares += static_cast<std::int64_t>(v) * v;
    }
    const auto n = static_cast<__int128>(values.size());
    d.mean = static_cast<double>(static_cast<long double>(sum) / static_cast<long double>(n));
    if (n < 2) {
        d.sd = std::numeric_limits<double>::quiet_NaN();
    } else {
        const __int128 numerator = n * squares - sum * sum;
        const long double variance = static_cast<long double>(numerator) /
                                     (static_cast<long double>(n) * static_cast<long double>(n - 1));
        d.sd = static_cast<double>(std::sqrt(variance));
    }
    return d;
}

// Neumaier's compensated sum; callers pass sorted values so the order is fixed.
struct CompensatedSum {
    double sum = 0;
    double carry = 0;
    void Add(double x) noexcept
    {
        const double t = sum + x;
        carry += std::fabs(sum) >= std::fabs(x) ? (sum - t) + x : (x - t) + sum;
        sum = t;
    }
    double Value() const noexcept { return sum + carry; }
};

Distribution RealDistribution(std::vector<double> values)
{
    Distribution d;
    std::sort(values.begin(), values.end());
    FillPercentiles(values, d);
    CompensatedSum sum;
    for (const double v : values) sum.Add(v);
    const auto n = static_cast<double>(values.size());
    d.mean = sum.Value() / n;
    if (values.size() < 2) {
        d.sd = std::numeric_limits<double>::quiet_NaN();
    } else {
        CompensatedSum squares;
        for (const double v : values) squares.Add((v - d.mean) * (v - d.mean));
        d.sd = std::sqrt(squares.Value() / (n - 1));
    }
    return d;
}

GroupStatistics Group(const RecordTable& table, const std::vector<std::size_t>* rows)
{
    auto gather = [&](const std::vector<std::int32_t>& column) {
        if (!rows) return column;
        std::vector<std::int32_t> out;
        out.reserve(rows->size());
        for (const std::size_t i : *rows) out.push_back(column[i]);
        return out;
    };
    GroupStatistics g;
    g.count = static_cast<std::int64_t>(rows ? rows->size() : table.Size());
    const std::vector<std::int32_t> balances = gather(table.finalBalance);
    g.pProfit = static_cast<double>(
                    std::count_if(balances.begin(), balances.end(), [](std::int32_t b) { return b > 0; })) /
                static_cast<double>(g.count);
    std::vector<double> payouts;
    payouts.reserve(static_cast<std::size_t>(g.count));
    const std::vector<std::int32_t> plays = gather(table.plays);
    for (std::size_t i = 0; i < balances.size(); ++i) {
        SimRecord r;
        r.finalBalance = balances[i];
        r.plays = plays[i];
        payouts.push_back(r.Payout());
    }
    g.finalBalance = IntDistribution(balances);
    g.payout = RealDistribution(std::move(payouts));
    g.big = IntDistribution(gather(table.big));
    g.reg = IntDistribution(gather(table.reg));
    g.longestDrought = IntDistribution(gather(table.longestDrought));
    g.lowestBalance = IntDistribution(gather(table.lowestBalance));
    return g;
}

// Bin width 1, 2 or 5 times a power of ten: the smallest that needs no more
// bins than about the square root of the count (10 to 50).
Histogram MakeHistogram(const std::vector<std::int32_t>& balances)
{
    const auto [lo, hi] = std::minmax_element(balances.begin(), balances.end());
    const auto limit = static_cast<std::int64_t>(
        std::clamp(std::ceil(std::sqrt(static_cast<double>(balances.size()))), 10.0, 50.0));
    auto floorDiv = [](std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && a < 0); };
    Histogram h;
    for (std::int64_t scale = 1;; scale *= 10) {
        for (const std::int64_t step : {1, 2, 5}) {
            const std::int64_t width = step * scale;
            const std::int64_t first = floorDiv(*lo, width);
            const std::int64_t last = floorDiv(*hi, width);
            if (last - first + 1 > limit) continue;
            h.width = width;
            h.start = first * width;
            h.counts.assign(static_cast<std::size_t>(last - first + 1), 0);
            for (const std::int32_t b : balances)
                ++h.counts[static_cast<std::size_t>(floorDiv(b, width) - first)];
            return h;
        }
    }
}

}  // namespace

double Percentile(const std::vector<double>& sorted, double p) noexcept
{
    return PercentileOf(sorted, p);
}

StudySummary Summarise(const RecordTable& table)
{
    StudySummary s;
    s.all = Group(table, nullptr);

    std::map<std::int32_t, std::vector<std::size_t>> rowsBySetting;
    for (std::size_t i = 0; i < table.Size(); ++i) rowsBySetting[table.setting[i]].push_back(i);
    for (const auto& [setting, rows] : rowsBySetting) s.bySetting.emplace(setting, Group(table, &rows));
    if (rowsBySetting.size() == 1) s.commonSetting = rowsBySetting.begin()->first;

    s.histogram = MakeHistogram(table.finalBalance);

    const std::int32_t plays = table.plays.front();
    if (std::all_of(table.plays.begin(), table.plays.end(), [&](std::int32_t p) { return p == plays; })) {
        s.commonPlays = plays;
        Bands bands;
        for (int k = 1; k <= GRID_POINTS; ++k) bands.plays.push_back(GridPlay(plays, k));
        std::vector<std::int32_t> column;
        for (const auto& source : table.grid) {
            column = source;
            SortInts(column);
            for (std::size_t j = 0; j < BAND_PERCENTILES.size(); ++j)
                bands.values[j].push_back(PercentileOf(column, BAND_PERCENTILES[j]));
        }
        s.bands = std::move(bands);
    }
    return s;
}
