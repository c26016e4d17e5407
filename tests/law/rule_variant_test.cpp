#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "estimate/MachineLaws.h"
#include "estimate/SettingEstimate.h"
#include "law/SettingLaw.h"
#include "sim/PlaySeries.h"
#include "sim/SingleRun.h"
#include "slot/Slot.h"
#include "tests/estimate/PathOracle.h"
#include "theory/Theory.h"

// A variant of every rule a reader could copy instead of reading it from the
// Slot: the pre-sign threshold and lengths, the BIG's length, sets and wait,
// the RT ceiling and two table choices. Theory, estimate and the brute-force
// oracle all hold on it only if each of them takes the rules from the Slot.

namespace {

constexpr double NEG_INF = -std::numeric_limits<double>::infinity();

MachineRules Variant()
{
    MachineRules rules;
    rules.preSignMinRtCount = 12;
    rules.bigSmallRoleGames = 24;
    rules.jacSetGames = 6;
    rules.bigJacSets = 2;
    rules.lastJacInGame = 14;
    rules.rtClassSpan[RT_CLASS_COUNT - 1] = 300;
    rules.preSignGames = {3, 5, 0, 0, 1, 6};
    rules.rtTable[Mode::MODE_1] = {1, 1, 1, 0, 0, 0};
    rules.preSignBlock = {1, 0, 0};
    return rules;
}

TEST(RuleVariant, ChangesWhatTheLawsDeriveFromTheRules)
{
    const MachineRules rules = Variant();
    ASSERT_TRUE(rules.IsValid());
    EXPECT_EQ(rules.RtCeiling(), 1217 + 300 - 1);
    RandomSource random;
    const Slot slot(random, rules);
    const SettingLaw law = BuildSettingLaw(slot, 2);
    EXPECT_EQ(law.rtCount[Mode::MODE_1].size(), static_cast<std::size_t>(rules.RtCeiling() + 1));
    EXPECT_GT(law.rtCount[Mode::MODE_1].back(), 0);
    double sum = 0;
    for (double p : law.rtCount[Mode::MODE_1]) sum += p;
    EXPECT_EQ(sum, 1.0);  // whole numbers over 2^47: exact
    // Setting 2 in mode 1 now draws from the table of settings 4-6.
    RandomSource otherRandom;
    const Slot machine(otherRandom);
    EXPECT_EQ(&slot.RtTable(2, Mode::MODE_1), &slot.rtRate[1]);
    EXPECT_EQ(&machine.RtTable(2, Mode::MODE_1), &machine.rtRate[0]);
}

// Counts of one batch of normal games and the bonuses they release.
struct Batch {
    double games = 0, medals = 0, big = 0, reg = 0, bigMedals = 0, regMedals = 0;
    double mode3 = 0, preSignReleases = 0, chained = 0;
};

std::vector<Batch> Play(const MachineRules& rules, int setting, std::int64_t games, int batches)
{
    RandomSource random;
    random.Seed(20261210u + static_cast<std::uint32_t>(setting));
    Slot slot(random, rules);
    slot.SetSetting(setting);
    std::vector<Batch> out(batches);
    int releaseMedals = 0, releaseKind = 0, previous = 0;
    for (Batch& b : out)
        for (std::int64_t g = 0; g < games / batches;) {
            slot.Play();
            b.medals += slot.medals - previous;
            previous = slot.medals;
            if (slot.bonusGame == 0) {
                ++g;
                b.games += 1;
                if (slot.mode == Mode::MODE_3) b.mode3 += 1;
                if (slot.outcome != Outcome::BIG && slot.outcome != Outcome::REG) continue;
                (slot.outcome == Outcome::BIG ? b.big : b.reg) += 1;
                if (slot.preSign != PreSignKind::NONE)
                    b.preSignReleases += 1;
                else if (slot.gamesSinceBonus == 1)
                    b.chained += 1;
                releaseMedals = slot.medals;
                releaseKind = slot.outcome;
            } else if (slot.bonusEnd) {
                (releaseKind == Outcome::BIG ? b.bigMedals : b.regMedals) +=
                    slot.medals - releaseMedals + PAYOUT_RELEASE;
            }
        }
    return out;
}

// The largest |simulated − theory| / SE over the figures, the SE of a ratio
// Σa / Σb by the delta method over the batches.
double WorstZ(const std::vector<Batch>& run, const SettingTheory& t, std::string& report)
{
    struct Figure {
        const char* name;
        double (*a)(const Batch&);
        double (*b)(const Batch&);
        double theory;
    };
    const auto& rt = t.tables[RT_CANCEL_TABLE].lines;
    const double preSignShare =
        *rt[1].shareOfReleases + *rt[2].shareOfReleases + *rt[3].shareOfReleases + *rt[4].shareOfReleases;
    const Figure figures[] = {
        {"balance per game", [](const Batch& b) { return b.medals; }, [](const Batch& b) { return b.games; },
         t.balancePerGame},
        {"BIG per game", [](const Batch& b) { return b.big; }, [](const Batch& b) { return b.games; },
         1 / t.bigOdds},
        {"REG per game", [](const Batch& b) { return b.reg; }, [](const Batch& b) { return b.games; },
         1 / t.regOdds},
        {"medals per BIG", [](const Batch& b) { return b.bigMedals; }, [](const Batch& b) { return b.big; },
         t.medalsPerBig},
        {"medals per REG", [](const Batch& b) { return b.regMedals; }, [](const Batch& b) { return b.reg; },
         t.medalsPerReg},
        {"mode 3 stay", [](const Batch& b) { return b.mode3; }, [](const Batch& b) { return b.games; },
         *t.tables[2].lines[Mode::MODE_3].rate},
        {"pre-sign releases", [](const Batch& b) { return b.preSignReleases; },
         [](const Batch& b) { return b.big + b.reg; }, preSignShare},
        {"1G連 releases", [](const Batch& b) { return b.chained; },
         [](const Batch& b) { return b.big + b.reg; }, *rt[5].shareOfReleases},
    };
    const double k = static_cast<double>(run.size());
    double worst = 0;
    for (const Figure& f : figures) {
        double sa = 0, sb = 0;
        for (const Batch& b : run) {
            sa += f.a(b);
            sb += f.b(b);
        }
        const double ratio = sa / sb;
        double r2 = 0;
        for (const Batch& b : run) r2 += (f.a(b) - ratio * f.b(b)) * (f.a(b) - ratio * f.b(b));
        const double se = std::sqrt(r2 / (k * (k - 1))) / (sb / k);
        const double z = (ratio - f.theory) / se;
        worst = std::fmax(worst, std::fabs(z));
        report += std::string(f.name) + ": simulated " + std::to_string(ratio) + ", theory " +
                  std::to_string(f.theory) + ", z " + std::to_string(z) + "\n";
    }
    return worst;
}

TEST(RuleVariant, TheoryAgreesWithTheVariantsSimulation)
{
    // 3·10^6 normal games in 200 batches with a fixed seed: eight figures per
    // setting. Batch means of 15,000 games are close to independent, so a
    // figure the theory gets right stays within 4.5 SE (one in 10^5 by chance),
    // and the verdict never changes between runs. The machine's own theory
    // must miss the variant by far, or the test would prove nothing.
    const MachineRules rules = Variant();
    RandomSource random;
    const Slot tables(random, rules);
    for (int setting : {1, 6}) {
        const auto run = Play(rules, setting, 3000000, 200);
        std::string report;
        EXPECT_LE(WorstZ(run, ComputeTheory(tables, setting), report), 4.5) << "setting " << setting << "\n"
                                                                            << report;
        std::string machine;
        EXPECT_GE(WorstZ(run, ComputeTheory(setting), machine), 20) << "setting " << setting << "\n"
                                                                    << machine;
    }
}

std::vector<PlayRow> VariantRun(const MachineRules& rules, int setting, std::uint32_t seed, int plays)
{
    RandomSource random;
    random.Seed(seed);
    Slot slot(random, rules);
    PlaySeries series;
    EXPECT_TRUE(RunSingle(slot, random, plays, SettingChoice{false, setting}, series));
    return {series.Rows().begin(), series.Rows().end()};
}

TEST(RuleVariant, LikelihoodEqualsTheOracleOnTheVariantsRuns)
{
    // Both sides sum positive terms in double: 1e-12 on the log, as for the
    // machine's own rules.
    const MachineRules rules = Variant();
    RandomSource random;
    const MachineLaws laws(Slot(random, rules));
    // The oracle's cost grows with every row, so only short runs that hold a
    // bonus are checked: the first three of the seeds in order.
    int checked = 0;
    for (std::uint32_t seed = 1; seed <= 1000 && checked < 3; ++seed) {
        const int setting = static_cast<int>(seed % 6) + 1;
        const auto rows = VariantRun(rules, setting, seed, 150);
        if (rows.size() == 150) continue;
        ++checked;
        for (Evidence evidence : {Evidence::Hall, Evidence::Record}) {
            const SeriesLikelihood likelihood = ComputeLikelihood(laws, rows, evidence);
            for (int s = 1; s <= 6; ++s) {
                SCOPED_TRACE("seed " + std::to_string(seed) + ", " + EvidenceName(evidence) + ", setting " +
                             std::to_string(s));
                const double exact = PathOracle(s, rules).Probability(rows, evidence);
                if (exact == 0) {
                    EXPECT_EQ(likelihood.logLikelihood[s - 1], NEG_INF);
                } else {
                    ASSERT_GT(exact, 1e-290) << "the case underflows the oracle";
                    EXPECT_NEAR(likelihood.logLikelihood[s - 1], std::log(exact), 1e-12);
                }
            }
        }
    }
    EXPECT_EQ(checked, 3);
}

TEST(RuleVariant, LongRunsArePossibleOnlyUnderTheirOwnRules)
{
    // A BIG of 24 small-role games cannot come from the machine: its laws must
    // rule the run out, the variant's must not.
    const MachineRules rules = Variant();
    RandomSource random;
    const MachineLaws laws(Slot(random, rules));
    for (int setting : {2, 5}) {
        const auto rows = VariantRun(rules, setting, 4242u + static_cast<std::uint32_t>(setting), 8000);
        for (Evidence evidence : {Evidence::Hall, Evidence::Record}) {
            const SeriesLikelihood own = ComputeLikelihood(laws, rows, evidence);
            EXPECT_TRUE(std::isfinite(own.logLikelihood[setting - 1]))
                << "setting " << setting << ", " << EvidenceName(evidence) << ": " << own.impossible;
            EXPECT_FALSE(ComputeLikelihood(rows, evidence).impossible.empty()) << "setting " << setting;
        }
    }
}

}  // namespace
