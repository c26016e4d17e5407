#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <set>
#include <system_error>
#include <thread>

#include "TestSupport.h"
#include "analysis/NumberFormat.h"
#include "analysis/ResultAnalysis.h"
#include "batchstats/IndependentRun.h"
#include "batchstats/SimRecord.h"
#include "batchstats/Statistics.h"
#include "sim/BatchName.h"
#include "sim/SimFile.h"
#include "sim/SingleRun.h"

namespace {

PlayRow Row(std::int32_t playCount, std::int32_t medals, std::int32_t gamesSinceBonus,
            std::int32_t outcome = Outcome::NONE, std::int32_t bonusGame = 0,
            std::int32_t preSign = PreSignKind::NONE)
{
    PlayRow r{};
    r.playCount = playCount;
    r.medals = medals;
    r.gamesSinceBonus = gamesSinceBonus;
    r.outcome = outcome;
    r.bonusGame = bonusGame;
    r.preSign = preSign;
    return r;
}

SimRecord RecordWithBalance(std::int32_t balance, std::int32_t setting = 1, std::int32_t plays = 100)
{
    SimRecord r;
    r.setting = setting;
    r.plays = plays;
    r.finalBalance = r.lowestBalance = r.highestBalance = balance;
    r.grid.fill(balance);
    return r;
}

TEST(Percentile, InterpolatesBetweenOrderStatisticsAtNMinusOneTimesP)
{
    // Five values: position 4p/100. The whole positions and the quarter steps
    // are exact in binary; the others are compared within 2 ulps because the
    // interpolation itself rounds once or twice.
    const std::vector<double> v = {10, 20, 30, 40, 50};
    struct Case {
        double p;
        double expected;
        bool exact;
    };
    for (const Case c :
         {Case{0, 10, true}, Case{1, 10.4, false}, Case{5, 12, false}, Case{10, 14, false},
          Case{25, 20, true}, Case{50, 30, true}, Case{62.5, 35, true}, Case{75, 40, true},
          Case{90, 46, false}, Case{95, 48, false}, Case{99, 49.6, false}, Case{100, 50, true}}) {
        SCOPED_TRACE("p = " + std::to_string(c.p));
        if (c.exact)
            EXPECT_EQ(Percentile(v, c.p), c.expected);
        else
            EXPECT_NEAR(Percentile(v, c.p), c.expected, 2 * std::nextafter(c.expected, 1e9) - 2 * c.expected);
    }
    EXPECT_EQ(Percentile({7}, 99), 7);
}

// A fixture whose every figure is known by hand: final balances 0, 10, ...,
// 1000 (101 values, shuffled), so percentile p is 10p exactly, the mean is
// 500 and the sample variance is 10^2 * 101 * 102 / 12 = 85850.
TEST(Summarise, KnownFixtureGivesExactFigures)
{
    std::vector<std::int32_t> balances(101);
    for (int i = 0; i <= 100; ++i) balances[static_cast<std::size_t>(i)] = 10 * i;
    std::shuffle(balances.begin(), balances.end(), std::mt19937(5));
    RecordTable table;
    for (const std::int32_t b : balances) table.Add(RecordWithBalance(b, 2, 1000));

    const StudySummary s = Summarise(table);
    EXPECT_EQ(s.all.count, 101);
    EXPECT_EQ(s.all.finalBalance.mean, 500);
    // No tolerance: the variance is a whole number, so the correctly rounded
    // square root of the exact value is std::sqrt's.
    EXPECT_EQ(s.all.finalBalance.sd, std::sqrt(85850.0));
    EXPECT_EQ(s.all.finalBalance.min, 0);
    EXPECT_EQ(s.all.finalBalance.max, 1000);
    for (std::size_t j = 0; j < PERCENTILES.size(); ++j)
        EXPECT_EQ(s.all.finalBalance.percentiles[j], 10.0 * PERCENTILES[j]) << "p" << PERCENTILES[j];
    EXPECT_EQ(s.all.pProfit, 100.0 / 101);
    // Payout of 1000 plays: (b + 3000) / 3000 * 100, a monotone function.
    EXPECT_DOUBLE_EQ(s.all.payout.min, 100);
    EXPECT_DOUBLE_EQ(s.all.payout.max, 4000.0 / 3000 * 100);
    ASSERT_TRUE(s.commonSetting && s.commonPlays);
    EXPECT_EQ(*s.commonSetting, 2);
    ASSERT_TRUE(s.bands);
    EXPECT_EQ(s.bands->plays.front(), 10);
    EXPECT_EQ(s.bands->plays.back(), 1000);
    EXPECT_EQ(s.bands->values[2].back(), 500);  // median
    EXPECT_EQ(s.bands->values[0].front(), 50);  // p5

    // 101 values: at most 11 bins, so width 100 from 0; the last bin holds 1000 alone.
    EXPECT_EQ(s.histogram.start, 0);
    EXPECT_EQ(s.histogram.width, 100);
    ASSERT_EQ(s.histogram.counts.size(), 11u);
    EXPECT_EQ(s.histogram.counts.front(), 10);
    EXPECT_EQ(s.histogram.counts.back(), 1);
}

// Mean and sample spread are the doubles nearest the exact values (computed
// with rational arithmetic, so compared without tolerance). Sums in long
// double or compensated doubles miss by one ulp on these small sets: the
// balance spread of the first, the payout mean and spread of the second.
// Payouts of 0 (every medal lost) add nothing to the exact sums.
TEST(Summarise, MeanAndSpreadAreTheNearestDoublesOfTheExactValues)
{
    struct Case {
        std::vector<std::int32_t> balances;  // of 1000 plays
        double balanceMean, balanceSd, payoutMean, payoutSd;
    };
    for (const Case& c : {
             Case{{8980, -1447, -9719, 758, -3978}, -1081.2, 6851.044642972341, 63.96, 228.36815476574466},
             Case{{-306, -93, 3226, 3940, 5613},
                  2476,
                  2592.5783498286028,
                  182.53333333333333,
                  86.4192783276201},
             Case{{-3000, -3000, 0}, -2000, 1732.0508075688772, 33.333333333333336, 57.735026918962575},
             Case{{-3000, -3000}, -3000, 0, 0, 0},
         }) {
        SCOPED_TRACE(::testing::PrintToString(c.balances));
        RecordTable table;
        for (const std::int32_t b : c.balances) table.Add(RecordWithBalance(b, 1, 1000));
        const GroupStatistics g = Summarise(table).all;
        EXPECT_EQ(g.finalBalance.mean, c.balanceMean);
        EXPECT_EQ(g.finalBalance.sd, c.balanceSd);
        EXPECT_EQ(g.payout.mean, c.payoutMean);
        EXPECT_EQ(g.payout.sd, c.payoutSd);
    }
}

TEST(Summarise, SplitsBySettingAndDropsBandsWhenPlaysDiffer)
{
    RecordTable table;
    table.Add(RecordWithBalance(-5, 1, 100));
    table.Add(RecordWithBalance(7, 6, 100));
    table.Add(RecordWithBalance(9, 6, 200));
    const StudySummary s = Summarise(table);
    EXPECT_FALSE(s.commonSetting);
    EXPECT_FALSE(s.bands);
    ASSERT_EQ(s.bySetting.size(), 2u);
    EXPECT_EQ(s.bySetting.at(1).count, 1);
    EXPECT_TRUE(std::isnan(s.bySetting.at(1).finalBalance.sd));  // one value has no sample spread
    EXPECT_EQ(s.bySetting.at(6).finalBalance.mean, 8);
    EXPECT_EQ(s.bySetting.at(6).pProfit, 1);
    // -5..9 needs 15 bins of 1, so width 2 from floor(-5 / 2) * 2 = -6 (not -4,
    // which truncation toward zero would give and so lose -5).
    EXPECT_EQ(s.histogram.width, 2);
    EXPECT_EQ(s.histogram.start, -6);
    EXPECT_EQ(s.histogram.counts, (std::vector<std::int64_t>{1, 0, 0, 0, 0, 0, 1, 1}));
}

TEST(Summarise, OrderOfRecordsChangesNoDigit)
{
    std::mt19937 gen(3);
    std::uniform_int_distribution<int> balance(-3000, 4000);
    std::vector<SimRecord> records;
    for (int i = 0; i < 500; ++i) records.push_back(RecordWithBalance(balance(gen), 1 + i % 3, 333 + i % 2));
    RecordTable a;
    RecordTable b;
    for (const auto& r : records) a.Add(r);
    std::shuffle(records.begin(), records.end(), gen);
    for (const auto& r : records) b.Add(r);
    const StudySummary sa = Summarise(a);
    const StudySummary sb = Summarise(b);
    EXPECT_EQ(sa.all.payout.mean, sb.all.payout.mean);
    EXPECT_EQ(sa.all.payout.sd, sb.all.payout.sd);
    EXPECT_EQ(sa.all.finalBalance.sd, sb.all.finalBalance.sd);
    EXPECT_EQ(sa.bySetting.at(2).payout.percentiles, sb.bySetting.at(2).payout.percentiles);
}

TEST(Summarise, PercentilesEqualThoseOfTheSortedValues)
{
    // Narrow ranges are ordered by counting, wide ones by sorting, and with one
    // play count the payouts follow the balances: every path must give the
    // order statistics of a plain sort, to the last bit.
    struct Case {
        const char* what;
        std::int32_t low;
        std::int32_t high;
        bool mixedPlays;
    };
    for (const Case c :
         {Case{"narrow, many ties", -40, 40, false}, Case{"narrow, two play counts", -40, 40, true},
          Case{"wide", -2000000000, 2000000000, false},
          Case{"wide, two play counts", -2000000000, 2000000000, true}}) {
        SCOPED_TRACE(c.what);
        std::mt19937 gen(11);
        std::uniform_int_distribution<std::int32_t> value(c.low, c.high);
        RecordTable table;
        std::vector<double> balances;
        std::vector<double> payouts;
        std::vector<double> firstGrid;
        for (int i = 0; i < 3001; ++i) {
            SimRecord r = RecordWithBalance(value(gen), 1, c.mixedPlays && i % 3 == 0 ? 8000 : 500);
            r.grid[0] = value(gen);
            r.lowestBalance = std::min(r.finalBalance, r.grid[0]);
            r.highestBalance = std::max(r.finalBalance, r.grid[0]);
            table.Add(r);
            balances.push_back(r.finalBalance);
            payouts.push_back(r.Payout());
            firstGrid.push_back(r.grid[0]);
        }
        for (auto* v : {&balances, &payouts, &firstGrid}) std::sort(v->begin(), v->end());
        const StudySummary s = Summarise(table);
        for (std::size_t j = 0; j < PERCENTILES.size(); ++j) {
            EXPECT_EQ(s.all.finalBalance.percentiles[j], Percentile(balances, PERCENTILES[j]));
            EXPECT_EQ(s.all.payout.percentiles[j], Percentile(payouts, PERCENTILES[j]));
        }
        EXPECT_EQ(s.all.payout.min, payouts.front());
        EXPECT_EQ(s.all.payout.max, payouts.back());
        EXPECT_EQ(s.all.finalBalance.max, balances.back());
        if (!c.mixedPlays) {
            for (std::size_t j = 0; j < BAND_PERCENTILES.size(); ++j)
                EXPECT_EQ(s.bands->values[j].front(), Percentile(firstGrid, BAND_PERCENTILES[j]));
        }
    }
}

// N = 5: a pre-sign BIG at game 2 (two bonus games), a 1G連 REG at game 3
// (one bonus game), then two normal games.
TEST(SimRecordTest, HandMadeSeriesGivesEveryField)
{
    PlaySeries series;
    series.Append(Row(1, -3, 1));
    series.Append(Row(2, -6, 2, Outcome::BIG, 0, PreSignKind::CHERRY));  // BIG by pre-sign: a first hit
    series.Append(Row(2, 8, 2, Outcome::BELL, 1));
    series.Append(Row(2, 20, 2, Outcome::BELL, 2));
    series.Append(Row(3, 17, 1, Outcome::REG));  // REG on the first game after a bonus
    series.Append(Row(3, 30, 1, Outcome::NONE, 1));
    series.Append(Row(4, 27, 1));
    series.Append(Row(5, 24, 2));
    SimRecord r;
    ASSERT_TRUE(RecordFromSeries(series, 4, 9, r));
    EXPECT_EQ(r.sim, 9);
    EXPECT_EQ(r.setting, 4);
    EXPECT_EQ(r.plays, 5);
    EXPECT_EQ(r.finalBalance, 24);
    EXPECT_EQ(r.big, 1);
    EXPECT_EQ(r.reg, 1);
    EXPECT_EQ(r.bigFirstHits, 1);
    EXPECT_EQ(r.longestDrought, 2);
    EXPECT_EQ(r.lowestBalance, -6);
    EXPECT_EQ(r.highestBalance, 30);
    // Grid plays for N = 5 are ceil(5k/100): 1 for k 1..20, 2 for 21..40, ...
    EXPECT_EQ(r.grid[0], -3);
    EXPECT_EQ(r.grid[20], -6);  // the release game's own balance, not its bonus
    EXPECT_EQ(r.grid[40], 17);
    EXPECT_EQ(r.grid[99], 24);

    EXPECT_FALSE(RecordFromSeries(PlaySeries{}, 1, 0, r));
}

// The streaming record against the run's own analysis and a brute search,
// for real runs of every setting.
TEST(SimRecordTest, AgreesWithTheRunAnalysis)
{
    Program program(2024);
    for (int setting = 1; setting <= 6; ++setting) {
        SCOPED_TRACE("setting " + std::to_string(setting));
        ASSERT_TRUE(
            RunSingle(program.slot, program.random, 3000 + 7 * setting, {false, setting}, program.series));
        const PlaySeries& series = program.series;
        SimRecord r;
        ASSERT_TRUE(RecordFromSeries(series, setting, 1, r));
        const AnalysisOutcome outcome = AnalyzeSeries(series);
        ASSERT_EQ(outcome.status, AnalysisOutcome::Status::Done);
        const ResultAnalysis& a = outcome.analysis;
        EXPECT_EQ(r.plays, a.plays);
        EXPECT_EQ(r.big, a.counts.normalOutcome[7]);
        EXPECT_EQ(r.reg, a.counts.normalOutcome[8]);
        EXPECT_EQ(r.bigFirstHits, a.counts.bigFirstHits);
        // The summary's own texts of balance and payout.
        EXPECT_NE(a.summary.find("収支:" + FormatGeneral(r.finalBalance * 20.0) + "円"), std::string::npos);
        EXPECT_NE(a.summary.find("機械割：" + FormatGeneral(r.Payout()) + "%"), std::string::npos)
            << a.summary;

        std::int32_t lowest = series[0].medals, highest = series[0].medals, drought = 0;
        for (const PlayRow& row : series.Rows()) {
            lowest = std::min(lowest, row.medals);
            highest = std::max(highest, row.medals);
            drought = std::max(drought, row.gamesSinceBonus);
        }
        EXPECT_EQ(r.lowestBalance, lowest);
        EXPECT_EQ(r.highestBalance, highest);
        EXPECT_EQ(r.longestDrought, drought);
        for (int k = 1; k <= GRID_POINTS; ++k) {
            const auto it = std::find_if(series.Rows().begin(), series.Rows().end(), [&](const PlayRow& row) {
                return row.IsNormalGame() && row.playCount == GridPlay(r.plays, k);
            });
            ASSERT_NE(it, series.Rows().end());
            EXPECT_EQ(r.grid[static_cast<std::size_t>(k - 1)], it->medals) << "grid point " << k;
        }

        SimRecord fromFile;
        std::string error;
        const std::string bytes = EncodeSimFile(setting, r.plays, series);
        ASSERT_TRUE(RecordFromSimBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                       fromFile, error));
        fromFile.sim = r.sim;
        fromFile.seed = r.seed;
        EXPECT_EQ(fromFile, r);
    }
}

