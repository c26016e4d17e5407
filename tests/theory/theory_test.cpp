#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "sim/PlaySeries.h"
#include "slot/Slot.h"
#include "theory/RunComparison.h"
#include "theory/Theory.h"

namespace {

const std::array<SettingTheory, SETTING_COUNT>& All()
{
    static const auto all = ComputeAllTheory();
    return all;
}

double Rate(const SettingTheory& t, int table, int line)
{
    return t.tables[table].lines[line].rate.value();
}

// Relative 1e-12: the figures are sums of a few thousand positive terms and
// one 9×9 solve, reproducible to far better than that on any IEEE machine;
// a changed weight moves them by 1e-6 or more. The values agree with an exact
// rational computation to at least 12 digits.
TEST(TheoryPinned, FiguresPerSetting)
{
    struct Row {
        int setting;
        double payout, bigOdds, medalsPerBig, sd, offset;
    };
    static const Row rows[] = {
        {1, 99.503654442840713, 317.60759237279649, 437.64806185999947, 42.195663111522876,
         -154.43239178208421},
        {2, 103.82912044981165, 295.85539406538635, 437.64806185999964, 47.433842464269809,
         -198.65714745049542},
        {3, 106.08047817127877, 279.6586590420066, 437.64806185999953, 47.124858949143771,
         -186.91457126594901},
        {4, 109.42745447467448, 269.88646312883532, 437.64806185999953, 47.562833421577068,
         -167.37304743452734},
        {5, 110.7960517280995, 258.56552486288729, 437.64806185999953, 51.443419983606148,
         -215.7945680112972},
        {6, 112.67761761844075, 257.24228988653891, 437.6480618599997, 48.054337183371324,
         -150.06120252082013},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.setting);
        const SettingTheory& t = All()[r.setting - 1];
        EXPECT_EQ(t.setting, r.setting);
        EXPECT_NEAR(t.payoutPercent, r.payout, 1e-12 * r.payout);
        EXPECT_NEAR(t.bigOdds, r.bigOdds, 1e-12 * r.bigOdds);
        EXPECT_NEAR(t.medalsPerBig, r.medalsPerBig, 1e-12 * r.medalsPerBig);
        EXPECT_NEAR(t.balanceSdPerGame, r.sd, 1e-12 * r.sd);
        EXPECT_NEAR(t.freshStartOffset, r.offset, 1e-12 * std::fabs(r.offset));
    }
}

// Identities between figures gathered by separate accumulators; tolerance
// 1e-12 relative, rounding only.
TEST(TheoryIdentities, HoldForEverySetting)
{
    for (const SettingTheory& t : All()) {
        SCOPED_TRACE(t.setting);
        double shares = 0;
        for (const auto& line : t.tables[3].lines) shares += line.shareOfReleases.value();
        EXPECT_NEAR(shares, 1.0, 1e-12);

        double stay = 0;
        for (const auto& line : t.tables[2].lines) stay += line.rate.value();
        EXPECT_NEAR(stay, 1.0, 1e-12);

        // Balance per game from the role rates (replays give the next bet
        // back) and the bonuses' medals, which include the release game's 15.
        const double cherry = Rate(t, 1, 0), bell = Rate(t, 1, 1), bento = Rate(t, 1, 2),
                     replay = Rate(t, 1, 3);
        const double assembled = -3 + 3 * replay + 4 * cherry + 10 * bell + 5 * bento +
                                 t.medalsPerBig / t.bigOdds + t.medalsPerReg / t.regOdds;
        EXPECT_NEAR((assembled + 3) / 3 * 100, t.payoutPercent, 1e-12 * t.payoutPercent);
        EXPECT_NEAR(1 / t.bonusOdds, 1 / t.bigOdds + 1 / t.regOdds, 1e-12 / t.bonusOdds);

        // Lines fixed by single weights: a cherry chains one time in two, a
        // bento box 649 in 65536, and a JAC miss always.
        EXPECT_NEAR(Rate(t, 0, 0), 0.5, 1e-15);
        EXPECT_NEAR(Rate(t, 0, 1), 649.0 / 65536, 1e-15);
        EXPECT_EQ(Rate(t, 0, 5), 1.0);
        EXPECT_FALSE(t.tables[3].lines[0].rate.has_value());
    }
}

