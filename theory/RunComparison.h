#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "theory/Theory.h"

class PlaySeries;

// A run beside the theory, one row per figure in the order every theory view
// lists them: the summary's figures, each rate-table line, then each
// "RT解除情報" line's share of releases.
//
// The run's value of a figure is what its summary or table shows (the odds as
// the real ratio N ÷ count). Its standard error at the run's N: for the
// payout, exact from σ (it depends on the setting compared with); for the
// other figures, from the run itself by batch means over BATCHES equal
// stretches of its normal games (the delta method for a ratio), and none when
// a stretch lacks the figure's base.

struct FigureRow {
    std::string name;           // "機械割(%)", "小役出現率 チェリー", "RT解除割合 1G連", ...
    std::optional<double> run;  // none where the run has no value
    std::optional<double> batchError;  // standard error from the run's batches
};

struct RunFigures {
    std::int64_t plays = 0;  // N
    double balance = 0;      // medals of the last row
    std::vector<FigureRow> rows;
};

constexpr int BATCHES = 20;

// Names of the rows, in order.
std::vector<std::string> FigureNames();
// The theory's value of each row, in the same order (none for a "-" cell).
std::vector<std::optional<double>> TheoryValues(const SettingTheory& theory);
// The run's figures. An empty series gives N = 0 and no values.
RunFigures ComputeRunFigures(const PlaySeries& series);
// Deviation of the run from the theory in standard errors, per row: the
// payout against the expectation at N with the exact σ; the others against
// the long-run value with the batch error. None where either is missing.
std::vector<std::optional<double>> Deviations(const RunFigures& run, const SettingTheory& theory);
