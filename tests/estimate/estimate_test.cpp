#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "estimate/SettingEstimate.h"
#include "sim/PlaySeries.h"
#include "sim/SingleRun.h"
#include "slot/Slot.h"
#include "tests/estimate/PathOracle.h"

namespace {

constexpr double NEG_INF = -std::numeric_limits<double>::infinity();

// Rows as a player would note them; the hidden columns stay 0.
class Series {
public:
    Series& Games(std::initializer_list<int> outcomes)
    {
        for (int o : outcomes) Normal(o, 0);
        return *this;
    }
    Series& Repeat(int count, int outcome)
    {
        for (int i = 0; i < count; ++i) Normal(outcome, 0);
        return *this;
    }
    Series& Release(int outcome, int colour = 0)
    {
        Normal(outcome, colour);
        bonus = outcome == Outcome::BIG ? BonusKind::BIG : BonusKind::REG;
        return *this;
    }
    // Plays out the bonus just released: small-role games from `roles` (then
    // bells), JAC games won except the ones numbered in `missed` (from 1).
    Series& Bonus(std::vector<int> roles = {}, std::set<int> missed = {}, std::size_t stopAfter = 1000)
    {
        int game = 0, jacGames = 0, jacIns = 0;
        bool inJac = bonus == BonusKind::REG;
        std::size_t next = 0;
        for (std::size_t rowsDone = 0; rowsDone < stopAfter; ++rowsDone) {
            bool ends;
            if (bonus == BonusKind::BIG && !inJac) {
                ++game;
                const int o = next < roles.size() ? roles[next++] : Outcome::BELL;
                Add(o, game);
                if (o == Outcome::JAC_IN) {
                    ++jacIns;
                    inJac = true;
                }
                ends = game == 30;
            } else {
                game = 1;
                ++jacGames;
                Add(missed.count(jacGames) ? Outcome::JAC_MISSED : Outcome::JAC_WON, 1);
                if (jacGames % 8 == 0) inJac = false;
                ends = bonus == BonusKind::BIG ? jacGames == 24 : jacGames == 8;
            }
            if (ends) break;
        }
        return *this;
    }
    const std::vector<PlayRow>& Rows() const { return rows; }

private:
    void Normal(int outcome, int colour)
    {
        PlayRow row{};
        row.outcome = outcome;
        row.bigColor = colour;
        row.playCount = ++plays;
        rows.push_back(row);
    }
    void Add(int outcome, int bonusGame)
    {
        PlayRow row{};
        row.outcome = outcome;
        row.bonusGame = bonusGame;
        row.playCount = plays;
        rows.push_back(row);
    }
    std::vector<PlayRow> rows;
    int plays = 0;
    int bonus = BonusKind::NONE;
};

std::vector<PlayRow> EngineRun(int setting, std::uint32_t seed, int plays)
{
    RandomSource random;
    random.Seed(seed);
    Slot slot(random);
    PlaySeries series;
    EXPECT_TRUE(RunSingle(slot, random, plays, SettingChoice{false, setting}, series));
    return {series.Rows().begin(), series.Rows().end()};
}

// Both sides sum positive terms in double, so they agree to a few units in the
// last place of the probability: 1e-12 on its log leaves room for that.
void ExpectMatchesOracle(const std::vector<PlayRow>& rows, Evidence evidence, const std::string& name)
{
    const SeriesLikelihood likelihood = ComputeLikelihood(rows, evidence);
    for (int s = 1; s <= 6; ++s) {
        const double exact = PathOracle(s).Probability(rows, evidence);
        SCOPED_TRACE(name + ", " + EvidenceName(evidence) + ", setting " + std::to_string(s));
        if (exact == 0) {
            EXPECT_EQ(likelihood.logLikelihood[s - 1], NEG_INF);
        } else {
            ASSERT_GT(exact, 1e-290) << "the case underflows the oracle";
            EXPECT_NEAR(likelihood.logLikelihood[s - 1], std::log(exact), 1e-12);
        }
    }
}

TEST(SettingEstimate, LikelihoodEqualsEveryHiddenPathSummed)
{
    struct Case {
        std::string name;
        Series series;
    };
    using namespace Outcome;
    constexpr int RED = BigColor::RED, BLUE = BigColor::BLUE;
    const std::vector<Case> cases = {
        {"release in the first game", Series().Release(BIG, RED).Bonus().Games({REPLAY, BELL})},
        // Cherry 4 games and chance pattern 2 games before the release: the RT
        // count or a pre-sign (blue mark forced for the chance pattern).
        {"pre-sign or count", Series()
                                  .Repeat(34, REPLAY)
                                  .Games({CHERRY, BELL, CHANCE, PURE_MISS})
                                  .Release(BIG, BLUE)
                                  .Games({BELL})},
        {"chance pattern pre-sign needs blue",
         Series().Repeat(36, BELL).Games({CHANCE, REPLAY}).Release(BIG, RED).Games({REPLAY})},
        // A missed JAC game decides a 1G連; the chained BIG comes in the first game.
        {"1G連 after a missed JAC game", Series()
                                             .Repeat(3, BELL)
                                             .Release(REG)
                                             .Bonus({}, {5})
                                             .Release(BIG, BLUE)
                                             .Bonus({CHERRY, BENTO})
                                             .Repeat(3, REPLAY)},
        // Cherries in a BIG may or may not chain: a BIG in the first game or not.
        {"BIG cherries, then REG or not", Series()
                                              .Repeat(2, REPLAY)
                                              .Release(BIG, RED)
                                              .Bonus({CHERRY, CHERRY, JAC_IN, BENTO, CHANCE, CHERRY})
                                              .Release(BIG, RED)
                                              .Bonus()
                                              .Repeat(5, PURE_MISS)},
        {"third JAC-in refused before game 20",
         Series().Repeat(1, BELL).Release(BIG, BLUE).Bonus(
             {JAC_IN, JAC_IN, NONE, BELL, BELL, BELL, BELL, BELL, BELL, BELL,
              BELL,   BELL,   BELL, BELL, BELL, BELL, BELL, BELL, BELL, JAC_IN},
             {3})},
        {"REG after REG, open end with a pre-sign role", Series()
                                                             .Repeat(5, REPLAY)
                                                             .Release(REG)
                                                             .Bonus()
                                                             .Repeat(40, BELL)
                                                             .Release(REG)
                                                             .Bonus()
                                                             .Repeat(33, REPLAY)
                                                             .Games({PURE_MISS, CHERRY, BELL})},
        {"ends on a release", Series().Repeat(7, BELL).Release(REG)},
        {"ends inside a BIG", Series().Repeat(2, BELL).Release(BIG, RED).Bonus({JAC_IN}, {}, 5)},
        {"impossible: JAC-in after game 30", Series().Release(BIG, RED).Bonus({}, {}, 29).Games({JAC_IN})},
    };
    for (const Case& c : cases) {
        ExpectMatchesOracle(c.series.Rows(), Evidence::Hall, c.name);
    }
}

TEST(SettingEstimate, LikelihoodEqualsOracleOnEngineRuns)
{
    // Short runs of the real machine, in both evidences: the record columns
    // (mode, pre-sign, 1G連 trigger) are checked against the same paths.
    int withBonus = 0;
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        const int setting = static_cast<int>(seed % 6) + 1;
        const auto rows = EngineRun(setting, seed, 260);
        if (rows.size() > 260) ++withBonus;
        for (Evidence evidence : {Evidence::Hall, Evidence::Record})
            ExpectMatchesOracle(rows, evidence, "seed " + std::to_string(seed));
    }
    EXPECT_GE(withBonus, 3) << "too few runs with a bonus to be a test";
}