// Any split of an independent study plays the same simulations.
TEST(IndependentRunTest, ShardsAndThreadsGiveTheSameRecords)
{
    auto collect = [](SimRange range, int jobs, SettingChoice setting, const std::string& base = {}) {
        IndependentOptions o;
        o.seed = 77;
        o.plays = 500;
        o.setting = setting;
        o.range = range;
        o.jobs = jobs;
        o.simBaseName = base;
        std::vector<SimRecord> records;
        const IndependentResult result = RunIndependent(o, [&](const SimRecord& r, const std::string&) {
            records.push_back(r);
            return true;
        });
        EXPECT_EQ(result.status, IndependentResult::Status::Completed);
        return records;
    };
    const SettingChoice hidden{true, 1};
    const std::vector<SimRecord> whole = collect({1, 1100}, 1, hidden);
    ASSERT_EQ(whole.size(), 1100u);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        ASSERT_EQ(whole[i].sim, static_cast<std::int64_t>(i + 1));
        ASSERT_EQ(whole[i].seed, 77);
    }

    std::vector<SimRecord> split;
    for (int k = 1; k <= 3; ++k) {
        const auto part = collect(ShardRange(1100, k, 3), k, hidden);  // 1, 2 and 3 threads
        split.insert(split.end(), part.begin(), part.end());
    }
    EXPECT_TRUE(split == whole);

    // Hidden settings are drawn per simulation from its own sequence.
    std::set<std::int32_t> settings;
    for (const auto& r : whole) settings.insert(r.setting);
    EXPECT_EQ(settings.size(), 6u);

    // With files: the same records, and each file gives its record back.
    TempDir dir;
    const std::vector<SimRecord> withFiles = collect({1, 20}, 2, hidden, dir.File("s.sim"));
    EXPECT_TRUE(std::equal(withFiles.begin(), withFiles.end(), whole.begin()));
    for (const SimRecord& r : withFiles) {
        RecordTable table;
        std::string error;
        const std::string file =
            BatchFileName(dir.File("s.sim"), r.setting, r.plays, static_cast<int>(r.sim));
        const std::string bytes = ReadBytes(file);
        SimRecord back;
        ASSERT_TRUE(RecordFromSimBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                       back, error))
            << file;
        back.sim = r.sim;
        EXPECT_EQ(back.seed, NO_SEED);  // a file does not know its study
        back.seed = r.seed;
        EXPECT_EQ(back, r);
    }
}

