#include <gtest/gtest.h>

#include "slot/RandomSource.h"
#include "slot/Slot.h"

namespace {

// A Slot whose lotteries can be pinned by replacing a table with one that
// always (or never) hits; the draws themselves still happen.
class SlotGame : public ::testing::Test {
protected:
    SlotGame()
    {
        random.Seed(20261209);
        slot.SetSetting(3);
    }

    void ForceRole(int role)
    {
        for (auto& table : slot.roleRate) {
            table.assign(6, 0);
            table[role - 1] = 65536;
        }
    }
    void ForceNoFlag()
    {
        for (auto& table : slot.bonusFlagRate) table = {0, 0};
    }
    // Puts the slot right before the first game of a bonus.
    void StartBonus(int kind)
    {
        slot.bonus = kind;
        slot.bonusGame = 0;
        slot.bonusEnd = 0;
    }

    RandomSource random;
    Slot slot{random};
};

TEST_F(SlotGame, ResetStartsAFreshRun)
{
    slot.medals = 99;
    slot.playCount = 7;
    slot.mode = Mode::MODE_3;
    slot.preSign = PreSignKind::CHANCE;
    slot.bonus = BonusKind::BIG;
    slot.Reset();
    EXPECT_EQ(slot.playCount, 0);
    EXPECT_EQ(slot.medals, 0);
    EXPECT_EQ(slot.gamesSinceBonus, 0);
    EXPECT_EQ(slot.mode, Mode::MODE_1);
    EXPECT_EQ(slot.preSign, PreSignKind::NONE);
    EXPECT_EQ(slot.bonus, BonusKind::NONE);
    EXPECT_GE(slot.rtCount, 1);
    EXPECT_LE(slot.rtCount, 128);  // drawn with mode 2, the mode before the reset
}

TEST_F(SlotGame, ReplayWaivesTheNextBetEvenAcrossARun)
{
    ForceRole(Outcome::REPLAY);
    slot.rtCount = 1000;
    slot.Play();
    EXPECT_EQ(slot.outcome, Outcome::REPLAY);
    EXPECT_EQ(slot.medals, -3);  // the first game of the run bets
    slot.Play();
    EXPECT_EQ(slot.medals, -3);

    slot.Reset();  // the new run's first game still sees the replay
    ForceRole(Outcome::BELL);
    slot.rtCount = 1000;
    slot.Play();
    EXPECT_EQ(slot.medals, 10);
    slot.Play();
    EXPECT_EQ(slot.medals, 17);
}

TEST_F(SlotGame, ReleaseGamePaysFifteen)
{
    ForceRole(Outcome::BELL);
    slot.rtCount = 1;
    slot.Play();
    EXPECT_TRUE(slot.outcome == Outcome::BIG || slot.outcome == Outcome::REG);
    EXPECT_EQ(slot.bonus, slot.outcome == Outcome::BIG ? BonusKind::BIG : BonusKind::REG);
    EXPECT_EQ(slot.medals, 12);
}

TEST_F(SlotGame, PreSignLotteryNeedsThirtyTwoGamesLeft)
{
    ForceRole(Outcome::CHERRY);
    ForceNoFlag();
    slot.cherryPreSignRate[0] = {65536};
    slot.rtCount = 32;  // 31 after the decrement: no pre-sign
    slot.Play();
    EXPECT_EQ(slot.preSign, PreSignKind::NONE);
    slot.rtCount = 33;  // 32 after the decrement
    slot.Play();
    EXPECT_EQ(slot.preSign, PreSignKind::CHERRY);
    EXPECT_TRUE(slot.rtCount == 2 || slot.rtCount == 4);
    EXPECT_EQ(slot.preSignBlue, 0);
}

TEST_F(SlotGame, PreSignReleasesOnTheCountItDrew)
{
    ForceNoFlag();
    ForceRole(Outcome::BENTO);
    slot.bentoPreSignRate[0] = {65536};
    slot.bonusKindRateMode0[2] = {65536, 0};
    slot.rtCount = 500;
    slot.Play();
    ASSERT_EQ(slot.preSign, PreSignKind::BENTO);
    EXPECT_EQ(slot.preSignBlue, 1);  // bento box pre-signs always draw class 4 or 5
    const int games = slot.rtCount;
    for (int i = 1; i < games; ++i) {
        slot.Play();
        EXPECT_EQ(slot.outcome, Outcome::BENTO);
    }
    slot.Play();
    EXPECT_EQ(slot.outcome, Outcome::BIG);
    EXPECT_EQ(slot.bigColor, BigColor::BLUE);     // the blue mark colours the BIG
    EXPECT_EQ(slot.preSign, PreSignKind::BENTO);  // still set through the bonus
}

TEST_F(SlotGame, RegOfEightWonJacGamesGains112)
{
    slot.jacRate = {65536, 0};
    StartBonus(BonusKind::REG);
    const int before = slot.medals;
    for (int game = 1; game <= 8; ++game) {
        slot.Play();
        EXPECT_EQ(slot.outcome, Outcome::JAC_WON);
        EXPECT_EQ(slot.bonusGame, 1);
        EXPECT_EQ(slot.jacGames, game);
        EXPECT_EQ(slot.bonusEnd, game == 8 ? 1 : 0);
    }
    EXPECT_EQ(slot.medals - before, 112);
}

TEST_F(SlotGame, MissedJacGameDecidesAChainedBigAndKeepsTheMode)
{
    slot.jacRate = {0, 65536};
    slot.mode = Mode::MODE_2;
    StartBonus(BonusKind::REG);
    for (int game = 1; game <= 8; ++game) {
        slot.Play();
        EXPECT_EQ(slot.outcome, Outcome::JAC_MISSED);
        EXPECT_EQ(slot.chainTrigger, ChainTrigger::JAC_MISSED);
        EXPECT_EQ(slot.chainFlag, 1);
    }
    EXPECT_EQ(slot.rtCount, 1);
    EXPECT_EQ(slot.mode, Mode::MODE_2);
    ASSERT_NE(slot.chainColor, NO_CHAIN_COLOR);
    const int colour = slot.chainColor;
    ForceRole(Outcome::BELL);
    slot.Play();  // the chained BIG
    EXPECT_EQ(slot.outcome, Outcome::BIG);
    EXPECT_EQ(slot.gamesSinceBonus, 1);
    EXPECT_EQ(slot.bigColor, colour);
    EXPECT_EQ(slot.medals, -8 - 3 + 15);
}

TEST_F(SlotGame, ThirdJacInWaitsForSmallRoleGameTwenty)
{
    slot.bigRoleRate = {65536, 0, 0, 0, 0};
    StartBonus(BonusKind::BIG);
    slot.Play();  // first game: clears the bonus fields
    ASSERT_EQ(slot.outcome, Outcome::JAC_IN);
    slot.inJac = 0;
    slot.jacInCount = 2;
    slot.bonusGame = 18;
    slot.jacGames = 16;
    const int before = slot.medals;
    slot.Play();  // game 19
    EXPECT_EQ(slot.outcome, Outcome::NONE);
    EXPECT_EQ(slot.medals, before - 3);
    EXPECT_EQ(slot.inJac, 0);
    slot.Play();  // game 20
    EXPECT_EQ(slot.outcome, Outcome::JAC_IN);
    EXPECT_EQ(slot.medals, before - 3 - 3 + 15);
    EXPECT_EQ(slot.inJac, 1);
    EXPECT_EQ(slot.jacInCount, 3);
}

TEST_F(SlotGame, BigEndsAtGameThirtyOrAfterTheThirdSet)
{
    slot.bigRoleRate = {65536, 0, 0, 0, 0};
    slot.jacRate = {65536, 0};
    StartBonus(BonusKind::BIG);
    slot.Play();
    slot.inJac = 0;
    slot.bonusGame = 29;
    slot.Play();  // game 30 takes a JAC-in and still ends the BIG
    EXPECT_EQ(slot.outcome, Outcome::JAC_IN);
    EXPECT_EQ(slot.bonusEnd, 1);

    StartBonus(BonusKind::BIG);
    slot.Play();  // JAC-in 1
    int games = 0;
    while (!slot.bonusEnd && games < 100) {
        slot.Play();
        ++games;
    }
    EXPECT_EQ(slot.jacGames, 24);
    EXPECT_EQ(slot.jacInCount, 3);
    EXPECT_EQ(slot.outcome, Outcome::JAC_WON);
}

TEST_F(SlotGame, ChainLotteryDrawsForEveryRoleAndKeepsBlue)
{
    RandomSource twin;
    twin.Seed(7);
    random.Seed(7);
    EXPECT_EQ(slot.ChainLottery(BigRole::CHANCE, BigColor::RED), NO_CHAIN_COLOR);
    twin.Next();  // the chance pattern still took its draw
    EXPECT_EQ(random.Next(), twin.Next());

    slot.bigRoleRate = {0, 65536, 0, 0, 0};
    slot.chainCherryRate = {65536};
    slot.bigColorRate[Mode::MODE_1] = {65536, 0};  // chains decide red
    StartBonus(BonusKind::BIG);
    slot.Play();
    ASSERT_EQ(slot.chainTrigger, ChainTrigger::CHERRY);
    slot.chainColor = BigColor::BLUE;
    slot.Play();
    EXPECT_EQ(slot.chainTrigger, ChainTrigger::CHERRY);
    EXPECT_EQ(slot.chainColor, BigColor::BLUE);
}

TEST_F(SlotGame, BonusEndAfterPreSignUsesThePreSignModeTable)
{
    slot.jacRate = {65536, 0};
    slot.modeAfterPreSignRateFrom2 = {0, 0, 256};
    slot.modeRateFrom2[2] = {256, 0, 0};
    slot.mode = Mode::MODE_3;
    slot.preSign = PreSignKind::PURE_MISS;
    StartBonus(BonusKind::REG);
    for (int i = 0; i < 8; ++i) slot.Play();
    EXPECT_EQ(slot.mode, Mode::MODE_3);
    EXPECT_LE(slot.rtCount, 128);
    slot.Play();  // first normal game after the bonus
    EXPECT_EQ(slot.preSign, PreSignKind::NONE);
    EXPECT_EQ(slot.gamesSinceBonus, 1);
    EXPECT_EQ(slot.bonusGame, 0);
}

TEST_F(SlotGame, ReleaseBeyondTheKindTableIsReg)
{
    slot.SetSetting(5);
    slot.bonusKindRateMode0[4] = {0, 0};  // every draw lands beyond the table
    ForceRole(Outcome::BELL);
    slot.rtCount = 1;
    slot.Play();
    EXPECT_EQ(slot.outcome, Outcome::REG);
    EXPECT_EQ(slot.bonus, BonusKind::REG);
}

}  // namespace
