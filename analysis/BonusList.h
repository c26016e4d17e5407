#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "sim/PlaySeries.h"

// One line of the bonus list: its release row and, once known, its closing
// row (the first normal game after the bonus); -1 while open.
struct BonusLine {
    std::size_t releaseRow = 0;
    std::ptrdiff_t closingRow = -1;
};
constexpr int BONUS_LIST_COLUMNS = 7;
// "PLAY数" .. "獲得メダル"
extern const std::array<std::string_view, BONUS_LIST_COLUMNS> BONUS_LIST_CAPTIONS;
// The seven cells of a line; an open line has its last two cells empty.
std::array<std::string, BONUS_LIST_COLUMNS> BonusListCells(const PlaySeries& series, const BonusLine& line);
