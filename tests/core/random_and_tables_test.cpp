#include <gtest/gtest.h>

#include <numeric>

#include "slot/RandomSource.h"
#include "slot/Rate_TBL.h"
#include "slot/Slot.h"

namespace {

int Sum(const Rate_TBL<int>& table)
{
    return std::accumulate(table.begin(), table.end(), 0);
}

TEST(RandomSource, FirstValueAfterSeedingWithZeroIs346)
{
    RandomSource random;
    random.Seed(0);
    EXPECT_EQ(random.Next(), 346);
}

TEST(RandomSource, ValuesAreThirtyOneBitsAndReseedingRepeats)
{
    RandomSource a;
    RandomSource b;
    a.Seed(0xFFFFFFFFu);
    b.Seed(0xFFFFFFFFu);
    for (int i = 0; i < 10000; ++i) {
        const int v = a.Next();
        ASSERT_GE(v, 0);
        ASSERT_EQ(v, b.Next());
    }
}

struct LookupCase {
    Rate_TBL<int> table;
    int r;
    int expected;
};

TEST(RateTable, LookupFindsTheEntryOwningTheDraw)
{
    const Rate_TBL<int> roles{873, 5750, 771, 8991, 442, 102};
    const Rate_TBL<int> zeros{0, 0, 0, 0, 16384, 49152};
    const LookupCase cases[] = {
        {roles, 0, 0},     {roles, 872, 0}, {roles, 873, 1},   {roles, 16928, 5}, {roles, 16929, 6},
        {roles, 65535, 6}, {zeros, 0, 4},   {zeros, 16383, 4}, {zeros, 16384, 5}, {zeros, 65535, 5},
        {{}, 0, 0},        {{}, 65535, 0},  {{2048}, 2047, 0}, {{2048}, 2048, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rate_TBL<int>::Lookup(c.table, c.r), c.expected)
            << "r = " << c.r << ", table size " << c.table.size();
}

class Tables : public ::testing::Test {
protected:
    RandomSource random;
    Slot slot{random};
};

TEST_F(Tables, SumsMatchTheirDrawWidths)
{
    const int roleSums[6] = {16929, 16941, 16950, 16956, 16944, 17009};
    for (int s = 0; s < 6; ++s) {
        EXPECT_EQ(Sum(slot.roleRate[s]), roleSums[s]) << "setting " << s + 1;
        EXPECT_EQ(Sum(slot.bonusFlagRate[s]), 540 + 2 * s) << "setting " << s + 1;
        EXPECT_EQ(Sum(slot.bonusKindRateMode0[s]), s == 4 ? 65496 : 65536) << "setting " << s + 1;
        EXPECT_EQ(Sum(slot.bonusKindRateMode2[s]), 65536) << "setting " << s + 1;
        EXPECT_EQ(Sum(slot.modeRateFrom0[s]), 256);
        EXPECT_EQ(Sum(slot.modeRateFrom2[s]), 256);
        EXPECT_EQ(Sum(slot.modeAfterPreSignRateFrom0[s]), 256);
    }
    for (int t = 0; t < 4; ++t) EXPECT_EQ(Sum(slot.rtRate[t]), 65536) << "rt table " << t;
    EXPECT_EQ(slot.rtRate[3].size(), 5u);
    for (int m = 0; m < 3; ++m) EXPECT_EQ(Sum(slot.bigColorRate[m]), 65536);
    EXPECT_EQ(Sum(slot.bigRoleRate), 65536);
    EXPECT_EQ(Sum(slot.jacRate), 65536);
    EXPECT_EQ(Sum(slot.chainBellRateRed), 774);
    EXPECT_EQ(Sum(slot.chainBellRateBlue), 3572);
}

TEST_F(Tables, BoundariesOfTheLotteries)
{
    using T = Rate_TBL<int>;
    const struct {
        const char* what;
        const T& table;
        int r;
        int expected;
    } cases[] = {
        {"flag s3 BIG", slot.bonusFlagRate[2], 274, 0},
        {"flag s3 REG", slot.bonusFlagRate[2], 275, 1},
        {"flag s3 REG end", slot.bonusFlagRate[2], 543, 1},
        {"flag s3 none", slot.bonusFlagRate[2], 544, 2},
        {"role s6 pure miss", slot.roleRate[5], 16928, 5},
        {"role s6 pure miss end", slot.roleRate[5], 17008, 5},
        {"role s6 none", slot.roleRate[5], 17009, 6},
        {"cherry pre-sign hit", slot.cherryPreSignRate[0], 2047, 0},
        {"cherry pre-sign miss", slot.cherryPreSignRate[0], 2048, 1},
        {"colour mode 1 red", slot.bigColorRate[1], 16383, 0},
        {"colour mode 1 blue", slot.bigColorRate[1], 16384, 1},
        {"colour mode 2 red", slot.bigColorRate[2], 42493, 0},
        {"colour mode 2 blue", slot.bigColorRate[2], 42494, 1},
        {"kind m0 s5 BIG", slot.bonusKindRateMode0[4], 31193, 0},
        {"kind m0 s5 REG", slot.bonusKindRateMode0[4], 31194, 1},
        {"kind m0 s5 REG end", slot.bonusKindRateMode0[4], 65495, 1},
        {"kind m0 s5 beyond", slot.bonusKindRateMode0[4], 65496, 2},
        {"mode from 1 low", slot.modeRateFrom1, 0, 1},
        {"mode from 1 mid", slot.modeRateFrom1, 51, 1},
        {"mode from 1 high", slot.modeRateFrom1, 52, 2},
        {"rt mode 2 class 3", slot.rtRate[3], 43000, 3},
        {"rt mode 2 class 4", slot.rtRate[3], 43001, 4},
        {"rt mode 2 top", slot.rtRate[3], 65535, 4},
    };
    for (const auto& c : cases) EXPECT_EQ(T::Lookup(c.table, c.r), c.expected) << c.what;
}

}  // namespace
