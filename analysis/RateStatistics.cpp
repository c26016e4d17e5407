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
StatLine RateLine(std::string_view name, std::int32_t count, std::int32_t base)
{
    StatLine line{std::string(name), FormatInteger(count), "0", "0"};
    if (base != 0) line.rate = FormatGeneral(static_cast<double>(count) / base);
    if (count != 0) line.inverse = "1/" + FormatGeneral(static_cast<double>(base) / count);
    return line;
}

// A line whose every count is its own base.
StatLine CertainLine(std::string_view name, std::int32_t count)
{
    if (count > 0) return {std::string(name), FormatInteger(count), "1", "1/1"};
    return {std::string(name), FormatInteger(count), "0", "0"};
}

void AddSlice(StatTab& tab, std::string_view label, std::int32_t count, Rgb color)
{
    tab.slices.push_back({static_cast<int>(tab.slices.size()), count, std::string(label), color});
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
    const auto& name = REN_LINES;
    StatTab tab;
    tab.lines = {
        RateLine(name[0], chain[ChainTrigger::CHERRY], bonus[Outcome::CHERRY]),
        RateLine(name[1], chain[ChainTrigger::BENTO], bonus[Outcome::BENTO]),
        RateLine(name[2], chain[ChainTrigger::BELL], bonus[Outcome::BELL]),
        RateLine(name[3], chain[ChainTrigger::JAC_IN], bonus[Outcome::JAC_IN]),
        RateLine(name[4], chain[ChainTrigger::PURE_MISS], bonus[Outcome::PURE_MISS]),
        CertainLine(name[5], chain[ChainTrigger::JAC_MISSED]),
        CertainLine(name[6], chain[ChainTrigger::PUNK]),
    };
    AddSlice(tab, name[0], chain[ChainTrigger::CHERRY], RED);
    AddSlice(tab, name[1], chain[ChainTrigger::BENTO], GREEN);
    AddSlice(tab, name[2], chain[ChainTrigger::BELL], YELLOW);
    AddSlice(tab, name[3], chain[ChainTrigger::JAC_IN], GREY);
    AddSlice(tab, name[4], chain[ChainTrigger::PURE_MISS], WHITE);
    AddSlice(tab, name[5], chain[ChainTrigger::JAC_MISSED], LIME);
    AddSlice(tab, name[6], chain[ChainTrigger::PUNK], AQUA);
    return tab;
}

StatTab KoyakuTab(const ResultCounts& counts, std::int32_t plays)
{
    const auto& normal = counts.normalOutcome;
    const auto& name = KOYAKU_LINES;
    StatTab tab;
    tab.lines = {
        RateLine(name[0], normal[Outcome::CHERRY], plays),
        RateLine(name[1], normal[Outcome::BELL], plays),
        RateLine(name[2], normal[Outcome::BENTO], plays),
        RateLine(name[3], normal[Outcome::REPLAY], plays),
        RateLine(name[4], normal[Outcome::PURE_MISS], plays),
        RateLine(name[5], normal[Outcome::CHANCE], plays),
    };
    AddSlice(tab, name[0], normal[Outcome::CHERRY], RED);
    AddSlice(tab, name[1], normal[Outcome::BELL], YELLOW);
    AddSlice(tab, name[2], normal[Outcome::BENTO], GREEN);
    AddSlice(tab, name[3], normal[Outcome::REPLAY], BLUE);
    AddSlice(tab, name[4], normal[Outcome::PURE_MISS], WHITE);
    AddSlice(tab, name[5], normal[Outcome::CHANCE], BLACK);
    return tab;
}

StatTab ModeStayTab(const ResultCounts& counts, std::int32_t plays)
{
    const auto& stay = counts.modeStay;
    const auto& name = MODE_NAMES;
    StatTab tab;
    tab.lines = {
        RateLine(name[Mode::MODE_1], stay[Mode::MODE_1], plays),
        RateLine(name[Mode::MODE_2], stay[Mode::MODE_2], plays),
        RateLine(name[Mode::MODE_3], stay[Mode::MODE_3], plays),
    };
    AddSlice(tab, name[Mode::MODE_1], stay[Mode::MODE_1], NAVY);
    AddSlice(tab, name[Mode::MODE_2], stay[Mode::MODE_2], FUCHSIA);
    AddSlice(tab, name[Mode::MODE_3], stay[Mode::MODE_3], LIME);
    return tab;
}

StatTab RtCancelTab(const ResultCounts& counts)
{
    const auto& kind = counts.preSignReleases;
    const auto& normal = counts.normalOutcome;
    const auto& name = RT_CANCEL_LINES;
    StatTab tab;
    tab.lines = {
        StatLine{std::string(name[0]), FormatInteger(counts.regularReleases), "-", "-"},
        RateLine(name[1], kind[PreSignKind::CHERRY], normal[Outcome::CHERRY]),
        RateLine(name[2], kind[PreSignKind::BENTO], normal[Outcome::BENTO]),
        RateLine(name[3], kind[PreSignKind::PURE_MISS], normal[Outcome::PURE_MISS]),
        RateLine(name[4], kind[PreSignKind::CHANCE], normal[Outcome::CHANCE]),
        // Counts 1G連 REGs too but divides by BIGs only.
        RateLine(name[5], counts.chainReleases, normal[Outcome::BIG]),
    };
    // The slices are named by the role that released.
    AddSlice(tab, name[0], counts.regularReleases, LIME);
    AddSlice(tab, ROLE_NAMES[Outcome::CHERRY], kind[PreSignKind::CHERRY], RED);
    AddSlice(tab, ROLE_NAMES[Outcome::BENTO], kind[PreSignKind::BENTO], GREEN);
    AddSlice(tab, ROLE_NAMES[Outcome::PURE_MISS], kind[PreSignKind::PURE_MISS], WHITE);
    AddSlice(tab, ROLE_NAMES[Outcome::CHANCE], kind[PreSignKind::CHANCE], BLACK);
    AddSlice(tab, name[5], counts.chainReleases, AQUA);
    return tab;
}