TEST(TheoryErrors, SettingOutOfRangeIsAProgrammingError)
{
#ifdef NDEBUG
    GTEST_SKIP() << "checked by assertions only";
#else
    EXPECT_DEATH(static_cast<void>(ComputeTheory(0)), "SETTING_MIN");
    EXPECT_DEATH(static_cast<void>(ComputeTheory(7)), "SETTING_MIN");
#endif
}

// The band against the machine: fresh runs of 8,000 games. Their mean final
// balance lies within 4 standard errors of Nμ + c, and the 95 % payout band
// holds 95 % of them within 4 binomial standard errors (1.95 points at 500
// runs).
TEST(TheoryBand, HoldsSimulatedRuns)
{
    constexpr int RUNS = 500, N = 8000;
    for (int setting : {1, 6}) {
        SCOPED_TRACE(setting);
        const SettingTheory& t = All()[setting - 1];
        RandomSource random;
        random.Seed(20261210u + setting);
        Slot slot(random);
        const TheoryBand band = t.PayoutBand(N);
        double sum = 0, sum2 = 0;
        int inside = 0;
        for (int run = 0; run < RUNS; ++run) {
            slot.SetSetting(setting);
            slot.Reset();
            slot.outcome = Outcome::NONE;  // a fresh machine: no replay carried over from the run before
            slot.preSignBlue = 0;
            while (slot.playCount < N) slot.Play();
            const double payout = (slot.medals + 3.0 * N) / (3.0 * N) * 100;
            inside += payout >= band.low && payout <= band.high;
            sum += slot.medals;
            sum2 += static_cast<double>(slot.medals) * slot.medals;
        }
        const double mean = sum / RUNS;
        const double se = std::sqrt((sum2 / RUNS - mean * mean) / RUNS);
        EXPECT_NEAR(mean, t.ExpectedBalance(N), 4 * se);
        const double share = static_cast<double>(inside) / RUNS;
        EXPECT_NEAR(share, 0.95, 4 * std::sqrt(0.95 * 0.05 / RUNS));
        // The band narrows as 1/√N around the long-run payout.
        const TheoryBand wide = t.PayoutBand(N / 4);
        EXPECT_NEAR((wide.high - wide.low) / (band.high - band.low), 2.0, 1e-12);
    }
}

}  // namespace

