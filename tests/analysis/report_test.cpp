#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "analysis/Report.h"
#include "analysis/ResultAnalysis.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"
#include "tests/analysis/Fixture.h"

namespace {

ResultAnalysis Analyse(const PlaySeries& series)
{
    AnalysisOutcome outcome = AnalyzeSeries(series);
    EXPECT_EQ(outcome.status, AnalysisOutcome::Status::Done);
    return std::move(outcome.analysis);
}

TEST(Report, StoryRun)
{
    const PlaySeries series = StoryRun();
    EXPECT_EQ(ReportText(series, Analyse(series)),
              "[PLAY情報]\n"
              "PLAY数\tPLAY数2\t確定役\tモード\tメダル数\t特殊前兆\t備考\n"
              "1\t1\t777(赤)\tBIG!\t12\t-\t1G連\n"
              "-\t-\tチェリー\tBIG!\t20\t-\t\n"
              "-\t-\tJAC-IN\tBIG!\t30\t-\t1G連確定\n"
              "-\t-\tJAC\tBIG!\t40\t-\t\n"
              "2\t1\tREG\tREG!\t52\t-\t1G連\n"
              "-\t-\tJAC\tREG!\t60\t-\t\n"
              "3\t1\tベル\tモード3\t57\t-\t\n"
              "4\t2\t\tモード3\t54\t-\tRT解除[チェリー]\n"
              "5\t3\t777(青)\tBIG!\t66\t◎\t\n"
              "-\t-\tJACハズレ\tBIG!\t70\t-\t1G連確定\n"
              "6\t1\t純ハズレ\tモード1\t67\t-\t\n"
              "7\t2\t777(赤)\tBIG!\t79\t-\tRT解除[規定RT]\n"
              "\n"
              "[ボーナス情報]\n"
              "PLAY数\tPLAY数2\t確定役\tRT解除契機\t特殊前兆\t終了移行\t獲得メダル\n"
              "1\t1\t777(赤)\t1G連\t-\tモード2\t43\n"
              "2\t1\tREG\t1G連\t-\tモード3\t23\n"
              "5\t3\t777(青)\t\t◎\tモード1\t19\n"
              "7\t2\t777(赤)\t規定RT\t-\t\t\n"
              "\n"
              "[1G連情報]\n"
              "種別\t当選回数\t当選率\t当選率(1/X)\n"
              "チェリー\t0\t0\t0\n"
              "弁当箱\t0\t0\t0\n"
              "ベル\t0\t0\t0\n"
              "JACIN\t1\t1\t1/1\n"
              "純ハズレ\t0\t0\t0\n"
              "JACハズレ\t1\t1\t1/1\n"
              "パンク\t0\t0\t0\n"
              "\n"
              "[小役出現率]\n"
              "絵柄\t出現回数\t出現率\t出現率(1/X)\n"
              "チェリー\t0\t0\t0\n"
              "ベル\t1\t0.142857142857143\t1/7\n"
              "弁当箱\t0\t0\t0\n"
              "リプレイ\t0\t0\t0\n"
              "純ハズレ\t1\t0.142857142857143\t1/7\n"
              "チャンス目\t0\t0\t0\n"
              "\n"
              "[モード別滞在率]\n"
              "モード\t滞在プレイ数\t滞在率\t滞在率(1/X)\n"
              "モード1\t3\t0.428571428571429\t1/2.33333333333333\n"
              "モード2\t1\t0.142857142857143\t1/7\n"
              "モード3\t3\t0.428571428571429\t1/2.33333333333333\n"
              "\n"
              "[RT解除情報]\n"
              "種別\t解除回数\t解除率\t解除率(1/X)\n"
              "規定RT消化\t1\t-\t-\n"
              "チェリー解除\t1\t0\t1/0\n"
              "弁当箱解除\t0\t0\t0\n"
              "純ハズレ解除\t0\t0\t0\n"
              "チャンス目解除\t0\t0\t0\n"
              "1G連\t2\t0.666666666666667\t1/1.5\n"
              "\n"
              "[シミュレーション結果]\n"
              "BIG回数:3　REG回数:1\n"
              "BIG初当り回数:2\n"
              "BIG確率:1/2  REG確率:1/7\n"
              "収支:1580円  機械割：476.190476190476%\n");
}

TEST(Report, EmptyBonusListKeepsItsHeader)
{
    const PlaySeries series = SeriesOf({{1, -3, 1, 0, 0, 0, 0, 0, 0, 0, 0}});
    const std::string text = ReportText(series, Analyse(series));
    EXPECT_NE(
        text.find("[ボーナス情報]\nPLAY数\tPLAY数2\t確定役\tRT解除契機\t特殊前兆\t終了移行\t獲得メダル\n\n["
                  "1G連情報]\n"),
        std::string::npos);
}

TEST(Charts, StoryRun)
{
    const PlaySeries series = StoryRun();
    EXPECT_EQ(
        ChartsText(series, Analyse(series)),
        "[axis]\n"
        "SlumpChart.bottom\t1\t7\n"
        "\n"
        "[SlumpSeries]\n"
        "1\t12\t255,0,0\n2\t52\t255,0,0\n3\t57\t255,0,0\n4\t54\t255,0,0\n"
        "5\t66\t255,0,0\n6\t67\t255,0,0\n7\t79\t255,0,0\n"
        "\n"
        "[ModeSeries]\n"
        "1\t1\t0,0,255\n2\t2\t0,0,255\n3\t3\t0,0,255\n4\t3\t0,0,255\n"
        "5\t3\t0,0,255\n6\t1\t0,0,255\n7\t1\t0,0,255\n"
        "\n"
        "[BIG]\n"
        "1\t12\t0,0,255\n5\t66\t0,0,255\n7\t79\t0,0,255\n"
        "\n"
        "[REG]\n"
        "2\t52\t0,0,0\n"
        "\n"
        "[Cherry]\n"
        "1\t20\t255,0,0\n"
        "\n"
        "[Bell]\n"
        "3\t57\t255,255,0\n"
        "\n"
        "[Bentou]\n"
        "\n"
        "[Chance]\n"
        "\n"
        "[Hazure]\n"
        "6\t67\t255,255,255\n"
        "\n"
        "[SlumpBSeries]\n"
        "1\t1\t255,0,0\n2\t1\t0,0,0\n3\t3\t255,0,0\n4\t2\t255,0,0\n"
        "\n"
        "[RenSeries]\n"
        "0\t0\tチェリー\t255,0,0\n1\t0\t弁当箱\t0,128,0\n2\t0\tベル\t255,255,0\n3\t1\tJACIN\t128,128,128\n"
        "4\t0\t純ハズレ\t255,255,255\n5\t1\tJACハズレ\t0,255,0\n6\t0\tパンク\t0,255,255\n"
        "\n"
        "[KoyakuSeries]\n"
        "0\t0\tチェリー\t255,0,0\n1\t1\tベル\t255,255,0\n2\t0\t弁当箱\t0,128,0\n3\t0\tリプレイ\t0,0,255\n"
        "4\t1\t純ハズレ\t255,255,255\n5\t0\tチャンス目\t0,0,0\n"
        "\n"
        "[ModeStaySeries]\n"
        "0\t3\tモード1\t0,0,128\n1\t1\tモード2\t255,0,255\n2\t3\tモード3\t0,255,0\n"
        "\n"
        "[RTCancelSeries]\n"
        "0\t1\t規定RT消化\t0,255,0\n1\t1\tチェリー\t255,0,0\n2\t0\t弁当箱\t0,128,0\n3\t0\t純ハズレ\t255,255,"
        "255\n"
        "4\t0\tチャンス目\t0,0,0\n5\t2\t1G連\t0,255,255\n");
}

std::string Written(bool (*write)(std::FILE*, const PlaySeries&, const ResultAnalysis&),
                    const PlaySeries& series, const ResultAnalysis& analysis)
{
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    if (!file) return {};
    EXPECT_TRUE(write(file, series, analysis));
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
    std::fclose(file);
    return text;
}

TEST(Report, StreamedTextEqualsTheWholeText)
{
    // Long enough to be written in several chunks.
    RandomSource random;
    random.Seed(42);
    Slot slot(random);
    PlaySeries series;
    ASSERT_TRUE(RunSingle(slot, random, 60000, SettingChoice{false, 4}, series));
    const ResultAnalysis analysis = Analyse(series);
    const std::string report = ReportText(series, analysis);
    ASSERT_GT(report.size(), std::size_t{2} << 20);
    EXPECT_TRUE(Written(WriteReport, series, analysis) == report);
    EXPECT_TRUE(Written(WriteCharts, series, analysis) == ChartsText(series, analysis));
}

TEST(Report, WriteFailureIsReported)
{
    std::FILE* full = std::fopen("/dev/full", "w");
    if (!full) GTEST_SKIP() << "no /dev/full";
    const PlaySeries series = StoryRun();
    EXPECT_FALSE(WriteReport(full, series, Analyse(series)));
    std::fclose(full);
}

}  // namespace
