#include "batchstats/Statistics.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <span>
#include <thread>

#include <gmp.h>
#include <mpfr.h>

#include "batchstats/RecordFields.h"

void RecordTable::Reserve(std::size_t count)
{
    for (const RecordField& field : RECORD_FIELDS)
        if (field.wide)
            (this->*field.wideColumn).reserve(count);
        else
            (this->*field.narrowColumn).reserve(count);
    for (auto& column : grid) column.reserve(count);
}

void RecordTable::Resize(std::size_t count)
{
    for (const RecordField& field : RECORD_FIELDS)
        if (field.wide)
            (this->*field.wideColumn).resize(count);
        else
            (this->*field.narrowColumn).resize(count);
    for (auto& column : grid) column.resize(count);
}

void RecordTable::Add(const SimRecord& record)
{
    Append(std::span<const SimRecord>(&record, 1));
}

void RecordTable::Append(std::span<const SimRecord> records)
{
    for (const RecordField& field : RECORD_FIELDS) {
        if (field.wide) {
            auto& column = this->*field.wideColumn;
            for (const SimRecord& r : records) column.push_back(r.*field.wide);
        } else {
            auto& column = this->*field.narrowColumn;
            for (const SimRecord& r : records) column.push_back(r.*field.narrow);
        }
    }
    for (std::size_t k = 0; k < grid.size(); ++k)
        for (const SimRecord& r : records) grid[k].push_back(r.grid[k]);
}

SimRecord RecordTable::At(std::size_t i) const
{
    SimRecord r;
    for (const RecordField& field : RECORD_FIELDS)
        if (field.wide)
            r.*field.wide = (this->*field.wideColumn)[i];
        else
            r.*field.narrow = (this->*field.narrowColumn)[i];
    for (std::size_t k = 0; k < grid.size(); ++k) r.grid[k] = grid[k][i];
    return r;
}

namespace {

// numpy's default: q = p / 100, virtual index (n - 1) * q, and its lerp that
// computes from the upper neighbour when the fraction is 0.5 or more.
// `orderStatistic(k)` is the k-th smallest value (0-based).
template <typename OrderStatistic>
double PercentileAt(std::size_t n, double p, const OrderStatistic& orderStatistic)
{
    const double q = p / 100.0;
    const double position = static_cast<double>(n - 1) * q;
    const double below = std::floor(position);
    const auto i = static_cast<std::size_t>(below);
    const std::size_t next = std::min(i + 1, n - 1);
    const double t = position - below;
    const auto a = static_cast<double>(orderStatistic(i));
    const auto b = static_cast<double>(orderStatistic(next));
    const double diff = b - a;
    return t >= 0.5 ? b - diff * (1 - t) : a + diff * t;
}

template <typename T>
double PercentileOf(const std::vector<T>& sorted, double p) noexcept
{
    return PercentileAt(sorted.size(), p, [&](std::size_t k) { return sorted[k]; });
}

// Four running minima and maxima: independent, so they vectorise or at
// least overlap, where std::minmax_element goes one value at a time.
std::pair<std::int32_t, std::int32_t> MinMax(std::span<const std::int32_t> values) noexcept
{
    std::int32_t lo[4] = {values[0], values[0], values[0], values[0]};
    std::int32_t hi[4] = {values[0], values[0], values[0], values[0]};
    std::size_t i = 0;
    for (; i + 4 <= values.size(); i += 4)
        for (std::size_t w = 0; w < 4; ++w) {
            lo[w] = std::min(lo[w], values[i + w]);
            hi[w] = std::max(hi[w], values[i + w]);
        }
    for (; i < values.size(); ++i) {
        lo[0] = std::min(lo[0], values[i]);
        hi[0] = std::max(hi[0], values[i]);
    }
    return {std::min({lo[0], lo[1], lo[2], lo[3]}), std::max({hi[0], hi[1], hi[2], hi[3]})};
}

// The values of a column in ascending order without sorting them: balances
// and counts span a few thousand values, so cumulative counts over that range
// answer any order statistic with a binary search, at the cost of two passes.
// A wide range falls back to a sorted copy.
class OrderedValues {
    static constexpr std::uint64_t INTERLEAVED_RANGE = 1 << 16;

public:
    explicit OrderedValues(std::span<const std::int32_t> values) : n(values.size())
    {
        const auto [lo, hi] = MinMax(values);
        low = lo;
        const std::uint64_t range = static_cast<std::uint64_t>(static_cast<std::int64_t>(hi) - low) + 1;
        if (range > 4 * n + 4096 || n >= std::numeric_limits<std::uint32_t>::max()) {
            sorted.assign(values.begin(), values.end());
            std::sort(sorted.begin(), sorted.end());
            return;
        }
        cumulative.assign(range, 0);
        if (range <= INTERLEAVED_RANGE) {
            // Runs of equal values would make each increment wait for the
            // last one; four tables keep four increments in flight.
            std::vector<std::uint32_t> more(3 * range, 0);
            std::uint32_t* t[4] = {cumulative.data(), more.data(), more.data() + range,
                                   more.data() + 2 * range};
            std::size_t i = 0;
            for (; i + 4 <= n; i += 4)
                for (std::size_t w = 0; w < 4; ++w) ++t[w][static_cast<std::size_t>(values[i + w] - low)];
            for (; i < n; ++i) ++t[0][static_cast<std::size_t>(values[i] - low)];
            for (std::size_t j = 0; j < range; ++j) cumulative[j] += t[1][j] + t[2][j] + t[3][j];
        } else {
            for (const std::int32_t v : values) ++cumulative[static_cast<std::size_t>(v - low)];
        }
        std::uint32_t total = 0;
        for (std::uint32_t& c : cumulative) c = total += c;
    }

