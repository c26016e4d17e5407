#include "analysis/RowTexts.h"

ReleaseClass ClassifyRelease(const PlayRow& row) noexcept
{
    if (!row.IsRelease()) return ReleaseClass::NotRelease;
    if (row.preSign != 0) return ReleaseClass::PreSign;
    return row.gamesSinceBonus == 1 ? ReleaseClass::Chain : ReleaseClass::Regular;
}

std::string_view OutcomeText(const PlayRow& row) noexcept
{
    switch (row.outcome) {
        case 1:
            return "チェリー";
        case 2:
            return "ベル";
        case 3:
            return "弁当箱";
        case 4:
            return "リプレイ";
        case 5:
            return "チャンス目";
        case 6:
            return "純ハズレ";
        case 7:
            return row.bigColor == 0 ? "777(赤)" : "777(青)";
        case 8:
            return "REG";
        case 10:
            return "JAC";
        case 11:
            return "JACハズレ";
        case 12:
            return "JAC-IN";
        default:
            return {};
    }
}

std::string_view ModeText(std::int32_t mode) noexcept
{
    switch (mode) {
        case 0:
            return "モード1";
        case 1:
            return "モード2";
        case 2:
            return "モード3";
        default:
            return {};
    }
}

std::string_view ModeCellText(const PlayRow& row) noexcept
{
    if (row.bonus == 1) return "BIG!";
    if (row.bonus == 2) return "REG!";
    return ModeText(row.mode);
}

std::string_view PreSignName(std::int32_t preSign) noexcept
{
    switch (preSign) {
        case 1:
            return "チェリー";
        case 2:
            return "弁当";
        case 3:
            return "チャンス目";
        case 4:
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
    return row.preSign != 0 && row.bonus != 1 && row.bonus != 2;
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
    if (row.chainTrigger >= 1 && row.chainTrigger <= 6) {
        out += "1G連確定";
        return;
    }
    if (row.chainTrigger == 7) {
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
