#include "analysis/RowTexts.h"

ReleaseClass ClassifyRelease(const PlayRow& row) noexcept
{
    if (!row.IsRelease()) return ReleaseClass::NotRelease;
    if (row.preSign != PreSignKind::NONE) return ReleaseClass::PreSign;
    return row.gamesSinceBonus == 1 ? ReleaseClass::Chain : ReleaseClass::Regular;
}

std::string_view OutcomeText(const PlayRow& row) noexcept
{
    switch (row.outcome) {
        case Outcome::CHERRY:
        case Outcome::BELL:
        case Outcome::BENTO:
        case Outcome::REPLAY:
        case Outcome::CHANCE:
        case Outcome::PURE_MISS:
            return ROLE_NAMES[static_cast<std::size_t>(row.outcome)];
        case Outcome::BIG:
            return row.bigColor == BigColor::RED ? "777(赤)" : "777(青)";
        case Outcome::REG:
            return "REG";
        case Outcome::JAC_WON:
            return "JAC";
        case Outcome::JAC_MISSED:
            return "JACハズレ";
        case Outcome::JAC_IN:
            return "JAC-IN";
        default:
            return {};
    }
}

std::string_view ModeText(std::int32_t mode) noexcept
{
    if (mode < 0 || mode >= MODE_COUNT) return {};
    return MODE_NAMES[static_cast<std::size_t>(mode)];
}

std::string_view ModeCellText(const PlayRow& row) noexcept
{
    if (row.bonus == BonusKind::BIG) return "BIG!";
    if (row.bonus == BonusKind::REG) return "REG!";
    return ModeText(row.mode);
}

std::string_view PreSignName(std::int32_t preSign) noexcept
{
    switch (preSign) {
        case PreSignKind::CHERRY:
            return "チェリー";
        case PreSignKind::BENTO:
            return "弁当";
        case PreSignKind::CHANCE:
            return "チャンス目";
        case PreSignKind::PURE_MISS:
            return "純ハズレ";
        default:
            return {};
    }
}

std::string_view PreSignMark(const PlayRow& row) noexcept
{
    return row.preSignBlue == 0 ? "-" : "◎";
}

namespace {

// Pre-sign games before the release; the release row and the bonus's games
// carry `bonus` and so no pre-sign remark.
bool ShowsPreSign(const PlayRow& row) noexcept
{
    return row.preSign != PreSignKind::NONE && row.bonus != BonusKind::BIG && row.bonus != BonusKind::REG;
}

}  // namespace

std::string_view TriggerText(const PlayRow& row) noexcept
{
    if (ShowsPreSign(row)) return PreSignName(row.preSign);
    switch (ClassifyRelease(row)) {
        case ReleaseClass::Chain:
            return "1G連";
        case ReleaseClass::Regular:
            return "規定RT";
        default:
            return {};
    }
}

void AppendRemark(const PlayRow& row, std::string& out)
{
    // Later rules win, as the display writes them in this order.
    if (ShowsPreSign(row)) {
        out += "RT解除[";
        out += PreSignName(row.preSign);
        out += ']';
        return;
    }
    if (row.chainTrigger >= ChainTrigger::JAC_IN && row.chainTrigger <= ChainTrigger::JAC_MISSED) {
        out += "1G連確定";
        return;
    }
    if (row.chainTrigger == ChainTrigger::PUNK) {
        out += "パンク";
        return;
    }
    switch (ClassifyRelease(row)) {
        case ReleaseClass::Chain:
            out += "1G連";
            break;
        case ReleaseClass::Regular:
            out += "RT解除[規定RT]";
            break;
        default:
            break;
    }
}
