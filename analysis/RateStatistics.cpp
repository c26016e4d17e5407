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
        RateLine("チェリー", chain[ChainTrigger::CHERRY], bonus[Outcome::CHERRY]),
        RateLine("弁当箱", chain[ChainTrigger::BENTO], bonus[Outcome::BENTO]),
        RateLine("ベル", chain[ChainTrigger::BELL], bonus[Outcome::BELL]),
        RateLine("JACIN", chain[ChainTrigger::JAC_IN], bonus[Outcome::JAC_IN]),
        RateLine("純ハズレ", chain[ChainTrigger::PURE_MISS], bonus[Outcome::PURE_MISS]),
        CertainLine("JACハズレ", chain[ChainTrigger::JAC_MISSED]),
        CertainLine("パンク", chain[ChainTrigger::PUNK]),
    };
    AddSlice(tab, "チェリー", chain[ChainTrigger::CHERRY], RED);
    AddSlice(tab, "弁当箱", chain[ChainTrigger::BENTO], GREEN);
    AddSlice(tab, "ベル", chain[ChainTrigger::BELL], YELLOW);
    AddSlice(tab, "JACIN", chain[ChainTrigger::JAC_IN], GREY);
    AddSlice(tab, "純ハズレ", chain[ChainTrigger::PURE_MISS], WHITE);
    AddSlice(tab, "JACハズレ", chain[ChainTrigger::JAC_MISSED], LIME);
    AddSlice(tab, "パンク", chain[ChainTrigger::PUNK], AQUA);
    return tab;
}

StatTab KoyakuTab(const ResultCounts& counts, std::int32_t plays)
{
    const auto& normal = counts.normalOutcome;
    StatTab tab;
    tab.lines = {
        RateLine("チェリー", normal[Outcome::CHERRY], plays),
        RateLine("ベル", normal[Outcome::BELL], plays),
        RateLine("弁当箱", normal[Outcome::BENTO], plays),
        RateLine("リプレイ", normal[Outcome::REPLAY], plays),
        RateLine("純ハズレ", normal[Outcome::PURE_MISS], plays),
        RateLine("チャンス目", normal[Outcome::CHANCE], plays),
    };
    AddSlice(tab, "チェリー", normal[Outcome::CHERRY], RED);
    AddSlice(tab, "ベル", normal[Outcome::BELL], YELLOW);
    AddSlice(tab, "弁当箱", normal[Outcome::BENTO], GREEN);
    AddSlice(tab, "リプレイ", normal[Outcome::REPLAY], BLUE);
    AddSlice(tab, "純ハズレ", normal[Outcome::PURE_MISS], WHITE);
    AddSlice(tab, "チャンス目", normal[Outcome::CHANCE], BLACK);
    return tab;
}

StatTab ModeStayTab(const ResultCounts& counts, std::int32_t plays)
{
    const auto& stay = counts.modeStay;
    StatTab tab;
    tab.lines = {
        RateLine("モード1", stay[Mode::MODE_1], plays),
        RateLine("モード2", stay[Mode::MODE_2], plays),
        RateLine("モード3", stay[Mode::MODE_3], plays),
    };
    AddSlice(tab, "モード1", stay[Mode::MODE_1], NAVY);
    AddSlice(tab, "モード2", stay[Mode::MODE_2], FUCHSIA);
    AddSlice(tab, "モード3", stay[Mode::MODE_3], LIME);
    return tab;
}

StatTab RtCancelTab(const ResultCounts& counts)
{
    const auto& kind = counts.preSignReleases;
    const auto& normal = counts.normalOutcome;
    StatTab tab;
    tab.lines = {
        StatLine{"規定RT消化", FormatInteger(counts.regularReleases), "-", "-"},
        RateLine("チェリー解除", kind[PreSignKind::CHERRY], normal[Outcome::CHERRY]),
        RateLine("弁当箱解除", kind[PreSignKind::BENTO], normal[Outcome::BENTO]),
        RateLine("純ハズレ解除", kind[PreSignKind::PURE_MISS], normal[Outcome::PURE_MISS]),
        RateLine("チャンス目解除", kind[PreSignKind::CHANCE], normal[Outcome::CHANCE]),
        // Counts 1G連 REGs too but divides by BIGs only.
        RateLine("1G連", counts.chainReleases, normal[Outcome::BIG]),
    };
    AddSlice(tab, "規定RT消化", counts.regularReleases, LIME);
    AddSlice(tab, "チェリー", kind[PreSignKind::CHERRY], RED);
    AddSlice(tab, "弁当箱", kind[PreSignKind::BENTO], GREEN);
    AddSlice(tab, "純ハズレ", kind[PreSignKind::PURE_MISS], WHITE);
    AddSlice(tab, "チャンス目", kind[PreSignKind::CHANCE], BLACK);
    AddSlice(tab, "1G連", counts.chainReleases, AQUA);
    return tab;
}