namespace {

PlayRow Row(int gamesSinceBonus, int medals, int playCount, int outcome, int bonusGame = 0,
            int preSign = PreSignKind::NONE, int chainTrigger = ChainTrigger::NONE)
{
    PlayRow row{};
    row.gamesSinceBonus = gamesSinceBonus;
    row.medals = medals;
    row.playCount = playCount;
    row.outcome = outcome;
    row.bonus = outcome == Outcome::BIG   ? BonusKind::BIG
                : outcome == Outcome::REG ? BonusKind::REG
                                          : BonusKind::NONE;
    row.bonusGame = bonusGame;
    row.preSign = preSign;
    row.chainTrigger = chainTrigger;
    return row;
}

// Four normal games: a cherry, a BIG by the RT count whose two bonus games net
// +20, the closing game, and a REG by a cherry pre-sign left open at the end.
TEST(RunFigures, CountsAsTheSummaryAndTablesDo)
{
    const std::vector<PlayRow> rows = {
        Row(1, 1, 1, Outcome::CHERRY),
        Row(2, 13, 2, Outcome::BIG),
        Row(2, 25, 2, Outcome::BELL, 1),
        Row(2, 33, 2, Outcome::CHERRY, 2, PreSignKind::NONE, ChainTrigger::CHERRY),
        Row(1, 30, 3, Outcome::NONE),
        Row(2, 42, 4, Outcome::REG, 0, PreSignKind::CHERRY),
    };
    PlaySeries series;
    series.Reserve(rows.size());
    for (const PlayRow& row : rows) series.Append(row);
    const RunFigures run = ComputeRunFigures(series);
    const std::vector<std::string> names = FigureNames();
    ASSERT_EQ(run.rows.size(), names.size());
    auto value = [&](const std::string& name) {
        for (const FigureRow& row : run.rows)
            if (row.name == name) return row.run;
        ADD_FAILURE() << name;
        return std::optional<double>();
    };
    EXPECT_EQ(run.plays, 4);
    EXPECT_DOUBLE_EQ(*value("機械割(%)"), (42 + 12.0) / 12 * 100);
    EXPECT_EQ(*value("BIG確率(1/X)"), 4.0);
    EXPECT_EQ(*value("BIG初当り(1/X)"), 4.0);
    EXPECT_EQ(*value("ボーナス合算(1/X)"), 2.0);
    EXPECT_EQ(*value("BIG獲得メダル"), 33 - 13 + 15.0);
    EXPECT_FALSE(value("REG獲得メダル").has_value());  // its line is still open
    EXPECT_EQ(*value("1G連情報 チェリー"), 1.0);       // one chained cherry of one
    EXPECT_EQ(*value("小役出現率 チェリー"), 0.25);    // bonus-game cherries do not count
    EXPECT_EQ(*value("RT解除情報 チェリー解除"), 1.0);
    EXPECT_EQ(*value("RT解除割合 規定RT消化"), 0.5);
    EXPECT_FALSE(value("収支σ(1ゲーム)").has_value());
    // Four games are too few for errors from stretches of the run.
    for (const FigureRow& row : run.rows) EXPECT_FALSE(row.batchError.has_value()) << row.name;
}

// Play counts past 2^31 / 20, as a run of 120 million plays has: one normal
// game in each twentieth of the run, a cherry in every other one. Each game
// falls in its own stretch, so the cherry rate 0.5 has the batch error
// sqrt(20 × 0.25 / (20 × 19)) exactly (relative 1e-12: a few roundings).
TEST(RunFigures, StretchesOfARunPastTwoToThe31OverTwenty)
{
    constexpr int N = 120'000'000;
    PlaySeries series;
    for (int j = 0; j < BATCHES; ++j) {
        const int play = j == BATCHES - 1 ? N : j * (N / BATCHES) + 1;
        series.Append(Row(1, 0, play, j % 2 == 0 ? Outcome::CHERRY : Outcome::NONE));
    }
    const RunFigures run = ComputeRunFigures(series);
    EXPECT_EQ(run.plays, N);
    const std::vector<std::string> names = FigureNames();
    const auto at = std::find(names.begin(), names.end(), "小役出現率 チェリー") - names.begin();
    const FigureRow& cherry = run.rows[static_cast<std::size_t>(at)];
    EXPECT_EQ(cherry.run, 0.5);
    ASSERT_TRUE(cherry.batchError.has_value());
    EXPECT_NEAR(*cherry.batchError, std::sqrt(5.0 / 380), 1e-12 * std::sqrt(5.0 / 380));
}

// Damaged play counts (far past N, negative) and balances whose difference
// passes 2^31 give figures, never an index outside the stretches or an
// overflow (the sanitizer build holds the latter).
TEST(RunFigures, DamagedPlayCountsAndBalancesStayInBounds)
{
    PlaySeries series;
    series.Append(Row(1, 0, -5, Outcome::CHERRY));
    series.Append(Row(2, -2'000'000'000, 1'200'000'000, Outcome::BIG));
    series.Append(Row(2, 2'000'000'000, 1'200'000'000, Outcome::BELL, 1));
    series.Append(Row(1, 0, 30, Outcome::NONE));
    const RunFigures run = ComputeRunFigures(series);
    EXPECT_EQ(run.plays, 30);
    const std::vector<std::string> names = FigureNames();
    const auto at = std::find(names.begin(), names.end(), "BIG獲得メダル") - names.begin();
    EXPECT_EQ(run.rows[static_cast<std::size_t>(at)].run, 4'000'000'015.0);
}

}  // namespace
