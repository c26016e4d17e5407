#include "analysis/Summary.h"

#include "analysis/NumberFormat.h"

std::array<SummaryItem, SUMMARY_ITEMS> SummaryItems(const ResultCounts& counts, std::int32_t plays,
                                                    std::int32_t balance)
{
    const std::int32_t bigs = counts.normalOutcome[Outcome::BIG];
    const std::int32_t regs = counts.normalOutcome[Outcome::REG];
    // The shown figures are single precision; the arithmetic on them is double.
    const float bigOdds = bigs == 0 ? 0.0f : static_cast<float>(plays / bigs);
    const float regOdds = regs == 0 ? 0.0f : static_cast<float>(plays / regs);
    const float balanceF = static_cast<float>(balance);
    const float medalsIn = static_cast<float>(std::int64_t{BET} * plays);
    const double yen = static_cast<double>(balanceF) * 20;
    const double payout = (static_cast<double>(balanceF) + medalsIn) / static_cast<double>(medalsIn) * 100;

    return {{
        {"big_count", "BIG回数", FormatInteger(bigs), static_cast<double>(bigs)},
        {"reg_count", "REG回数", FormatInteger(regs), static_cast<double>(regs)},
        {"big_first_hits", "BIG初当り回数", FormatInteger(counts.bigFirstHits),
         static_cast<double>(counts.bigFirstHits)},
        {"big_odds", "BIG確率", "1/" + FormatGeneral(bigOdds), static_cast<double>(bigOdds)},
        {"reg_odds", "REG確率", "1/" + FormatGeneral(regOdds), static_cast<double>(regOdds)},
        {"balance_yen", "収支", FormatGeneral(yen) + "円", yen},
        {"payout_percent", "機械割", FormatGeneral(payout) + '%', payout},
    }};
}

std::string SummaryText(const ResultCounts& counts, std::int32_t plays, std::int32_t balance)
{
    const auto items = SummaryItems(counts, plays, balance);
    const auto piece = [&](int i, std::string_view colon) {
        std::string text(items[i].label);
        text += colon;
        text += items[i].text;
        return text;
    };
    std::string text;
    text += piece(0, ":") + "　" + piece(1, ":") + '\n';
    text += piece(2, ":") + '\n';
    text += piece(3, ":") + "  " + piece(4, ":") + '\n';
    text += piece(5, ":") + "  " + piece(6, "：");
    return text;
}
