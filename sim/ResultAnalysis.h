#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PlaySeries.h"

// Everything the window and the command line show after a run, computed once
// from the play series. Texts of the play list are not stored: they depend on
// their row alone and are formatted when asked for.

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Release class of a row with outcome 7 or 8.
enum class ReleaseClass { NotRelease, Chain, Regular, PreSign };  // Chain: 1G連, Regular: 規定RT
ReleaseClass ClassifyRelease(const PlayRow& row) noexcept;

constexpr int PLAY_LIST_COLUMNS = 7;
extern const std::array<std::string_view, PLAY_LIST_COLUMNS> PLAY_LIST_CAPTIONS;  // "PLAY数" .. "備考"
// Text of play-list column 0..6 ("PLAY数" .. "備考") of one row.
std::string PlayListCell(const PlayRow& row, int column);
// The same text appended to `out`, for writers that avoid a string per cell.
void AppendPlayListCell(const PlayRow& row, int column, std::string& out);
// Appends the seven cells of a row joined by TAB (no line end); the fast path
// of long listings.
void AppendPlayListLine(const PlayRow& row, std::string& out);

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

// Marker series of the slump graph, in the order the chart data lists them.
enum MarkerSeries { MARKER_BIG, MARKER_REG, MARKER_CHERRY, MARKER_BELL, MARKER_BENTOU, MARKER_CHANCE, MARKER_HAZURE, MARKER_COUNT };
extern const std::array<const char*, MARKER_COUNT> MARKER_SERIES_NAMES;  // "BIG" .. "Hazure"
extern const std::array<Rgb, MARKER_COUNT> MARKER_COLORS;
extern const Rgb SLUMP_COLOR;      // (255, 0, 0)
extern const Rgb MODE_COLOR;       // (0, 0, 255)
extern const Rgb BAR_BIG_COLOR;    // (255, 0, 0)
extern const Rgb BAR_REG_COLOR;    // (0, 0, 0)

struct ChartPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
    Rgb color;
};

// Slump-line and mode-line point of a normal-game row.
ChartPoint SlumpPoint(const PlayRow& row) noexcept;  // (playCount, medals)
ChartPoint ModePoint(const PlayRow& row) noexcept;   // (playCount, mode + 1)

struct ResultCounts {
    std::array<std::int32_t, 9> normalOutcome{};   // index = outcome code 1..8
    std::array<std::int32_t, 13> bonusOutcome{};   // index = outcome code 1, 2, 3, 6, 12
    std::array<std::int32_t, 3> modeStay{};
    std::array<std::int32_t, 8> chain{};           // index = trigger 1..7
    std::int32_t regularReleases = 0;              // 規定RT
    std::int32_t chainReleases = 0;                // 1G連
    std::array<std::int32_t, 5> preSignReleases{}; // index = kind 1..4
    std::int32_t bigFirstHits = 0;
};

struct ResultAnalysis {
    std::int32_t plays = 0;  // N, the last playCount; at least 1
    std::int64_t axisMin = 1;
    std::int64_t axisMax = 1;

    ResultCounts counts;
    // Index of every normal-game row in order: the slump and mode lines.
    std::vector<std::int32_t> normalRows;
    // Rows of each marker series, in order.
    std::array<std::vector<std::int32_t>, MARKER_COUNT> markerRows;
    std::vector<ChartPoint> bonusBars;  // SlumpBSeries
    std::vector<BonusLine> bonusLines;

    StatTab ren;       // "1G連情報"
    StatTab koyaku;    // "小役出現率"
    StatTab modeStay;  // "モード別滞在率"
    StatTab rtCancel;  // "RT解除情報"
    std::string summary;  // ResultLabel, four lines joined by LF

    std::size_t MemoryBytes() const noexcept;
};

// Called with the share of rows done (0..100) when it changes; returning
// false cancels the analysis.
using AnalysisProgress = std::function<bool(int percent)>;

struct AnalysisOutcome {
    enum class Status { Done, NoPlays, Cancelled };
    Status status = Status::Done;
    ResultAnalysis analysis;  // valid only when Done
};

// Analyses the series. NoPlays when there is no row or the last playCount is
// below 1 (only a crafted file): every rate and the axis need N >= 1.
AnalysisOutcome AnalyzeSeries(const PlaySeries& series, const AnalysisProgress& progress = {});
