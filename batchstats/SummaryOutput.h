#pragma once

#include <optional>
#include <string>

#include "batchstats/Statistics.h"

// The expectation and a 95 % band that the machine's theory gives for a
// statistic, shown beside its mean when a study has one setting and one N.
struct TheoryFigure {
    double mean = 0;
    double low = 0;
    double high = 0;
};
struct TheoryColumns {
    std::optional<TheoryFigure> finalBalance;
    std::optional<TheoryFigure> payout;
    std::optional<TheoryFigure> big;
    std::optional<TheoryFigure> reg;
};

// The summary as one JSON object (keys count, by_setting, final_balance,
// payout_percent, big, reg, longest_drought, lowest_balance, p_profit,
// histogram, bands), in that order, with a final line end. Numbers are the
// shortest text that reads back to the same double; an undefined standard
// deviation (one simulation) and absent bands are null.
std::string SummaryJson(const StudySummary& summary);

// The summary as UTF-8 text: sections with a caption in [brackets], a header
// row and TAB-separated rows; numbers in the general format of the reports.
std::string SummaryText(const StudySummary& summary, const TheoryColumns& theory = {});