    std::size_t Size() const noexcept { return n; }

    std::int32_t At(std::size_t k) const noexcept
    {
        if (cumulative.empty()) return sorted[k];
        const auto above =
            std::upper_bound(cumulative.begin(), cumulative.end(), static_cast<std::uint32_t>(k));
        return static_cast<std::int32_t>(low + (above - cumulative.begin()));
    }

    // Calls f(value, count) for each distinct value, ascending.
    template <typename F>
    void ForEachAscending(const F& f) const
    {
        if (cumulative.empty()) {
            for (std::size_t i = 0; i < sorted.size();) {
                std::size_t j = i + 1;
                while (j < sorted.size() && sorted[j] == sorted[i]) ++j;
                f(sorted[i], static_cast<std::uint64_t>(j - i));
                i = j;
            }
            return;
        }
        std::uint32_t before = 0;
        for (std::size_t j = 0; j < cumulative.size(); ++j) {
            if (cumulative[j] != before)
                f(static_cast<std::int32_t>(low + static_cast<std::int64_t>(j)),
                  static_cast<std::uint64_t>(cumulative[j] - before));
            before = cumulative[j];
        }
    }

private:
    std::size_t n = 0;
    std::int64_t low = 0;
    std::vector<std::uint32_t> cumulative;  // values <= low + j; empty when sorted is used
    std::vector<std::int32_t> sorted;
};

static_assert(sizeof(unsigned long) == 8, "GMP's unsigned long must hold 64 bits");

struct Integer {
    mpz_t v;
    Integer() { mpz_init(v); }
    ~Integer() { mpz_clear(v); }
    Integer(const Integer&) = delete;
    Integer& operator=(const Integer&) = delete;
};

// A double's worth of bits unless told; MPFR rounds to it correctly (to nearest,
// ties to even).
struct Real {
    mpfr_t v;
    explicit Real(mpfr_prec_t bits = std::numeric_limits<double>::digits) { mpfr_init2(v, bits); }
    ~Real() { mpfr_clear(v); }
    Real(const Real&) = delete;
    Real& operator=(const Real&) = delete;
};

void SetInt128(mpz_t out, __int128 x)
{
    const auto magnitude = x < 0 ? -static_cast<unsigned __int128>(x) : static_cast<unsigned __int128>(x);
    mpz_set_ui(out, static_cast<unsigned long>(magnitude >> 64));
    mpz_mul_2exp(out, out, 64);
    mpz_add_ui(out, out, static_cast<unsigned long>(magnitude));
    if (x < 0) mpz_neg(out, out);
}

// The sums of x and of x^2 over values x = X * 2^scale, X whole, held exactly.
struct ExactSums {
    Integer sum;
    Integer squares;
    long scale = 0;
};

// The mean and the sample spread as the doubles nearest their exact values:
// mean = S / n, variance = (n Q - S^2) / (n (n - 1)), i.e. the sum of
// squared deviations from the exact rational mean over n - 1.
void SetMoments(Distribution& d, const ExactSums& s, std::uint64_t n)
{
    Real sum(std::max<mpfr_prec_t>(static_cast<mpfr_prec_t>(mpz_sizeinbase(s.sum.v, 2)), MPFR_PREC_MIN));
    mpfr_set_z(sum.v, s.sum.v, MPFR_RNDN);  // exact: as many bits as the integer
    Real mean;
    mpfr_div_ui(mean.v, sum.v, n, MPFR_RNDN);
    mpfr_mul_2si(mean.v, mean.v, s.scale, MPFR_RNDN);  // exact: a power of two
    d.mean = mpfr_get_d(mean.v, MPFR_RNDN);
    if (n < 2) {
        d.sd = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    Integer num;
    Integer den;
    mpz_mul_ui(num.v, s.squares.v, n);
    mpz_submul(num.v, s.sum.v, s.sum.v);
    if (mpz_sgn(num.v) == 0) {
        d.sd = 0;
        return;
    }
    mpz_set_ui(den.v, n);
    mpz_mul_ui(den.v, den.v, n - 1);
    // r = floor(sqrt(z)) for z = num * 4^k / den, with k chosen so that r has
    // at least 56 bits, and floor(sqrt(floor(z))) == floor(sqrt(z)). Doubling
    // r and setting its last bit when sqrt(z) is not whole keeps which side of
    // every rounding boundary (3 or more bits further up) the value lies on, so
    // rounding 2r + sticky to 53 bits rounds sqrt(z) itself: no midpoint case
    // is left to chance.
    const auto numBits = static_cast<long>(mpz_sizeinbase(num.v, 2));
    const auto denBits = static_cast<long>(mpz_sizeinbase(den.v, 2));
    const long k = std::max(0L, (2 * 55 + 1 + denBits - numBits + 1) / 2);
    Integer quotient;
    Integer remainder;
    mpz_mul_2exp(num.v, num.v, static_cast<mp_bitcnt_t>(2 * k));
    mpz_fdiv_qr(quotient.v, remainder.v, num.v, den.v);
    Integer root;
    Integer rootRemainder;
    mpz_sqrtrem(root.v, rootRemainder.v, quotient.v);
    mpz_mul_2exp(root.v, root.v, 1);
    if (mpz_sgn(remainder.v) != 0 || mpz_sgn(rootRemainder.v) != 0) mpz_add_ui(root.v, root.v, 1);
    Real sd;
    mpfr_set_z(sd.v, root.v, MPFR_RNDN);
    mpfr_mul_2si(sd.v, sd.v, s.scale - k - 1, MPFR_RNDN);  // exact: a power of two
    d.sd = mpfr_get_d(sd.v, MPFR_RNDN);
}

Distribution IntDistribution(const OrderedValues& values)
{
    Distribution d;
    const std::size_t count = values.Size();
    const auto at = [&](std::size_t k) { return values.At(k); };
    d.min = values.At(0);
    d.max = values.At(count - 1);
    for (std::size_t j = 0; j < PERCENTILES.size(); ++j)
        d.percentiles[j] = PercentileAt(count, PERCENTILES[j], at);
    // Exact integer sums: the mean and the spread depend on the values alone.
    __int128 sum = 0;
    __int128 squares = 0;
    values.ForEachAscending([&](std::int32_t v, std::uint64_t c) {
        sum += static_cast<__int128>(v) * c;
        squares += static_cast<__int128>(static_cast<std::int64_t>(v) * v) * c;
    });
    ExactSums sums;
    SetInt128(sums.sum.v, sum);
    SetInt128(sums.squares.v, squares);
    SetMoments(d, sums, count);
    return d;
}

// Takes ascending values.
Distribution RealDistribution(const std::vector<double>& values)
{
    Distribution d;
    d.min = values.front();
    d.max = values.back();
    for (std::size_t j = 0; j < PERCENTILES.size(); ++j)
        d.percentiles[j] = PercentileOf(values, PERCENTILES[j]);
    if (!std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); })) {
        d.mean = d.sd = std::numeric_limits<double>::quiet_NaN();
        return d;
    }
    // Every double is an integer times 2^e; with the smallest e present as
    // the common unit the sums are exact integers. Runs of equal values
    // (sorted) cost one step each, and one play count gives few of them.
    int unit = std::numeric_limits<int>::max();
    for (const double v : values)
        if (v != 0) {
            int exponent = 0;
            std::frexp(v, &exponent);
            unit = std::min(unit, exponent - std::numeric_limits<double>::digits);
        }
    ExactSums sums;
    if (unit == std::numeric_limits<int>::max()) unit = 0;  // all zero
    sums.scale = unit;
    Integer x;
    Integer square;
    for (std::size_t i = 0; i < values.size();) {
        std::size_t j = i + 1;
        while (j < values.size() && values[j] == values[i]) ++j;
        if (values[i] == 0) {
            i = j;
            continue;
        }
        int exponent = 0;
        const double fraction = std::frexp(values[i], &exponent);
        mpz_set_si(x.v, static_cast<long>(std::ldexp(fraction, std::numeric_limits<double>::digits)));
        mpz_mul_2exp(x.v, x.v,
                     static_cast<mp_bitcnt_t>(exponent - std::numeric_limits<double>::digits - unit));
        mpz_addmul_ui(sums.sum.v, x.v, j - i);
        mpz_mul(square.v, x.v, x.v);
        mpz_addmul_ui(sums.squares.v, square.v, j - i);
        i = j;
    }
    SetMoments(d, sums, values.size());
    return d;
}

