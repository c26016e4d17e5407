#include <gtest/gtest.h>

#include <cstdint>

#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"
#include "tests/core/TestSupport.h"

namespace {

std::uint64_t Fnv1a(const std::string& bytes)
{
    std::uint64_t hash = 1469598103934665603ull;
    for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

void ExpectRunShape(const PlaySeries& series, int plays, const std::string& what)
{
    ASSERT_FALSE(series.Empty()) << what;
    EXPECT_EQ(series.Back().playCount, plays) << what;
    EXPECT_TRUE(series.Back().IsNormalGame()) << what;
    int normal = 0;
    for (std::size_t i = 0; i < series.Size(); ++i) {
        const PlayRow& row = series[i];
        if (row.IsNormalGame()) {
            ++normal;
            ASSERT_EQ(row.playCount, normal) << what << " row " << i;
        } else {
            ASSERT_GT(i, 0u);
            ASSERT_EQ(row.playCount, series[i - 1].playCount) << what << " row " << i;
            ASSERT_EQ(row.gamesSinceBonus, series[i - 1].gamesSinceBonus) << what << " row " << i;
        }
    }
    EXPECT_EQ(normal, plays) << what;
}

TEST(SingleRun, OnePlayIsOneNormalRow)
{
    Program program(1);
    ASSERT_TRUE(RunSingle(program.slot, program.random, 1, {false, 4}, program.series));
    ASSERT_EQ(program.series.Size(), 1u);
    EXPECT_EQ(program.series[0].playCount, 1);
    EXPECT_EQ(program.series[0].gamesSinceBonus, 1);
    EXPECT_EQ(program.series[0].bonusGame, 0);
}

TEST(SingleRun, EverySettingGivesAWellShapedRun)
{
    Program program(424242);
    for (int setting = 1; setting <= 6; ++setting) {
        ASSERT_TRUE(RunSingle(program.slot, program.random, 30000, {false, setting}, program.series));
        ExpectRunShape(program.series, 30000, "setting " + std::to_string(setting));
        EXPECT_EQ(program.slot.GetSetting(), setting);
    }
}

TEST(SingleRun, HiddenSettingIsDrawnBeforeSetSetting)
{
    for (const std::uint32_t seed : {0u, 1u, 99u, 123456789u}) {
        Program program(seed);
        ASSERT_TRUE(RunSingle(program.slot, program.random, 500, {true, 0}, program.series));

        // The same program written out by hand, draw by draw.
        Program twin(seed);
        const int setting = twin.random.Next() % 6 + 1;
        twin.slot.SetSetting(setting);
        twin.slot.Reset();
        while (twin.slot.playCount < 500) {
            twin.slot.Play();
            twin.series.Append(PlayRow::FromSlot(twin.slot));
        }
        EXPECT_EQ(program.slot.GetSetting(), setting) << "seed " << seed;
        EXPECT_TRUE(program.series == twin.series) << "seed " << seed;
    }
}

TEST(SingleRun, RunsOfOneProgramContinueOneSequence)
{
    Program program(5);
    ASSERT_TRUE(RunSingle(program.slot, program.random, 2000, {false, 2}, program.series));
    const PlaySeries first = program.series;
    ASSERT_TRUE(RunSingle(program.slot, program.random, 2000, {false, 2}, program.series));
    EXPECT_FALSE(program.series == first);
    ExpectRunShape(program.series, 2000, "second run");

    Program fresh(5);
    ASSERT_TRUE(RunSingle(fresh.slot, fresh.random, 2000, {false, 2}, fresh.series));
    EXPECT_TRUE(fresh.series == first);
}

TEST(SingleRun, BonusReleasedOnTheLastPlayIsNotPlayed)
{
    Program probe(77);
    ASSERT_TRUE(RunSingle(probe.slot, probe.random, 3000, {false, 6}, probe.series));
    int releasePlay = 0;
    for (const PlayRow& row : probe.series.Rows())
        if (row.IsRelease()) {
            releasePlay = row.playCount;
            break;
        }
    ASSERT_GT(releasePlay, 0);

    Program program(77);
    ASSERT_TRUE(RunSingle(program.slot, program.random, releasePlay, {false, 6}, program.series));
    EXPECT_TRUE(program.series.Back().IsRelease());
    EXPECT_NE(program.series.Back().bonus, 0);
    EXPECT_EQ(program.series.Back().playCount, releasePlay);
}

TEST(SingleRun, NothingPlaysBelowOnePlay)
{
    Program program(3);
    ASSERT_TRUE(RunSingle(program.slot, program.random, 50, {false, 1}, program.series));
    ASSERT_TRUE(RunSingle(program.slot, program.random, 0, {false, 1}, program.series));
    EXPECT_TRUE(program.series.Empty());
}

TEST(SingleRun, AbandonedBeforePlayLeavesNoRows)
{
    Program program(3);
    EXPECT_FALSE(
        RunSingle(program.slot, program.random, 50, {false, 1}, program.series, [] { return false; }));
    EXPECT_TRUE(program.series.Empty());
}

// The window's check during the plays draws nothing: the same games with it,
// and a false answer abandons the run with no rows left.
TEST(SingleRun, CheckDuringPlaysChangesNoGameAndCanAbandon)
{
    Program plain(77);
    Program checked(77);
    ASSERT_TRUE(RunSingle(plain.slot, plain.random, 20000, {true, 0}, plain.series));
    std::vector<int> seen;
    ASSERT_TRUE(
        RunSingle(checked.slot, checked.random, 20000, {true, 0}, checked.series, {}, [&](int played) {
            seen.push_back(played);
            return true;
        }));
    EXPECT_EQ(EncodeSimFile(checked.slot.GetSetting(), checked.slot.playCount, checked.series),
              EncodeSimFile(plain.slot.GetSetting(), plain.slot.playCount, plain.series));
    ASSERT_FALSE(seen.empty());
    EXPECT_GE(seen.front(), PLAYS_PER_CHECK);
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i] - seen[i - 1], PLAYS_PER_CHECK);

    EXPECT_FALSE(RunSingle(checked.slot, checked.random, 20000, {false, 2}, checked.series, {},
                           [](int played) { return played < 2 * PLAYS_PER_CHECK; }));
    EXPECT_TRUE(checked.series.Empty());
}

// Pins the exact sequence of games: any change in the order of draws, a table
// weight or a rule changes these files.
TEST(SingleRun, DeterminismSignature)
{
    const struct {
        std::uint32_t seed;
        SettingChoice setting;
        int plays;
        std::uint64_t signature;
    } cases[] = {
        {0, {false, 1}, 20000, 557875935597524062ull},
        {20261209, {false, 5}, 20000, 7037117425866585643ull},
        {4294967295u, {true, 0}, 20000, 3302853923562748676ull},
    };
    for (const auto& c : cases) {
        Program program(c.seed);
        ASSERT_TRUE(RunSingle(program.slot, program.random, c.plays, c.setting, program.series));
        ASSERT_TRUE(RunSingle(program.slot, program.random, c.plays, c.setting, program.series));
        const std::uint64_t signature =
            Fnv1a(EncodeSimFile(program.slot.GetSetting(), program.slot.playCount, program.series));
        EXPECT_EQ(signature, c.signature) << "seed " << c.seed;
    }
}

}  // namespace
