#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ResultCounts.h"
#include "analysis/Rgb.h"
#include "analysis/RowTexts.h"

// One line of a statistics tab: name, count, rate, "1/X" cell.
struct StatLine {
    std::string name;
    std::string count;
    std::string rate;
    std::string inverse;
};
// One pie slice: x orders the slices, y is the size.
struct PieSlice {
    int x = 0;
    std::int64_t y = 0;
    std::string label;
    Rgb color;
};
struct StatTab {
    std::vector<StatLine> lines;
    std::vector<PieSlice> slices;
};
// A tab's caption and its list's four column captions.
struct StatTabCaptions {
    std::string_view tab;
    std::array<std::string_view, 4> columns;
};
extern const StatTabCaptions REN_CAPTIONS;        // "1G連情報"
extern const StatTabCaptions KOYAKU_CAPTIONS;     // "小役出現率"
extern const StatTabCaptions MODE_STAY_CAPTIONS;  // "モード別滞在率"
extern const StatTabCaptions RT_CANCEL_CAPTIONS;  // "RT解除情報"

// Line names of each tab in its order (the mode tab's are MODE_NAMES); the
// theory's tables name their lines alike.
inline constexpr std::array<std::string_view, 7> REN_LINES = {ROLE_NAMES[Outcome::CHERRY],
                                                              ROLE_NAMES[Outcome::BENTO],
                                                              ROLE_NAMES[Outcome::BELL],
                                                              "JACIN",
                                                              ROLE_NAMES[Outcome::PURE_MISS],
                                                              "JACハズレ",
                                                              "パンク"};
inline constexpr std::array<std::string_view, 6> KOYAKU_LINES = {
    ROLE_NAMES[Outcome::CHERRY], ROLE_NAMES[Outcome::BELL],      ROLE_NAMES[Outcome::BENTO],
    ROLE_NAMES[Outcome::REPLAY], ROLE_NAMES[Outcome::PURE_MISS], ROLE_NAMES[Outcome::CHANCE]};
inline constexpr std::array<std::string_view, 6> RT_CANCEL_LINES = {
    "規定RT消化", "チェリー解除", "弁当箱解除", "純ハズレ解除", "チャンス目解除", "1G連"};

// The four statistics tabs from the counts; `plays` is N, at least 1.
StatTab RenTab(const ResultCounts& counts);
StatTab KoyakuTab(const ResultCounts& counts, std::int32_t plays);
StatTab ModeStayTab(const ResultCounts& counts, std::int32_t plays);
StatTab RtCancelTab(const ResultCounts& counts);
