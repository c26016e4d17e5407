#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "sim/BatchName.h"
#include "sim/WholeNumber.h"
#include "tests/support/WholeNumberCases.h"

namespace {

TEST(WholeNumber, OneReadingOfEveryText)
{
    for (const WholeNumberCase& c : WHOLE_NUMBER_CASES) {
        const WholeNumberRead read = ReadWholeNumber(c.text);
        EXPECT_EQ(read.Ok() ? std::optional<std::int64_t>(read.value) : std::nullopt, c.value)
            << "'" << c.text << "'";
        const bool fits = c.value && *c.value >= INT32_MIN && *c.value <= INT32_MAX;
        EXPECT_EQ(ParseWholeNumber(c.text),
                  fits ? std::optional<int>(static_cast<int>(*c.value)) : std::nullopt)
            << "'" << c.text << "'";
    }
    // Digits beyond 64 bits are a number too large, not a text that is none.
    EXPECT_EQ(ReadWholeNumber("99999999999999999999").status, WholeNumberRead::Status::TooLarge);
    EXPECT_EQ(ReadWholeNumber("99999999999999999999x").status, WholeNumberRead::Status::NotANumber);
}

TEST(WholeNumber, SettingTextIsQuestionMarkOrANumber)
{
    EXPECT_TRUE(ParseSettingText("?")->hidden);
    EXPECT_EQ(ParseSettingText("3")->value, 3);
    EXPECT_FALSE(ParseSettingText("3")->hidden);
    EXPECT_EQ(ParseSettingText("9")->value, 9);  // range is the caller's check
    EXPECT_FALSE(ParseSettingText(" ?"));
    EXPECT_FALSE(ParseSettingText("??"));
    EXPECT_FALSE(ParseSettingText("\xef\xbc\x9f"));  // full-width ?
    EXPECT_FALSE(IsValidSetting(0));
    EXPECT_TRUE(IsValidSetting(6));
    EXPECT_FALSE(IsValidSetting(7));
}

TEST(BatchName, TagGoesBeforeTheFirstDotOfTheFileName)
{
    const struct {
        std::string base;
        int setting, plays, index;
        std::string expected;
    } cases[] = {
        {"runs/test.sim", 3, 800, 12, "runs/test3_800_12.sim"},
        {"/tmp/test.sim", 1, 800, 1, "/tmp/test1_800_1.sim"},
        {"my.runs/test", 3, 800, 12, "my.runs/test3_800_12"},
        {"my.runs/test.sim", 3, 800, 1, "my.runs/test3_800_1.sim"},
        {"test.tar.sim", 6, 5, 2, "test6_5_2.tar.sim"},
        {"test", 1, 800, 1, "test1_800_1"},
        {"/a.b/c.d/e", 2, 10, 3, "/a.b/c.d/e2_10_3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BatchFileName(c.base, c.setting, c.plays, c.index), c.expected) << c.base;

    // The pattern of all of a batch's names puts its "*" where the numbers go.
    EXPECT_EQ(BatchFilePattern("/p/run.sim", 3, 8000), "/p/run3_8000_*.sim");
    EXPECT_EQ(BatchFilePattern("my.runs/test", std::nullopt, 800), "my.runs/test*_800_*");

    // And back: which file names a batch of simulations 2..5 at 800 plays writes.
    const struct {
        const char* name;
        std::optional<int> setting;
        bool expected;
    } names[] = {
        {"test3_800_2.sim", 3, true},   {"test3_800_5.sim", 3, true},  {"test3_800_1.sim", 3, false},
        {"test3_800_6.sim", 3, false},  {"test4_800_2.sim", 3, false}, {"test3_80_2.sim", 3, false},
        {"test3_800_02.sim", 3, false}, {"test6_800_4.sim", {}, true}, {"test7_800_4.sim", {}, false},
        {"test3_800_2", 3, false},      {"best3_800_2.sim", 3, false}, {"test3_800_2.tar.sim", 3, false},
        {"test_3_800_2.sim", 3, false}, {"test.sim", 3, false},
    };
    for (const auto& c : names)
        EXPECT_EQ(IsBatchFileName(c.name, "runs/test.sim", c.setting, 800, 2, 5), c.expected) << c.name;
}

}  // namespace
