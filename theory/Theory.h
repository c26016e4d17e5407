#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "slot/MachineCodes.h"

class Slot;

// The machine's exact long-run figures for one setting, computed from the
// weight tables the Slot plays with (renewal-reward over the cycles from one
// bonus end to the next, with a Poisson equation for the variance and the
// start-up offset). "Long-run" is the limit as the number of normal games N
// grows; every figure is what a run's summary or rate table tends to.
//
// To be used as follows: call ComputeAllTheory() once (it takes well under
// 20 ms) and keep the six results; they never change while the program runs.

// One line of a rate table, in the order and with the name the table shows.
struct TheoryLine {
    std::string name;
    std::optional<double> rate;             // empty where the table shows "-"
    std::optional<double> shareOfReleases;  // only in "RT解除情報"
};

struct TheoryTable {
    std::string caption;  // "1G連情報", "小役出現率", "モード別滞在率", "RT解除情報"
    std::vector<TheoryLine> lines;
};
// SettingTheory::tables in the order above.
constexpr std::size_t RT_CANCEL_TABLE = 3;

// A two-sided interval.
struct TheoryBand {
    double low = 0;
    double high = 0;
};

struct SettingTheory {
    int setting = 1;
    double payoutPercent = 0;  // 機械割: (balance + 3N) / 3N × 100
    double bigOdds = 0;        // N per BIG (the real ratio, not truncated)
    double regOdds = 0;
    double bonusOdds = 0;     // N per BIG or REG
    double firstBigOdds = 0;  // N per BIG whose release class is not 1G連
    double medalsPerBig = 0;  // 獲得メダル of a BIG line of the bonus list
    double medalsPerReg = 0;
    double balancePerGame = 0;    // μ: balance / N
    double balanceSdPerGame = 0;  // σ: Var(balance after N games) / N → σ²
    double freshStartOffset = 0;  // c: E[balance after N games] = Nμ + c + o(1)
    std::array<TheoryTable, 4> tables;

    // Expected balance after n normal games of a fresh run: nμ + c.
    double ExpectedBalance(std::int64_t n) const noexcept;
    // Balance after n games: the expectation ± z σ √n (z = 1.96 for 95 %).
    TheoryBand BalanceBand(std::int64_t n, double z = 1.96) const noexcept;
    // The same band as a payout rate in percent at n games; n >= 1.
    TheoryBand PayoutBand(std::int64_t n, double z = 1.96) const noexcept;
    // Expected payout rate in percent at n games of a fresh run; n >= 1.
    double ExpectedPayout(std::int64_t n) const noexcept;
};

// The summary's figures in the order every theory view lists them: the key
// of the JSON output and the label of the tables.
struct SummaryFigure {
    const char* key;
    const char* label;
    double SettingTheory::*value;
};
extern const std::array<SummaryFigure, 9> SUMMARY_FIGURES;

// Theory of one setting (1..6) from the laws of `tables` (any Slot; its
// state is not read, only its weight tables and rules). The setting must be
// valid; readers of user input check it first, as for Slot::SetSetting.
SettingTheory ComputeTheory(const Slot& tables, int setting);
// The same with the machine's own tables.
SettingTheory ComputeTheory(int setting);
// Settings 1..6 in order.
std::array<SettingTheory, SETTING_COUNT> ComputeAllTheory();