double PayoutOf(std::int32_t balance, std::int32_t plays) noexcept
{
    SimRecord r;
    r.finalBalance = balance;
    r.plays = plays;
    return r.Payout();
}

// Ascending payout rates. With one play count the rate rises with the
// balance, so the ordered balances give them in order without a sort.
std::vector<double> SortedPayouts(const OrderedValues& balances, std::span<const std::int32_t> balanceColumn,
                                  std::span<const std::int32_t> plays)
{
    std::vector<double> payouts;
    payouts.reserve(plays.size());
    const std::int32_t first = plays.front();
    if (std::all_of(plays.begin(), plays.end(), [&](std::int32_t p) { return p == first; })) {
        balances.ForEachAscending(
            [&](std::int32_t b, std::uint64_t c) { payouts.insert(payouts.end(), c, PayoutOf(b, first)); });
        return payouts;
    }
    for (std::size_t i = 0; i < plays.size(); ++i) payouts.push_back(PayoutOf(balanceColumn[i], plays[i]));
    std::sort(payouts.begin(), payouts.end());
    return payouts;
}

GroupStatistics Group(const RecordTable& table, const std::vector<std::size_t>* rows)
{
    // A group of some rows works on copies of their values, the whole table
    // on its columns.
    const auto gather = [&](const std::vector<std::int32_t>& source) {
        std::vector<std::int32_t> out;
        if (!rows) return out;
        out.reserve(rows->size());
        for (const std::size_t i : *rows) out.push_back(source[i]);
        return out;
    };
    const auto view = [&](const std::vector<std::int32_t>& source, const std::vector<std::int32_t>& copy) {
        return rows ? std::span<const std::int32_t>(copy) : std::span<const std::int32_t>(source);
    };
    const auto distribution = [&](const std::vector<std::int32_t>& source) {
        const std::vector<std::int32_t> copy = gather(source);
        return IntDistribution(OrderedValues(view(source, copy)));
    };

    GroupStatistics g;
    g.count = static_cast<std::int64_t>(rows ? rows->size() : table.Size());
    const std::vector<std::int32_t> balanceCopy = gather(table.finalBalance);
    const std::span<const std::int32_t> balances = view(table.finalBalance, balanceCopy);
    const std::vector<std::int32_t> playsCopy = gather(table.plays);
    const std::span<const std::int32_t> plays = view(table.plays, playsCopy);
    g.pProfit = static_cast<double>(
                    std::count_if(balances.begin(), balances.end(), [](std::int32_t b) { return b > 0; })) /
                static_cast<double>(g.count);
    const OrderedValues orderedBalances(balances);
    g.finalBalance = IntDistribution(orderedBalances);
    g.payout = RealDistribution(SortedPayouts(orderedBalances, balances, plays));
    g.big = distribution(table.big);
    g.reg = distribution(table.reg);
    g.longestDrought = distribution(table.longestDrought);
    g.lowestBalance = distribution(table.lowestBalance);
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
    const std::int32_t plays = table.plays.front();
    const bool commonPlays =
        std::all_of(table.plays.begin(), table.plays.end(), [&](std::int32_t p) { return p == plays; });
    Bands bands;
    const auto fillBands = [&](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) {
            const OrderedValues ordered(table.grid[k]);
            const auto at = [&](std::size_t i) { return ordered.At(i); };
            for (std::size_t j = 0; j < BAND_PERCENTILES.size(); ++j)
                bands.values[j][k] = PercentileAt(ordered.Size(), BAND_PERCENTILES[j], at);
        }
    };
    if (commonPlays) {
        for (int k = 1; k <= GRID_POINTS; ++k) bands.plays.push_back(GridPlay(plays, k));
        for (auto& values : bands.values) values.assign(GRID_POINTS, 0);
    }
    // The band columns stand apart from the rest: a second thread takes most
    // of them while this one does the groups.
    const std::size_t split =
        commonPlays && std::thread::hardware_concurrency() > 1 ? GRID_POINTS * 3 / 5 : 0;
    std::exception_ptr failure;
    {
        std::jthread worker;
        if (split > 0)
            worker = std::jthread([&] {
                try {
                    fillBands(0, split);
                } catch (...) {
                    failure = std::current_exception();
                }
            });

        s.all = Group(table, nullptr);
        const std::int32_t setting = table.setting.front();
        if (std::all_of(table.setting.begin(), table.setting.end(),
                        [&](std::int32_t v) { return v == setting; })) {
            s.bySetting.emplace(setting, s.all);
            s.commonSetting = setting;
        } else {
            std::map<std::int32_t, std::vector<std::size_t>> rowsBySetting;
            for (std::size_t i = 0; i < table.Size(); ++i) rowsBySetting[table.setting[i]].push_back(i);
            for (const auto& [value, rows] : rowsBySetting) s.bySetting.emplace(value, Group(table, &rows));
        }
        s.histogram = MakeHistogram(table.finalBalance);
        if (commonPlays) fillBands(split, GRID_POINTS);
    }
    if (failure) std::rethrow_exception(failure);
    if (commonPlays) {
        s.commonPlays = plays;
        s.bands = std::move(bands);
    }
    return s;
}
