#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "analysis/PlayListText.h"
#include "analysis/RateStatistics.h"
#include "analysis/ResultAnalysis.h"
#include "analysis/RowTexts.h"
#include "analysis/Summary.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"
#include "tests/analysis/Fixture.h"

namespace {

PlayRow Normal(std::int32_t gamesSinceBonus, std::int32_t outcome, std::int32_t preSign, std::int32_t bonus)
{
    return {gamesSinceBonus, 0, 10, 0, bonus, 0, outcome, preSign, 0, 0, 0};
}

PlayRow BonusGame(std::int32_t outcome, std::int32_t chainTrigger)
{
    return {5, 0, 10, 0, 1, 0, outcome, 0, 0, 1, chainTrigger};
}

std::string Remark(const PlayRow& row)
{
    std::string text;
    AppendRemark(row, text);
    return text;
}

TEST(PlayListTexts, ReleaseClassRemarkAndTrigger)
{
    struct Case {
        const char* what;
        PlayRow row;
        ReleaseClass kind;
        const char* remark;
        const char* trigger;
    };
    const Case cases[] = {
        {"BIG on the first game after a bonus", Normal(1, Outcome::BIG, PreSignKind::NONE, BonusKind::BIG),
         ReleaseClass::Chain, "1G連", "1G連"},
        {"REG on the first game after a bonus", Normal(1, Outcome::REG, PreSignKind::NONE, BonusKind::REG),
         ReleaseClass::Chain, "1G連", "1G連"},
        {"release by the RT count", Normal(249, Outcome::BIG, PreSignKind::NONE, BonusKind::BIG),
         ReleaseClass::Regular, "RT解除[規定RT]", "規定RT"},
        {"release by a bento pre-sign", Normal(40, Outcome::REG, PreSignKind::BENTO, BonusKind::REG),
         ReleaseClass::PreSign, "", ""},
        {"pre-sign release on the first game", Normal(1, Outcome::BIG, PreSignKind::CHANCE, BonusKind::BIG),
         ReleaseClass::PreSign, "", ""},
        {"game under a bento pre-sign", Normal(39, Outcome::BENTO, PreSignKind::BENTO, BonusKind::NONE),
         ReleaseClass::NotRelease, "RT解除[弁当]", "弁当"},
        {"game under a chance pre-sign", Normal(39, Outcome::NONE, PreSignKind::CHANCE, BonusKind::NONE),
         ReleaseClass::NotRelease, "RT解除[チャンス目]", "チャンス目"},
        {"game under a pure-miss pre-sign",
         Normal(39, Outcome::NONE, PreSignKind::PURE_MISS, BonusKind::NONE), ReleaseClass::NotRelease,
         "RT解除[純ハズレ]", "純ハズレ"},
        {"pre-sign kind out of range", Normal(39, Outcome::NONE, 9, BonusKind::NONE),
         ReleaseClass::NotRelease, "RT解除[]", ""},
        {"plain game", Normal(39, Outcome::BELL, PreSignKind::NONE, BonusKind::NONE),
         ReleaseClass::NotRelease, "", ""},
        {"decided 1G連", BonusGame(Outcome::JAC_IN, ChainTrigger::JAC_IN), ReleaseClass::NotRelease,
         "1G連確定", ""},
        {"JAC miss decided 1G連", BonusGame(Outcome::JAC_MISSED, ChainTrigger::JAC_MISSED),
         ReleaseClass::NotRelease, "1G連確定", ""},
        {"trigger 7", BonusGame(Outcome::JAC_WON, ChainTrigger::PUNK), ReleaseClass::NotRelease, "パンク",
         ""},
        {"trigger out of range", BonusGame(Outcome::JAC_WON, 8), ReleaseClass::NotRelease, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ClassifyRelease(c.row), c.kind);
        EXPECT_EQ(Remark(c.row), c.remark);
        EXPECT_EQ(TriggerText(c.row), c.trigger);
    }
}

TEST(PlayListTexts, Cells)
{
    struct Case {
        const char* what;
        PlayRow row;
        std::vector<std::string> cells;
    };
    const Case cases[] = {
        {"normal game",
         {17, -123, 250, 1, 0, 0, 2, 0, 0, 0, 0},
         {"250", "17", "ベル", "モード2", "-123", "-", ""}},
        {"red BIG release",
         {249, 40, 250, 0, 1, 0, 7, 0, 0, 0, 0},
         {"250", "249", "777(赤)", "BIG!", "40", "-", "RT解除[規定RT]"}},
        {"blue BIG release with mark",
         {12, 40, 250, 2, 1, 1, 7, 2, 3, 0, 0},
         {"250", "12", "777(青)", "BIG!", "40", "◎", ""}},
        {"game of a BIG",
         {249, 55, 250, 0, 1, 0, 1, 0, 0, 3, 0},
         {"-", "-", "チェリー", "BIG!", "55", "-", ""}},
        {"game of a REG", {249, 55, 250, 0, 2, 0, 10, 0, 0, 1, 0}, {"-", "-", "JAC", "REG!", "55", "-", ""}},
        {"no role, mode out of range", {3, 0, 3, 5, 0, 0, 0, 0, 0, 0, 0}, {"3", "3", "", "", "0", "-", ""}},
        {"outcome 9", {3, 0, 3, 2, 0, 0, 9, 0, 0, 0, 0}, {"3", "3", "", "モード3", "0", "-", ""}},
        {"outcome out of range", {3, 0, 3, 0, 0, 0, 13, 0, 0, 0, 0}, {"3", "3", "", "モード1", "0", "-", ""}},
        {"negative outcome", {3, 0, 3, 0, 0, 0, -1, 0, 0, 0, 0}, {"3", "3", "", "モード1", "0", "-", ""}},
        {"JAC-IN and JAC miss",
         {3, 0, 3, 0, 1, 0, 12, 0, 0, 1, 0},
         {"-", "-", "JAC-IN", "BIG!", "0", "-", ""}},
        {"JAC miss", {3, 0, 3, 0, 2, 0, 11, 0, 0, 1, 0}, {"-", "-", "JACハズレ", "REG!", "0", "-", ""}},
        {"extreme balance",
         {1, INT_MIN, 1, 0, 0, 0, 5, 0, 0, 0, 0},
         {"1", "1", "チャンス目", "モード1", "-2147483648", "-", ""}},
        {"other roles", {1, 0, 1, 0, 0, 0, 4, 0, 0, 0, 0}, {"1", "1", "リプレイ", "モード1", "0", "-", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string joined;
        for (int column = 0; column < PLAY_LIST_COLUMNS; ++column) {
            EXPECT_EQ(PlayListCell(c.row, column), c.cells[static_cast<std::size_t>(column)])
                << "column " << column;
            joined += (column ? "\t" : "") + c.cells[static_cast<std::size_t>(column)];
        }
        std::string line = "kept:";
        AppendPlayListLine(c.row, line);
        EXPECT_EQ(line, "kept:" + joined);
    }
    EXPECT_EQ(OutcomeText(PlayRow{1, 0, 1, 0, 0, 0, 3, 0, 0, 0, 0}), "弁当箱");
    EXPECT_EQ(OutcomeText(PlayRow{1, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0}), "純ハズレ");
    EXPECT_EQ(OutcomeText(PlayRow{1, 0, 1, 0, 2, 0, 8, 0, 0, 0, 0}), "REG");
}

std::vector<std::vector<std::string>> BonusList(const PlaySeries& series, const ResultAnalysis& analysis)
{
    std::vector<std::vector<std::string>> lines;
    for (const BonusLine& line : analysis.bonusLines) {
        const auto cells = BonusListCells(series, line);
        lines.emplace_back(cells.begin(), cells.end());
    }
    return lines;
}

TEST(ResultAnalysis, StoryRun)
{
    const PlaySeries series = StoryRun();
    const AnalysisOutcome outcome = AnalyzeSeries(series);
    ASSERT_EQ(outcome.status, AnalysisOutcome::Status::Done);
    const ResultAnalysis& a = outcome.analysis;

    EXPECT_EQ(a.plays, 7);
    EXPECT_EQ(a.axisMin, 1);
    EXPECT_EQ(a.axisMax, 7);

    // The 1G連 REG completes the BIG's line with its own mode and opens its own.
    const std::vector<std::vector<std::string>> expectedLines = {
        {"1", "1", "777(赤)", "1G連", "-", "モード2", "43"},
        {"2", "1", "REG", "1G連", "-", "モード3", "23"},
        {"5", "3", "777(青)", "", "◎", "モード1", "19"},
        {"7", "2", "777(赤)", "規定RT", "-", "", ""},
    };
    EXPECT_EQ(BonusList(series, a), expectedLines);

    const ResultCounts& c = a.counts;
    EXPECT_EQ(c.normalOutcome[Outcome::BIG], 3);
    EXPECT_EQ(c.normalOutcome[Outcome::REG], 1);
    EXPECT_EQ(c.normalOutcome[Outcome::BELL], 1);
    EXPECT_EQ(c.normalOutcome[Outcome::PURE_MISS], 1);
    EXPECT_EQ(c.normalOutcome[Outcome::CHERRY], 0) << "the BIG's cherry is a bonus outcome";
    EXPECT_EQ(c.bonusOutcome[Outcome::CHERRY], 1);
    EXPECT_EQ(c.bonusOutcome[Outcome::JAC_IN], 1);
    EXPECT_EQ(c.modeStay, (std::array<std::int32_t, MODE_COUNT>{3, 1, 3}));
    // One JAC-in and one missed JAC game decided a 1G連.
    EXPECT_EQ(c.chain, (std::array<std::int32_t, CHAIN_TRIGGER_COUNT>{0, 1, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(c.chainReleases, 2);
    EXPECT_EQ(c.regularReleases, 1);
    EXPECT_EQ(c.preSignReleases, (std::array<std::int32_t, PRE_SIGN_KIND_COUNT>{0, 1, 0, 0, 0}));
    EXPECT_EQ(c.bigFirstHits, 2) << "the BIG on play 1 is a 1G連";

    EXPECT_EQ(a.normalRows, (std::vector<std::int32_t>{0, 4, 6, 7, 8, 10, 11}));
    EXPECT_EQ(a.markerRows[MARKER_BIG], (std::vector<std::int32_t>{0, 8, 11}));
    EXPECT_EQ(a.markerRows[MARKER_REG], (std::vector<std::int32_t>{4}));
    EXPECT_EQ(a.markerRows[MARKER_CHERRY], (std::vector<std::int32_t>{1}));
    EXPECT_EQ(a.markerRows[MARKER_BELL], (std::vector<std::int32_t>{6}));
    EXPECT_EQ(a.markerRows[MARKER_HAZURE], (std::vector<std::int32_t>{10}));
    EXPECT_TRUE(a.markerRows[MARKER_BENTOU].empty());
    EXPECT_TRUE(a.markerRows[MARKER_CHANCE].empty());
    // The cherry of the BIG stands at the release's play number.
    EXPECT_EQ(series[1].playCount, 1);

    const std::vector<ChartPoint> bars = {
        {1, 1, BAR_BIG_COLOR}, {2, 1, BAR_REG_COLOR}, {3, 3, BAR_BIG_COLOR}, {4, 2, BAR_BIG_COLOR}};
    ASSERT_EQ(a.bonusBars.size(), bars.size());
    for (std::size_t k = 0; k < bars.size(); ++k) {
        EXPECT_EQ(a.bonusBars[k].x, bars[k].x) << "bar " << k;
        EXPECT_EQ(a.bonusBars[k].y, bars[k].y) << "bar " << k;
        EXPECT_EQ(a.bonusBars[k].color, bars[k].color) << "bar " << k;
    }

    const ChartPoint slump = SlumpPoint(series[4]);
    const ChartPoint mode = ModePoint(series[4]);
    EXPECT_EQ(slump.x, 2);
    EXPECT_EQ(slump.y, 52);
    EXPECT_EQ(mode.y, 2);
    EXPECT_EQ(mode.color, (Rgb{0, 0, 255}));

    EXPECT_EQ(a.summary,
              "BIG回数:3　REG回数:1\n"
              "BIG初当り回数:2\n"
              "BIG確率:1/2  REG確率:1/7\n"
              "収支:1580円  機械割：476.190476190476%");
}

TEST(ResultAnalysis, RtCancelAndRenTabsOfStoryRun)
{
    const AnalysisOutcome outcome = AnalyzeSeries(StoryRun());
    ASSERT_EQ(outcome.status, AnalysisOutcome::Status::Done);
    const StatTab& rt = outcome.analysis.rtCancel;
    ASSERT_EQ(rt.lines.size(), 6u);
    EXPECT_EQ(rt.lines[0].rate, "-");
    // A cherry release without any cherry in normal games: base 0, count 1.
    EXPECT_EQ(rt.lines[1].count, "1");
    EXPECT_EQ(rt.lines[1].rate, "0");
    EXPECT_EQ(rt.lines[1].inverse, "1/0");
    EXPECT_EQ(rt.lines[5].rate, "0.666666666666667");
    EXPECT_EQ(rt.lines[5].inverse, "1/1.5");

    const StatTab& ren = outcome.analysis.ren;
    EXPECT_EQ(ren.lines[3].count + ren.lines[3].rate + ren.lines[3].inverse, "111/1");  // JACIN
    EXPECT_EQ(ren.lines[5].count + ren.lines[5].rate + ren.lines[5].inverse, "111/1");  // JACハズレ
}

TEST(BonusList, OpenLineAndWideBalances)
{
    // Balances at the ends of int32 must give the exact difference.
    const PlaySeries series = SeriesOf({
        {7, INT_MIN, 7, 0, 1, 0, 7, 0, 0, 0, 0},
        {7, INT_MAX, 7, 0, 1, 0, 10, 0, 0, 1, 0},
        {1, 0, 8, 1, 0, 0, 0, 0, 0, 0, 0},
    });
    const auto closed = BonusListCells(series, {0, 2});
    EXPECT_EQ(closed[5], "モード2");
    EXPECT_EQ(closed[6], "4294967310");
    const auto open = BonusListCells(series, {0, -1});
    EXPECT_EQ(open[3], "規定RT");
    EXPECT_EQ(open[5], "");
    EXPECT_EQ(open[6], "");
}

TEST(BonusList, ClosesOnlyOnFirstNormalGameAfterTheBonus)
{
    // Release on the last play keeps the line open; a run without bonuses has none.
    const PlaySeries lastPlay = SeriesOf({
        {1, -3, 1, 0, 0, 0, 0, 0, 0, 0, 0},
        {2, 9, 2, 0, 1, 0, 7, 0, 0, 0, 0},
    });
    const AnalysisOutcome a = AnalyzeSeries(lastPlay);
    ASSERT_EQ(a.analysis.bonusLines.size(), 1u);
    EXPECT_EQ(a.analysis.bonusLines[0].closingRow, -1);

    const PlaySeries none =
        SeriesOf({{1, -3, 1, 0, 0, 0, 0, 0, 0, 0, 0}, {2, -6, 2, 0, 0, 0, 0, 0, 0, 0, 0}});
    EXPECT_TRUE(AnalyzeSeries(none).analysis.bonusLines.empty());

    // A REG's medals: its games' net plus 15, not the release game's bet.
    const PlaySeries reg = SeriesOf({
        {5, 100, 5, 0, 2, 0, 8, 0, 0, 0, 0},
        {5, 110, 5, 0, 2, 0, 10, 0, 0, 1, 0},
        {5, 108, 5, 0, 2, 0, 11, 0, 0, 2, 0},
        {1, 105, 6, 2, 0, 0, 0, 0, 0, 0, 0},
    });
    const AnalysisOutcome r = AnalyzeSeries(reg);
    ASSERT_EQ(r.analysis.bonusLines.size(), 1u);
    EXPECT_EQ(BonusListCells(reg, r.analysis.bonusLines[0])[6], "23");
    EXPECT_EQ(BonusListCells(reg, r.analysis.bonusLines[0])[5], "モード3");
}

TEST(RateTables, ZeroRules)
{
    ResultCounts none;
    const StatTab ren = RenTab(none);
    for (const StatLine& line : ren.lines)
        EXPECT_EQ(line.count + "|" + line.rate + "|" + line.inverse, "0|0|0") << line.name;
    const StatTab rt = RtCancelTab(none);
    EXPECT_EQ(rt.lines[0].count + "|" + rt.lines[0].rate + "|" + rt.lines[0].inverse, "0|-|-");
    for (std::size_t k = 1; k < rt.lines.size(); ++k)
        EXPECT_EQ(rt.lines[k].count + "|" + rt.lines[k].rate + "|" + rt.lines[k].inverse, "0|0|0")
            << rt.lines[k].name;
    for (const StatTab* tab : {&ren, &rt})
        for (const PieSlice& slice : tab->slices) EXPECT_EQ(slice.y, 0) << slice.label;

    const StatTab koyaku = KoyakuTab(none, 1);
    for (const StatLine& line : koyaku.lines)
        EXPECT_EQ(line.count + "|" + line.rate + "|" + line.inverse, "0|0|0") << line.name;
    const StatTab stay = ModeStayTab(none, 1);
    for (const StatLine& line : stay.lines)
        EXPECT_EQ(line.count + "|" + line.rate + "|" + line.inverse, "0|0|0") << line.name;
}

TEST(RateTables, Lines)
{
    ResultCounts counts;
    counts.normalOutcome[Outcome::CHERRY] = 143;
    counts.normalOutcome[Outcome::CHANCE] = 4;
    counts.normalOutcome[Outcome::PURE_MISS] = 8;
    counts.preSignReleases[PreSignKind::CHANCE] = 1;
    counts.preSignReleases[PreSignKind::PURE_MISS] = 2;
    counts.chainReleases = 1;  // REGs only: no BIG in the base
    counts.chain[ChainTrigger::JAC_MISSED] = 1;
    counts.chain[ChainTrigger::PUNK] = 2;
    counts.bonusOutcome[Outcome::BELL] = 10;
    counts.chain[ChainTrigger::BELL] = 3;

    struct Case {
        const StatLine& line;
        const char* text;
    };
    const StatTab koyaku = KoyakuTab(counts, 1000);
    const StatTab rare = KoyakuTab(ResultCounts{{0, 1}}, 200000);
    const StatTab rt = RtCancelTab(counts);
    const StatTab ren = RenTab(counts);
    const Case cases[] = {
        {koyaku.lines[0], "チェリー|143|0.143|1/6.99300699300699"},
        {koyaku.lines[5], "チャンス目|4|0.004|1/250"},
        {rare.lines[0], "チェリー|1|5E-6|1/200000"},
        {rt.lines[4], "チャンス目解除|1|0.25|1/4"},
        {rt.lines[3], "純ハズレ解除|2|0.25|1/4"},
        {rt.lines[5], "1G連|1|0|1/0"},
        {ren.lines[2], "ベル|3|0.3|1/3.33333333333333"},
        {ren.lines[5], "JACハズレ|1|1|1/1"},
        {ren.lines[6], "パンク|2|1|1/1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.line.name + "|" + c.line.count + "|" + c.line.rate + "|" + c.line.inverse, c.text);
}

TEST(RateTables, PieSlicesInOrder)
{
    ResultCounts counts;
    for (std::int32_t k = ChainTrigger::JAC_IN; k < CHAIN_TRIGGER_COUNT; ++k)
        counts.chain[static_cast<std::size_t>(k)] = 10 * k;
    const StatTab ren = RenTab(counts);
    std::string slices;
    for (const PieSlice& s : ren.slices)
        slices += std::to_string(s.x) + ":" + std::to_string(s.y) + ":" + s.label + ":" +
                  std::to_string(s.color.r) + "," + std::to_string(s.color.g) + "," +
                  std::to_string(s.color.b) + " ";
    EXPECT_EQ(slices,
              "0:20:チェリー:255,0,0 1:40:弁当箱:0,128,0 2:30:ベル:255,255,0 3:10:JACIN:128,128,128 "
              "4:50:純ハズレ:255,255,255 5:60:JACハズレ:0,255,0 6:70:パンク:0,255,255 ");
}

TEST(Summary, Examples)
{
    struct Case {
        std::int32_t bigs, regs, firstHits, plays, balance;
        const char* text;
    };
    const Case cases[] = {
        {3, 2, 2, 1000, -321,
         "BIG回数:3　REG回数:2\nBIG初当り回数:2\nBIG確率:1/333  REG確率:1/500\n収支:-6420円  機械割：89.3%"},
        {0, 0, 0, 27, -2,
         "BIG回数:0　REG回数:0\nBIG初当り回数:0\nBIG確率:1/0  REG確率:1/0\n収支:-40円  "
         "機械割：97.5308641975309%"},
        {1, 0, 1, 1, 0,
         "BIG回数:1　REG回数:0\nBIG初当り回数:1\nBIG確率:1/1  REG確率:1/0\n収支:0円  機械割：100%"},
        // The balance is held in single precision: 2^24 + 1 becomes 2^24.
        {0, 0, 0, 2147483647, 16777217,
         "BIG回数:0　REG回数:0\nBIG初当り回数:0\nBIG確率:1/0  REG確率:1/0\n収支:335544320円  "
         "機械割：100.260416666667%"},
    };
    for (const Case& c : cases) {
        ResultCounts counts;
        counts.normalOutcome[Outcome::BIG] = c.bigs;
        counts.normalOutcome[Outcome::REG] = c.regs;
        counts.bigFirstHits = c.firstHits;
        EXPECT_EQ(SummaryText(counts, c.plays, c.balance), c.text) << "plays " << c.plays;
    }
}

TEST(ResultAnalysis, NeedsAPlay)
{
    EXPECT_EQ(AnalyzeSeries(PlaySeries{}).status, AnalysisOutcome::Status::NoPlays);
    EXPECT_EQ(AnalyzeSeries(SeriesOf({{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}})).status,
              AnalysisOutcome::Status::NoPlays);
    EXPECT_EQ(AnalyzeSeries(SeriesOf({{1, 0, -5, 0, 0, 0, 0, 0, 0, 0, 0}})).status,
              AnalysisOutcome::Status::NoPlays);

    // One play: N = 1 and a single line.
    const AnalysisOutcome one = AnalyzeSeries(SeriesOf({{1, -3, 1, 0, 0, 0, 2, 0, 0, 0, 0}}));
    ASSERT_EQ(one.status, AnalysisOutcome::Status::Done);
    EXPECT_EQ(one.analysis.axisMax, 1);
    EXPECT_EQ(one.analysis.koyaku.lines[1].rate, "1");
    EXPECT_EQ(one.analysis.normalRows.size(), 1u);
}

TEST(ResultAnalysis, ProgressRisesToHundredAndCanCancel)
{
    for (const std::size_t rows : {std::size_t{1}, std::size_t{7}, std::size_t{1000}, std::size_t{12345}}) {
        PlaySeries series;
        for (std::size_t i = 0; i < rows; ++i)
            series.Append({1, 0, static_cast<std::int32_t>(i + 1), 0, 0, 0, 0, 0, 0, 0, 0});
        std::vector<int> seen;
        const AnalysisOutcome done = AnalyzeSeries(series, [&](int percent) {
            seen.push_back(percent);
            return true;
        });
        EXPECT_EQ(done.status, AnalysisOutcome::Status::Done);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back(), 100) << rows << " rows";
        for (std::size_t k = 1; k < seen.size(); ++k) EXPECT_LT(seen[k - 1], seen[k]) << rows << " rows";
        EXPECT_LE(seen.size(), 100u);

        int calls = 0;
        const AnalysisOutcome cancelled = AnalyzeSeries(series, [&](int) { return ++calls < 2 && rows > 1; });
        EXPECT_EQ(cancelled.status, AnalysisOutcome::Status::Cancelled);
    }
}

TEST(ResultAnalysis, MachineRunIsConsistent)
{
    RandomSource random;
    random.Seed(20261209);
    Slot slot(random);
    PlaySeries series;
    ASSERT_TRUE(RunSingle(slot, random, 20000, SettingChoice{false, 6}, series));
    const AnalysisOutcome outcome = AnalyzeSeries(series);
    ASSERT_EQ(outcome.status, AnalysisOutcome::Status::Done);
    const ResultAnalysis& a = outcome.analysis;

    ASSERT_EQ(a.normalRows.size(), 20000u);
    for (std::size_t k = 0; k < a.normalRows.size(); ++k)
        ASSERT_EQ(series[static_cast<std::size_t>(a.normalRows[k])].playCount,
                  static_cast<std::int32_t>(k + 1));
    const ResultCounts& c = a.counts;
    const std::int32_t releases = c.normalOutcome[Outcome::BIG] + c.normalOutcome[Outcome::REG];
    ASSERT_GT(releases, 0);
    EXPECT_EQ(a.bonusLines.size(), static_cast<std::size_t>(releases));
    std::int32_t preSignReleases = 0;
    for (int kind = PreSignKind::CHERRY; kind < PRE_SIGN_KIND_COUNT; ++kind)
        preSignReleases += c.preSignReleases[kind];
    EXPECT_EQ(c.chainReleases + c.regularReleases + preSignReleases, releases);
    // Every line but the last is closed.
    for (std::size_t k = 0; k + 1 < a.bonusLines.size(); ++k) ASSERT_GE(a.bonusLines[k].closingRow, 0) << k;
    EXPECT_LE(a.MemoryBytes(), 32 * series.Size());
}

}  // namespace