TEST(IndependentRunTest, StopsWhereTheSinkOrAFileSaysSo)
{
    // Threads run ahead of the sink; a stop or a failed file must still end
    // the results in order, at the right simulation, without a hang.
    IndependentOptions o;
    o.seed = 5;
    o.plays = 200;
    o.setting = {false, 2};
    o.range = {1, 3000};
    for (const int jobs : {1, 2, 5}) {
        SCOPED_TRACE(jobs);
        o.jobs = jobs;
        o.simBaseName.clear();
        std::vector<std::int64_t> seen;
        IndependentResult result = RunIndependent(o, [&](const SimRecord& r, const std::string&) {
            seen.push_back(r.sim);
            return seen.size() < 700;
        });
        EXPECT_EQ(result.status, IndependentResult::Status::Stopped);
        EXPECT_EQ(result.done, 700);
        ASSERT_EQ(seen.size(), 700u);
        EXPECT_EQ(seen.back(), 700);

        o.simBaseName = "/nonexistent-folder/s.sim";
        result = RunIndependent(o, [](const SimRecord&, const std::string&) { return true; });
        EXPECT_EQ(result.status, IndependentResult::Status::FileError);
        EXPECT_EQ(result.done, 0);
        EXPECT_NE(result.message.find("s2_200_1.sim"), std::string::npos) << result.message;
    }
}

