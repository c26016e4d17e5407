#pragma once

#include <array>
#include <string>
#include <string_view>

#include "sim/PlaySeries.h"

constexpr int PLAY_LIST_COLUMNS = 7;
extern const std::array<std::string_view, PLAY_LIST_COLUMNS> PLAY_LIST_CAPTIONS;  // "PLAY数" .. "備考"
// Text of play-list column 0..6 ("PLAY数" .. "備考") of one row.
std::string PlayListCell(const PlayRow& row, int column);
// The same text appended to `out`, for writers that avoid a string per cell.
void AppendPlayListCell(const PlayRow& row, int column, std::string& out);
// Appends the seven cells of a row joined by TAB (no line end); the fast path
// of long listings.
void AppendPlayListLine(const PlayRow& row, std::string& out);
