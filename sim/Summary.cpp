#include "AnalysisSteps.h"
#include "NumberFormat.h"

std::string SummaryText(const ResultCounts& counts, std::int32_t plays, std::int32_t balance)
{
    const std::int32_t bigs = counts.normalOutcome[7];
    const std::int32_t regs = counts.normalOutcome[8];
    // The shown figures are single precision; the arithmetic on them is double.
    const float bigOdds = bigs == 0 ? 0.0f : static_cast<float>(plays / bigs);
    const float regOdds = regs == 0 ? 0.0f : static_cast<float>(plays / regs);
    const float balanceF = static_cast<float>(balance);
    const float medalsIn = static_cast<float>(std::int64_t{3} * plays);
    const double yen = static_cast<double>(balanceF) * 20;
    const double payout = (static_cast<double>(balanceF) + medalsIn) / static_cast<double>(medalsIn) * 100;

    std::string text;
    text += "BIG回数:" + FormatInteger(bigs) + "　REG回数:" + FormatInteger(regs) + '\n';
    text += "BIG初当り回数:" + FormatInteger(counts.bigFirstHits) + '\n';
    text += "BIG確率:1/" + FormatGeneral(bigOdds) + "  REG確率:1/" + FormatGeneral(regOdds) + '\n';
    text += "収支:" + FormatGeneral(yen) + "円  機械割：" + FormatGeneral(payout) + '%';
    return text;
}