TEST(SettingEstimate, EveryRunOfTheMachineIsPossibleUnderItsSetting)
{
    // A model that forbids something the machine does gives -infinity here.
    for (int setting = 1; setting <= 6; ++setting)
        for (std::uint32_t seed = 100; seed < 125; ++seed) {
            const auto rows = EngineRun(setting, seed * 7 + static_cast<std::uint32_t>(setting), 8000);
            for (Evidence evidence : {Evidence::Hall, Evidence::Record}) {
                const SeriesLikelihood likelihood = ComputeLikelihood(rows, evidence);
                EXPECT_TRUE(std::isfinite(likelihood.logLikelihood[setting - 1]))
                    << "setting " << setting << ", seed " << seed << ", " << EvidenceName(evidence) << ": "
                    << likelihood.impossible;
            }
        }
}

TEST(SettingEstimate, HallEvidenceReadsNoHiddenColumn)
{
    const auto rows = EngineRun(4, 77, 8000);
    auto scrambled = rows;
    int i = 0;
    for (PlayRow& row : scrambled) {
        ++i;
        row.mode = i % 5 - 1;
        row.preSign = i % 7;
        row.preSignBlue = i % 3;
        row.chainTrigger = i % 9;
        row.gamesSinceBonus = -i;
        row.medals = i * 13;
        row.playCount = 0;
        row.bonus = i % 4;
        if (row.outcome != Outcome::BIG) row.bigColor = i % 3;
    }
    const SettingEstimate plain = EstimateSetting(rows, Evidence::Hall, FLAT_PRIOR, true);
    const SettingEstimate hidden = EstimateSetting(scrambled, Evidence::Hall, FLAT_PRIOR, true);
    ASSERT_TRUE(plain.Ok()) << plain.status.Message();
    EXPECT_EQ(plain.logLikelihood, hidden.logLikelihood);
    EXPECT_EQ(plain.posterior, hidden.posterior);
    // Record evidence does read them and finds the scrambled series impossible.
    EXPECT_FALSE(EstimateSetting(scrambled, Evidence::Record).Ok());
}

