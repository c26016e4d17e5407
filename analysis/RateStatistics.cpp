#include "analysis/RateStatistics.h"

#include "analysis/NumberFormat.h"

namespace {

constexpr Rgb RED{255, 0, 0};
constexpr Rgb GREEN{0, 128, 0};
constexpr Rgb YELLOW{255, 255, 0};
constexpr Rgb GREY{128, 128, 128};
constexpr Rgb WHITE{255, 255, 255};
constexpr Rgb LIME{0, 255, 0};
constexpr Rgb AQUA{0, 255, 255};
constexpr Rgb BLUE{0, 0, 255};
constexpr Rgb BLACK{0, 0, 0};
constexpr Rgb NAVY{0, 0, 128};
constexpr Rgb FUCHSIA{255, 0, 255};

// A line with a base: the rate is "0" without a base, the "1/X" cell "0"
// without a count, so no division by zero is ever made.
StatLine RateLine(const char* name, std::int32_t count, std::int32_t base)
{
    StatLine line{name, FormatInteger(count), "0", "0"};
    if (base != 0) line.rate = FormatGeneral(static_cast<double>(count) / base);
    if (count != 0) line.inverse = "1/" + FormatGeneral(static_cast<double>(base) / count);
    return line;
}

// A line whose every count is its own base.
StatLine CertainLine(const char* name, std::int32_t count)
{
    if (count > 0) return {name, FormatInteger(count), "1", "1/1"};
    return {name, FormatInteger(count), "0", "0"};
}

void AddSlice(StatTab& tab, const char* label, std::int32_t count, Rgb color)
{
    tab.slices.push_back({static_cast<int>(tab.slices.size()), count, label, color});
}

}  // namespace

const StatTabCaptions REN_CAPTIONS{"1G連情報", {"種別", "当選回数", "当選率", "当選率(1/X)"}};
const StatTabCaptions KOYAKU_CAPTIONS{"小役出現率", {"絵柄", "出現回数", "出現率", "出現率(1/X)"}};
const StatTabCaptions MODE_STAY_CAPTIONS{"モード別滞在率",
                                         {"モード", "滞在プレイ数", "滞在率", "滞在率(1/X)"}};
const StatTabCaptions RT_CANCEL_CAPTIONS{"RT解除情報", {"種別", "解除回数", "解除率", "解除率(1/X)"}};

StatTab RenTab(const ResultCounts& counts)
{
    const auto& chain = counts.chain;
    const auto& bonus = counts.bonusOutcome;
    StatTab tab;
    tab.lines = {
        RateLine("チェリー", chain[2], bonus[1]), RateLine("弁当箱", chain[4], bonus[3]),
        RateLine("ベル", chain[3], bonus[2]),     RateLine("JACIN", chain[1], bonus[12]),
        RateLine("純ハズレ", chain[5], bonus[6]), CertainLine("JACハズレ", chain[6]),
        CertainLine("パンク", chain[7]),
    };
    AddSlice(tab, "チェリー", chain[2], RED);
    AddSlice(tab, "弁当箱", chain[4], GREEN);
    AddSlice(tab, "ベル", chain[3], YELLOW);
    AddSlice(tab, "JACIN", chain[1], GREY);
    AddSlice(tab, "純ハズレ", chain[5], WHITE);
    AddSlice(tab, "JACハズレ", chain[6], LIME);
    AddSlice(tab, "パンク", chain[7], AQUA);
    return tab;
}

StatTab KoyakuTab(const ResultCounts& counts, std::int32_t plays)
{
    const auto& normal = counts.normalOutcome;
    StatTab tab;
    tab.lines = {
        RateLine("チェリー", normal[1], plays), RateLine("ベル", normal[2], plays),
        RateLine("弁当箱", normal[3], plays),   RateLine("リプレイ", normal[4], plays),
        RateLine("純ハズレ", normal[6], plays), RateLine("チャンス目", normal[5], plays),
    };
    AddSlice(tab, "チェリー", normal[1], RED);
    AddSlice(tab, "ベル", normal[2], YELLOW);
    AddSlice(tab, "弁当箱", normal[3], GREEN);
    AddSlice(tab, "リプレイ", normal[4], BLUE);
    AddSlice(tab, "純ハズレ", normal[6], WHITE);
    AddSlice(tab, "チャンス目", normal[5], BLACK);
    return tab;
}

StatTab ModeStayTab(const ResultCounts& counts, std::int32_t plays)
{
    const auto& stay = counts.modeStay;
    StatTab tab;
    tab.lines = {
        RateLine("モード1", stay[0], plays),
        RateLine("モード2", stay[1], plays),
        RateLine("モード3", stay[2], plays),
    };
    AddSlice(tab, "モード1", stay[0], NAVY);
    AddSlice(tab, "モード2", stay[1], FUCHSIA);
    AddSlice(tab, "モード3", stay[2], LIME);
    return tab;
}

StatTab RtCancelTab(const ResultCounts& counts)
{
    const auto& kind = counts.preSignReleases;
    const auto& normal = counts.normalOutcome;
    StatTab tab;
    tab.lines = {
        StatLine{"規定RT消化", FormatInteger(counts.regularReleases), "-", "-"},
        RateLine("チェリー解除", kind[1], normal[1]),
        RateLine("弁当箱解除", kind[2], normal[3]),
        RateLine("純ハズレ解除", kind[4], normal[6]),
        RateLine("チャンス目解除", kind[3], normal[5]),
        // Counts 1G連 REGs too but divides by BIGs only.
        RateLine("1G連", counts.chainReleases, normal[7]),
    };
    AddSlice(tab, "規定RT消化", counts.regularReleases, LIME);
    AddSlice(tab, "チェリー", kind[1], RED);
    AddSlice(tab, "弁当箱", kind[2], GREEN);
    AddSlice(tab, "純ハズレ", kind[4], WHITE);
    AddSlice(tab, "チャンス目", kind[3], BLACK);
    AddSlice(tab, "1G連", counts.chainReleases, AQUA);
    return tab;
}
