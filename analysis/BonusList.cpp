#include "analysis/BonusList.h"

#include "analysis/NumberFormat.h"
#include "analysis/RowTexts.h"

const std::array<std::string_view, BONUS_LIST_COLUMNS> BONUS_LIST_CAPTIONS{
    "PLAY数", "PLAY数2", "確定役", "RT解除契機", "特殊前兆", "終了移行", "獲得メダル",
};

std::array<std::string, BONUS_LIST_COLUMNS> BonusListCells(const PlaySeries& series, const BonusLine& line)
{
    const PlayRow& release = series[line.releaseRow];
    std::array<std::string, BONUS_LIST_COLUMNS> cells{
        FormatInteger(release.playCount),
        FormatInteger(release.gamesSinceBonus),
        std::string(OutcomeText(release)),
        std::string(TriggerText(release)),
        std::string(PreSignMark(release)),
        {},
        {},
    };
    if (line.closingRow >= 0) {
        const auto closing = static_cast<std::size_t>(line.closingRow);
        cells[5] = ModeText(series[closing].mode);
        // 64 bits: two crafted balances far apart must not overflow.
        const std::int64_t won =
            std::int64_t{series[closing - 1].medals} - std::int64_t{release.medals} + PAYOUT_RELEASE;
        cells[6] = FormatInteger(won);
    }
    return cells;
}
