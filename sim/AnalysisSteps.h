#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "PlaySeries.h"
#include "ResultAnalysis.h"

// The pieces AnalyzeSeries is made of, open to the tests. Texts are UTF-8
// literals; every function depends on its arguments alone.

std::string_view OutcomeText(const PlayRow& row) noexcept;    // "チェリー", "777(赤)", ...
std::string_view ModeText(std::int32_t mode) noexcept;        // "モード1".."モード3" or empty
std::string_view ModeCellText(const PlayRow& row) noexcept;   // "BIG!", "REG!" or the mode text
std::string_view PreSignName(std::int32_t preSign) noexcept;  // "チェリー", "弁当", ... or empty
std::string_view PreSignMark(const PlayRow& row) noexcept;    // "-" or "◎"
// The trigger text left on a row: "1G連", "規定RT", a pre-sign name or empty.
std::string_view TriggerText(const PlayRow& row) noexcept;
// Appends the remark ("備考") of a row.
void AppendRemark(const PlayRow& row, std::string& out);

StatTab RenTab(const ResultCounts& counts);
StatTab KoyakuTab(const ResultCounts& counts, std::int32_t plays);
StatTab ModeStayTab(const ResultCounts& counts, std::int32_t plays);
StatTab RtCancelTab(const ResultCounts& counts);

// One figure of the summary: an identifier for scripts, its label and value
// as the summary shows them ("BIG確率", "1/333") and the value as a number
// (333; the yen for the balance, the percent for the payout rate).
struct SummaryItem {
    std::string_view id;
    std::string_view label;
    std::string text;
    double value = 0;
};
constexpr int SUMMARY_ITEMS = 7;
std::array<SummaryItem, SUMMARY_ITEMS> SummaryItems(const ResultCounts& counts, std::int32_t plays,
                                                    std::int32_t balance);

// ResultLabel's four lines joined by LF (no LF at the end). `plays` >= 1.
std::string SummaryText(const ResultCounts& counts, std::int32_t plays, std::int32_t balance);