TEST(SettingEstimate, RecordEvidenceKnowsMoreThanHall)
{
    // The record's likelihood is that of more observations: never larger.
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
        const auto rows = EngineRun(2, seed, 8000);
        const auto hall = ComputeLikelihood(rows, Evidence::Hall).logLikelihood;
        const auto record = ComputeLikelihood(rows, Evidence::Record).logLikelihood;
        for (int s = 0; s < 6; ++s)
            EXPECT_LE(record[s], hall[s] + 1e-9) << "seed " << seed << " setting " << s + 1;
    }
}

TEST(SettingEstimate, ImpossibleSeriesAreErrorsNotPosteriors)
{
    const struct {
        const char* name;
        std::vector<PlayRow> rows;
    } cases[] = {
        {"JAC game outcome in a normal game", Series().Games({Outcome::BELL, Outcome::JAC_WON}).Rows()},
        {"bonus row without a bonus",
         [] {
             auto rows = Series().Games({Outcome::BELL, Outcome::BELL}).Rows();
             rows[1].bonusGame = 3;
             return rows;
         }()},
        {"normal game inside a REG",
         Series().Release(Outcome::REG).Bonus({}, {}, 3).Games({Outcome::BELL}).Rows()},
        {"BIG colour 2", Series().Release(Outcome::BIG, 2).Rows()},
    };
    for (const auto& c : cases) {
        const SettingEstimate estimate = EstimateSetting(c.rows, Evidence::Hall);
        EXPECT_FALSE(estimate.Ok()) << c.name;
        EXPECT_NE(estimate.status.Message().find("row "), std::string::npos)
            << c.name << ": " << estimate.status.Message();
    }
    EXPECT_EQ(EstimateSetting({}, Evidence::Hall).status,
              Status(StatusCode::NotValid, "the series holds no plays"));
}

