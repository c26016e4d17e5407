#include "cli/SummaryCommand.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "batchstats/RecordsFile.h"
#include "batchstats/Statistics.h"
#include "batchstats/StudyInputs.h"
#include "batchstats/SummaryOutput.h"
#include "cli/Options.h"
#include "slot/MachineCodes.h"
#include "theory/Theory.h"

namespace {

// The theory's figures after N games, for a study of one setting and one N.
TheoryColumns TheoryFor(const StudySummary& summary)
{
    TheoryColumns columns;
    if (!summary.commonSetting || !summary.commonPlays || *summary.commonSetting < SETTING_MIN ||
        *summary.commonSetting > SETTING_MAX)
        return columns;
    const SettingTheory theory = ComputeTheory(*summary.commonSetting);
    const std::int64_t n = *summary.commonPlays;
    const TheoryBand balance = theory.BalanceBand(n);
    const TheoryBand payout = theory.PayoutBand(n);
    columns.finalBalance = TheoryFigure{theory.ExpectedBalance(n), balance.low, balance.high};
    columns.payout = TheoryFigure{theory.ExpectedPayout(n), payout.low, payout.high};
    // The theory gives bonus rates, not the spread of their counts.
    const double none = std::numeric_limits<double>::quiet_NaN();
    if (theory.bigOdds > 0) columns.big = TheoryFigure{static_cast<double>(n) / theory.bigOdds, none, none};
    if (theory.regOdds > 0) columns.reg = TheoryFigure{static_cast<double>(n) / theory.regOdds, none, none};
    return columns;
}

}  // namespace

const CommandHelp SUMMARY_HELP = {
    "summary", "FILE... [--json]",
    "summary  prints statistics over simulation files and/or records files\n"
    "         (told apart by content): count, share in profit, mean, sample\n"
    "         standard deviation, minimum, maximum and percentiles 1 to 99 of\n"
    "         final balance (medals and yen), payout rate, BIG, REG, longest\n"
    "         drought and lowest balance; per setting when settings differ; a\n"
    "         histogram of final balance (from included, to excluded); balance\n"
    "         percentile bands at 100 points over the plays. Percentile p of n\n"
    "         values interpolates linearly at position (n-1)p/100 of the sorted\n"
    "         values (numpy's default). With one setting and one play count the\n"
    "         theory's expectation and 95 % band stand beside the means.\n"
    "         Refused, naming file and line: a line without its line end, a\n"
    "         record no run writes, a simulation counted twice (the same file\n"
    "         twice, or the same seed, simulation and record met twice).\n"
    "  --json       one JSON object instead of text\n"};

int SummaryCommand(const std::vector<std::string>& args)
{
    const Options given("summary", args, {{"--json", false}});
    const bool json = given.Flag("--json");
    const std::vector<std::string>& files = given.Operands();
    if (files.empty()) return Fail(2, "summary needs at least one FILE");

    try {
        RecordTable table;
        if (const Status read = ReadStudyFiles(files, table); !read.Ok()) return Fail(1, read.Message());
        if (table.Empty()) return Fail(1, "the files hold no simulations");
        const StudySummary summary = Summarise(table);
        const std::string text = json ? SummaryJson(summary) : SummaryText(summary, TheoryFor(summary));
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
            return Fail(1, "cannot write the summary");
        return 0;
    } catch (const std::bad_alloc&) {
        return Fail(1, "not enough memory for the records of these files");
    }
}
