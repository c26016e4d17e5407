#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "sim/SeriesCheck.h"
#include "sim/SingleRun.h"

namespace {

// Every series the machine plays passes: each setting and a hidden one, from
// one game to runs long enough for every kind of bonus, and runs one after
// another on one machine as a batch plays them (the machine carries state,
// such as the blue mark, from one run into the next).
TEST(SeriesCheck, EveryRunOfTheMachinePasses)
{
    Program program(20240611);
    for (const int plays : {1, 2, 50, 40000}) {
        for (int s = SETTING_MIN; s <= SETTING_MAX + 1; ++s) {
            const SettingChoice setting{s > SETTING_MAX, s > SETTING_MAX ? 0 : s};
            ASSERT_TRUE(RunSingle(program.slot, program.random, plays, setting, program.series));
            const auto fault = CheckSeries(program.slot.GetSetting(), plays, program.series);
            EXPECT_FALSE(fault) << "setting " << s << ", " << plays << " plays: " << fault->Text();
        }
    }
    for (int run = 0; run < 300; ++run) {
        ASSERT_TRUE(RunSingle(program.slot, program.random, 3000, {true, 0}, program.series));
        const auto fault = CheckSeries(program.slot.GetSetting(), 3000, program.series);
        ASSERT_FALSE(fault) << "run " << run << ": " << fault->Text();
    }
}

// Index of the first row that `test` holds for.
std::size_t FirstRow(const PlaySeries& series, const std::function<bool(const PlayRow&)>& test)
{
    for (std::size_t i = 0; i < series.Size(); ++i)
        if (test(series[i])) return i;
    ADD_FAILURE() << "no such row";
    return 0;
}

// One edit of a machine's series each: the fault names the first record
// (1-based; 0 the header) the edit breaks.
TEST(SeriesCheck, NamesTheFirstImpossibleRecord)
{
    Program program(7);
    ASSERT_TRUE(RunSingle(program.slot, program.random, 5000, {false, 6}, program.series));
    const PlaySeries machine = program.series;
    const std::size_t big = FirstRow(machine, [](const PlayRow& r) { return r.outcome == Outcome::BIG; });
    const std::size_t reg = FirstRow(machine, [](const PlayRow& r) { return r.outcome == Outcome::REG; });
    const std::size_t smallRole = FirstRow(machine, [](const PlayRow& r) {
        return !r.IsNormalGame() && r.bonus == BonusKind::BIG && r.outcome == Outcome::CHANCE;
    });
    const std::size_t last = machine.Size() - 1;
    // A plain normal game, from the middle of a stretch of them.
    std::size_t plain = 10;
    while (!machine[plain].IsNormalGame() || machine[plain].IsRelease() || !machine[plain - 1].IsNormalGame())
        ++plain;

    struct Case {
        const char* name;
        std::int32_t setting;
        std::int32_t plays;
        std::size_t row;  // edited row
        std::function<void(PlayRow&)> edit;
        std::size_t record;
        const char* words;
    };
    const auto keep = [](PlayRow&) {};
    const std::vector<Case> cases = {
        {"setting 0", 0, 5000, 0, keep, 0, "setting 0 is not 1 to 6"},
        {"setting of a damaged header", 745367923, 5000, 0, keep, 0, "setting 745367923"},
        {"header's play count", 6, 4999, 0, keep, last + 1, "the header says 4999 plays"},
        {"header's play count 0", 6, 0, 0, keep, last + 1, "the header says 0 plays"},
        {"first play 0", 6, 5000, 0, [](PlayRow& r) { r.playCount = 0; }, 1, "play 0 where play 1"},
        {"a play claimed far ahead", 6, 5000, 99, [](PlayRow& r) { r.playCount = 1'200'000'000; }, 100,
         "play 1200000000"},
        {"the last play claimed as 2^31 - 1", 6, 5000, last, [](PlayRow& r) { r.playCount = 2147483647; },
         last + 1, "play 2147483647"},
        {"a play repeated by a normal game", 6, 5000, 1, [](PlayRow& r) { r.playCount = 1; }, 2,
         "a normal game adds one"},
        {"a bonus game moving the play count", 6, 5000, big + 1, [](PlayRow& r) { ++r.playCount; }, big + 2,
         "a bonus game keeps the play count"},
        {"a bonus game first", 6, 5000, 0, [](PlayRow& r) { r.bonusGame = 1; }, 1, "without a bonus"},
        {"a release without its games", 6, 5000, big + 1, [](PlayRow& r) { r.bonusGame = 0; }, big + 2,
         "released in record"},
        {"a bonus game without a release", 6, 5000, 1, [](PlayRow& r) { r.bonusGame = 3; }, 2,
         "without a bonus"},
        {"mode 3", 6, 5000, plain, [](PlayRow& r) { r.mode = 3; }, plain + 1, "mode 3 does not exist"},
        {"BIG colour 2", 6, 5000, plain, [](PlayRow& r) { r.bigColor = 2; }, plain + 1, "BIG colour 2"},
        {"pre-sign 5", 6, 5000, plain, [](PlayRow& r) { r.preSign = 5; }, plain + 1, "pre-sign 5"},
        {"blue mark -1", 6, 5000, plain, [](PlayRow& r) { r.preSignBlue = -1; }, plain + 1, "blue mark -1"},
        {"a JAC outcome in a normal game", 6, 5000, plain, [](PlayRow& r) { r.outcome = Outcome::JAC_WON; },
         plain + 1, "cannot come in a normal game"},
        {"a bonus set without a release", 6, 5000, plain, [](PlayRow& r) { r.bonus = BonusKind::BIG; },
         plain + 1, "only a release sets the bonus"},
        {"a REG's release with the BIG's kind", 6, 5000, reg, [](PlayRow& r) { r.bonus = BonusKind::BIG; },
         reg + 1, "only a release sets the bonus"},
        {"a 1G連 trigger in a normal game", 6, 5000, plain, [](PlayRow& r) { r.chainTrigger = 2; }, plain + 1,
         "in a normal game"},
        {"a small role in a REG", 6, 5000, reg + 1, [](PlayRow& r) { r.outcome = Outcome::CHERRY; }, reg + 2,
         "cannot come in a REG's game"},
        {"a release inside a BIG", 6, 5000, big + 1, [](PlayRow& r) { r.outcome = Outcome::BIG; }, big + 2,
         "cannot come in a BIG's game"},
        {"the bonus's kind changing", 6, 5000, big + 1, [](PlayRow& r) { r.bonus = BonusKind::REG; }, big + 2,
         "in a game of a BIG"},
        {"a punk, which the machine never decides", 6, 5000, smallRole,
         [](PlayRow& r) { r.chainTrigger = ChainTrigger::PUNK; }, smallRole + 1, "1G連 trigger 7"},
        {"a JAC game missed without its trigger", 6, 5000, reg + 1,
         [](PlayRow& r) {
             r.outcome = Outcome::JAC_MISSED;
             r.chainTrigger = ChainTrigger::NONE;
         },
         reg + 2, "1G連 trigger 0"},
        {"games since the bonus skipping", 6, 5000, plain, [](PlayRow& r) { r.gamesSinceBonus += 2; },
         plain + 1, "games since the bonus"},
    };
    for (const Case& c : cases) {
        PlaySeries series;
        for (std::size_t i = 0; i < machine.Size(); ++i) {
            PlayRow row = machine[i];
            if (i == c.row) c.edit(row);
            series.Append(row);
        }
        const auto fault = CheckSeries(c.setting, c.plays, series);
        ASSERT_TRUE(fault) << c.name;
        EXPECT_EQ(fault->record, c.record) << c.name << ": " << fault->Text();
        EXPECT_NE(fault->Text().find(c.words), std::string::npos) << c.name << ": " << fault->Text();
    }
    EXPECT_FALSE(CheckSeries(6, 5000, machine));
    // No record: the callers' "no plays", whatever the header says.
    EXPECT_FALSE(CheckSeries(99, 5, PlaySeries{}));
    EXPECT_EQ((SeriesFault{12, "what"}.Message("a.sim")), "'a.sim': damaged file, record 12: what");
}

}  // namespace