TEST(SettingEstimate, PriorHandling)
{
    const struct {
        SettingValues prior;
        bool ok;
    } checks[] = {
        {{1, 1, 1, 1, 1, 1}, true},
        {{0, 0, 0, 0, 0, 5}, true},
        {{0.5, 2, 0, 1e-300, 3, 1e300}, true},
        {{0, 0, 0, 0, 0, 0}, false},
        {{1, -1, 1, 1, 1, 1}, false},
        {{1, 1, NAN, 1, 1, 1}, false},
        {{1, 1, 1, INFINITY, 1, 1}, false},
        {{1e308, 1e308, 1e308, 0, 0, 0}, false},
    };
    for (const auto& c : checks)
        EXPECT_EQ(CheckPrior(c.prior).Ok(), c.ok) << ::testing::PrintToString(c.prior);

    const auto rows = EngineRun(3, 9, 8000);
    const SettingEstimate flat = EstimateSetting(rows, Evidence::Hall);
    ASSERT_TRUE(flat.Ok()) << flat.status.Message();
    // Posterior ∝ prior × likelihood; scaling the prior changes nothing.
    const SettingValues weights = {6, 5, 4, 3, 2, 1};
    SettingValues scaled = weights;
    for (double& w : scaled) w *= 1000;
    const SettingEstimate weighted = EstimateSetting(rows, Evidence::Hall, weights);
    const SettingEstimate weightedScaled = EstimateSetting(rows, Evidence::Hall, scaled);
    double norm = 0;
    for (int s = 0; s < 6; ++s) norm += weights[s] * flat.posterior[s];
    double sum = 0;
    for (int s = 0; s < 6; ++s) {
        // Relative 1e-12: a handful of roundings in the normalisation.
        EXPECT_NEAR(weighted.posterior[s], weights[s] * flat.posterior[s] / norm, 1e-12);
        EXPECT_NEAR(weightedScaled.posterior[s], weighted.posterior[s], 1e-12);
        sum += weighted.posterior[s];
    }
    EXPECT_NEAR(sum, 1.0, 1e-12);
    EXPECT_EQ(weighted.logLikelihood, flat.logLikelihood);

    // A prior on one setting gives it all, whatever the evidence says.
    const SettingEstimate only2 = EstimateSetting(rows, Evidence::Hall, {0, 1, 0, 0, 0, 0});
    EXPECT_EQ(only2.posterior, (SettingValues{0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(only2.mostLikely, 2);
}

TEST(SettingEstimate, PathStartsAtThePriorAndEndsAtThePosterior)
{
    const auto rows = EngineRun(6, 5, 8000);
    const SettingValues prior = {1, 2, 3, 3, 2, 1};
    const SettingEstimate estimate = EstimateSetting(rows, Evidence::Hall, prior, true);
    ASSERT_TRUE(estimate.Ok()) << estimate.status.Message();
    ASSERT_GE(estimate.path.size(), 3u);
    EXPECT_EQ(estimate.path.front().playCount, 0);
    for (int s = 0; s < 6; ++s) EXPECT_NEAR(estimate.path.front().posterior[s], prior[s] / 12.0, 1e-15);
    EXPECT_EQ(estimate.path.back().playCount, 8000);
    EXPECT_EQ(estimate.path.back().posterior, estimate.posterior);
    int releases = 0;
    for (const PlayRow& row : rows) releases += row.IsRelease() ? 1 : 0;
    // One point per bonus played to its end, plus the two ends.
    EXPECT_EQ(static_cast<int>(estimate.path.size()), releases + 2 - (rows.back().IsRelease() ? 1 : 0));
    for (std::size_t i = 1; i < estimate.path.size(); ++i)
        EXPECT_LE(estimate.path[i - 1].playCount, estimate.path[i].playCount);
}

TEST(SettingEstimate, TenMillionPlaysStayInLogSpace)
{
    // Played straight into the pass: the series itself would take half a gigabyte.
    RandomSource random;
    random.Seed(2024);
    Slot slot(random);
    slot.SetSetting(5);
    slot.Reset();
    LikelihoodPass pass(Evidence::Hall);
    while (slot.playCount < 10'000'000) {
        slot.Play();
        ASSERT_TRUE(pass.Add(PlayRow::FromSlot(slot)));
    }
    const SeriesLikelihood likelihood = pass.Finish();
    EXPECT_EQ(likelihood.normalGames, 10'000'000);
    for (int s = 0; s < 6; ++s) {
        // Every game has a probability between 1e-6 and 1: a finite sum of that size.
        EXPECT_TRUE(std::isfinite(likelihood.logLikelihood[s])) << s + 1;
        EXPECT_LT(likelihood.logLikelihood[s], -1e6);
        EXPECT_GT(likelihood.logLikelihood[s], -1.5e8);
    }
    const auto posterior = Posterior(likelihood.logLikelihood, FLAT_PRIOR);
    ASSERT_TRUE(posterior.has_value());
    EXPECT_EQ(MostLikelySetting(*posterior), 5);
    EXPECT_GT((*posterior)[4], 0.99);
}

}  // namespace
