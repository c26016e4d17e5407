#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/BonusList.h"
#include "analysis/RateStatistics.h"
#include "analysis/ResultCounts.h"
#include "analysis/SlumpData.h"
#include "sim/PlaySeries.h"

// Everything the window and the command line show after a run, computed once
// from the play series. Texts of the play list are not stored: they depend on
// their row alone and are formatted when asked for.

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

    StatTab ren;          // "1G連情報"
    StatTab koyaku;       // "小役出現率"
    StatTab modeStay;     // "モード別滞在率"
    StatTab rtCancel;     // "RT解除情報"
    std::string summary;  // ResultLabel, four lines joined by LF

    std::size_t MemoryBytes() const noexcept;
};

// Called with the share of rows done (0..100) when it changes; returning
// false cancels the analysis.
using AnalysisProgress = std::function<bool(int percent)>;

struct [[nodiscard]] AnalysisOutcome {
    enum class Status { Done, NoPlays, Cancelled };
    Status status = Status::Done;
    ResultAnalysis analysis;  // valid only when Done
};

// Analyses the series. NoPlays when there is no row or the last playCount is
// below 1 (only a crafted file): every rate and the axis need N >= 1.
[[nodiscard]] AnalysisOutcome AnalyzeSeries(const PlaySeries& series, const AnalysisProgress& progress = {});
