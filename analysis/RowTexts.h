#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/PlaySeries.h"

// Texts of one row of the play list and the bonus list. Texts are UTF-8
// literals; every function depends on its arguments alone.

// Release class of a row with outcome 7 or 8.
enum class ReleaseClass { NotRelease, Chain, Regular, PreSign };  // Chain: 1G連, Regular: 規定RT
ReleaseClass ClassifyRelease(const PlayRow& row) noexcept;

// Names of the small roles by outcome code 1..6, as every list and table shows them.
inline constexpr std::array<std::string_view, Outcome::PURE_MISS + 1> ROLE_NAMES = {
    "", "チェリー", "ベル", "弁当箱", "リプレイ", "チャンス目", "純ハズレ"};
// Names of the modes by code.
inline constexpr std::array<std::string_view, MODE_COUNT> MODE_NAMES = {"モード1", "モード2", "モード3"};

std::string_view OutcomeText(const PlayRow& row) noexcept;    // "チェリー", "777(赤)", ...
std::string_view ModeText(std::int32_t mode) noexcept;        // "モード1".."モード3" or empty
std::string_view ModeCellText(const PlayRow& row) noexcept;   // "BIG!", "REG!" or the mode text
std::string_view PreSignName(std::int32_t preSign) noexcept;  // "チェリー", "弁当", ... or empty
std::string_view PreSignMark(const PlayRow& row) noexcept;    // "-" or "◎"
// The trigger text left on a row: "1G連", "規定RT", a pre-sign name or empty.
std::string_view TriggerText(const PlayRow& row) noexcept;
// Appends the remark ("備考") of a row.
void AppendRemark(const PlayRow& row, std::string& out);