TEST(IndependentRunTest, ThreadsTheSystemRefusesAreDoneWithout)
{
    // As under a process limit: the study carries on with the threads it
    // got, this one at least, and plays the same simulations.
    IndependentOptions o;
    o.seed = 3;
    o.plays = 300;
    o.setting = {false, 4};
    o.range = {1, 400};
    o.jobs = 1;
    const auto collect = [&](IndependentResult& result) {
        std::vector<SimRecord> records;
        result = RunIndependent(o, [&](const SimRecord& r, const std::string&) {
            records.push_back(r);
            return true;
        });
        return records;
    };
    IndependentResult result;
    const std::vector<SimRecord> expected = collect(result);
    EXPECT_EQ(result.jobs, 1);
    for (const int granted : {0, 1, 2}) {
        SCOPED_TRACE(granted);
        int started = 0;
        o.jobs = 4;
        o.startThread = [&](std::function<void()> body) {
            if (started == granted)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            ++started;
            return std::jthread(std::move(body));
        };
        EXPECT_TRUE(collect(result) == expected);
        EXPECT_EQ(result.status, IndependentResult::Status::Completed);
        EXPECT_EQ(result.jobs, granted + 1);
    }
}

TEST(IndependentRunTest, FilesCompletedPastAFailedOneAreReported)
{
    // Other threads run ahead of the failed file: what they completed stays
    // on disk, so the caller must learn of it.
    TempDir dir;
    IndependentOptions o;
    o.seed = 9;
    o.plays = 100;
    o.setting = {false, 1};
    o.range = {1, 200};
    o.jobs = 3;
    o.simBaseName = dir.File("s.sim");
    std::filesystem::create_directory(BatchFileName(o.simBaseName, 1, 100, 40));  // sim 40 cannot be written
    std::set<std::string> listed;
    const IndependentResult result = RunIndependent(o, [&](const SimRecord&, const std::string& file) {
        listed.insert(file);
        return true;
    });
    EXPECT_EQ(result.status, IndependentResult::Status::FileError);
    EXPECT_EQ(result.done, 39);
    for (const std::string& file : result.unlistedFiles) EXPECT_TRUE(listed.insert(file).second) << file;
    std::set<std::string> onDisk;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
        if (entry.is_regular_file()) onDisk.insert(entry.path().string());
    EXPECT_EQ(onDisk, listed);
}

TEST(IndependentRunTest, StatesAreDistinctAndShardsCoverTheStudy)
{
    // The documented mixing of (seed, i): a fixed value pins it for every
    // platform; neighbouring seeds and indices never share a state.
    EXPECT_EQ(IndependentState(0, 0), 0xE220A8397B1DCDAFull);
    std::set<std::uint64_t> states;
    for (std::uint32_t seed = 0; seed < 50; ++seed)
        for (std::uint32_t i = 1; i <= 200; ++i) states.insert(IndependentState(seed, i));
    EXPECT_EQ(states.size(), 50u * 200u);

    for (const std::int64_t total : {1, 7, 100, 1000003})
        for (const std::int64_t shards : {1, 3, 8, 12}) {
            std::int64_t next = 1;
            for (std::int64_t k = 1; k <= shards; ++k) {
                const SimRange r = ShardRange(total, k, shards);
                EXPECT_EQ(r.first, next) << total << " " << k << "/" << shards;
                EXPECT_GE(r.last, r.first - 1);
                next = r.last + 1;
            }
            EXPECT_EQ(next, total + 1);
        }
}

}  // namespace
