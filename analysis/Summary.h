#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/ResultCounts.h"

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
