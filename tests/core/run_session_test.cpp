#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "sim/RunSession.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"

namespace {

constexpr int PLAYS = 2000;
constexpr SettingChoice SETTING_4{false, 4};

std::shared_ptr<const PlaySeries> Play(RunSession& session)
{
    auto series = std::make_shared<PlaySeries>();
    EXPECT_TRUE(RunSingle(session.Machine(), session.Random(), PLAYS, SETTING_4, *series));
    return series;
}

// The window's first run has always drawn the sequence's first numbers after
// the machine's first reset; files and repeated runs depend on it.
TEST(RunSession, FirstRunPlaysAsTheProgramAlwaysHas)
{
    constexpr std::uint32_t seed = 20260;
    RunSession session(seed);
    const auto played = Play(session);

    RandomSource random;
    Slot slot(random);
    slot.SetSetting(1);
    random.Seed(seed);
    PlaySeries twin;
    ASSERT_TRUE(RunSingle(slot, random, PLAYS, SETTING_4, twin));
    EXPECT_EQ(*played, twin);
}

TEST(RunSession, ReseedForgetsWhatTheLastRunLeft)
{
    RunSession first(1);
    RunSession second(2);
    Play(first);
    Play(second);
    Play(second);
    first.Reseed(77);
    second.Reseed(77);
    EXPECT_EQ(*Play(first), *Play(second));
}

// A batch holds its last simulation for saving while the run on show stays;
// the next run first lets go of what is held but not shown.
TEST(RunSession, ShownAndHeldRuns)
{
    RunSession session(5);
    EXPECT_TRUE(session.Shown().Empty());
    EXPECT_TRUE(session.Held().Empty());

    const auto shown = Play(session);
    session.Show(shown, {4, PLAYS});
    EXPECT_EQ(&session.Shown(), shown.get());
    EXPECT_EQ(&session.Held(), shown.get());

    const auto batchLast = Play(session);
    session.Hold(batchLast, {3, 1234});
    EXPECT_EQ(&session.Shown(), shown.get());
    EXPECT_EQ(&session.Held(), batchLast.get());
    EXPECT_EQ(session.HeldHeader().setting, 3);
    EXPECT_EQ(session.HeldHeader().playCount, 1234);

    session.HoldShown();
    EXPECT_EQ(&session.Held(), shown.get());
    EXPECT_EQ(session.HeldHeader().setting, 4);
    EXPECT_EQ(session.HeldHeader().playCount, PLAYS);

    session.DropShown();
    session.DropHeld();
    EXPECT_TRUE(session.Shown().Empty());
    EXPECT_TRUE(session.Held().Empty());
}

}  // namespace
