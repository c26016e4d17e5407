#include "cli/EstimateCommand.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis/NumberFormat.h"
#include "cli/Options.h"
#include "estimate/SettingEstimate.h"
#include "sim/SeriesCheck.h"
#include "sim/SimFile.h"
#include "sim/WholeNumber.h"
#include "slot/MachineCodes.h"

namespace {

// "w1,w2,w3,w4,w5,w6": six decimal numbers.
SettingValues ParsePrior(const std::string& text)
{
    SettingValues prior{};
    std::size_t start = 0;
    for (int s = 0; s < SETTING_COUNT; ++s) {
        const std::size_t comma = text.find(',', start);
        const bool last = s == SETTING_COUNT - 1;
        if (last != (comma == std::string::npos))
            throw UsageError("--prior takes six weights separated by commas, one per setting");
        const std::string item = text.substr(start, last ? std::string::npos : comma - start);
        // Framed as every number is (blanks, a sign), so " 1" and "+1" are weights as they are counts.
        const auto split = SplitSign(item);
        double value = 0;
        bool read = split && split->magnitude.front() != '-' && split->magnitude.front() != '+';
        if (read) {
            const char* end = split->magnitude.data() + split->magnitude.size();
            const auto [ptr, error] = std::from_chars(split->magnitude.data(), end, value);
            read = error == std::errc() && ptr == end;
        }
        if (!read)
            throw UsageError("--prior: '" + item + "' is not a number (weight of setting " +
                             std::to_string(s + 1) + ")");
        prior[s] = split->negative ? -value : value;
        start = comma + 1;
    }
    if (const Status problem = CheckPrior(prior); !problem.Ok())
        throw UsageError("--prior: " + problem.Message());
    return prior;
}

nlohmann::ordered_json NumberOrNull(double value)
{
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

std::string Json(const SettingEstimate& estimate)
{
    nlohmann::ordered_json out;
    out["evidence"] = EvidenceName(estimate.evidence);
    out["games"] = estimate.normalGames;
    out["log_likelihood"] = nlohmann::ordered_json::array();
    for (double v : estimate.logLikelihood) out["log_likelihood"].push_back(NumberOrNull(v));
    out["posterior"] = estimate.posterior;
    out["most_likely_setting"] = estimate.mostLikely;
    out["expected_payout_percent"] = estimate.expectedPayoutPercent;
    return out.dump(2) + "\n";
}

void Line(std::string& out, std::initializer_list<std::string> cells)
{
    bool first = true;
    for (const std::string& cell : cells) {
        if (!first) out += '\t';
        out += cell;
        first = false;
    }
    out += '\n';
}

std::string Text(const SettingEstimate& estimate, const SettingValues& prior)
{
    double best = -INFINITY;
    for (double v : estimate.logLikelihood) best = std::max(best, v);
    double priorSum = 0;
    for (double w : prior) priorSum += w;
    const SettingValues& payout = TheoreticalPayoutPercent();

    std::string out = "[設定推測]\n";
    Line(out, {"証拠", estimate.evidence == Evidence::Hall ? "ホール" : "全記録"});
    Line(out, {"通常ゲーム数", std::to_string(estimate.normalGames)});
    Line(out, {"設定", "事前確率", "事後確率", "対数尤度", "尤度比", "理論機械割(%)"});
    for (int s = 0; s < SETTING_COUNT; ++s) {
        const double ll = estimate.logLikelihood[s];
        std::string mark = std::to_string(s + 1);
        if (s + 1 == estimate.mostLikely) mark += " *";
        Line(out, {mark, FormatGeneral(prior[s] / priorSum), FormatGeneral(estimate.posterior[s]),
                   std::isfinite(ll) ? FormatGeneral(ll) : "-", FormatGeneral(std::exp(ll - best)),
                   FormatGeneral(payout[s])});
    }
    Line(out, {"最有力設定", std::to_string(estimate.mostLikely)});
    Line(out, {"期待機械割(%)", FormatGeneral(estimate.expectedPayoutPercent)});
    return out;
}

}  // namespace

const CommandHelp ESTIMATE_HELP = {
    "estimate", "FILE [--evidence hall|record] [--prior W1,...,W6] [--json]",
    "estimate prints the posterior probability of each setting given a simulation\n"
    "         file: the exact probability that the machine at that setting plays\n"
    "         what the file shows (summed over every hidden path), times the\n"
    "         prior, normalised. The setting in the file's header is never used.\n"
    "  --evidence hall    only what a player at the machine sees: every game's\n"
    "                     outcome, BIG colours, bonus games (default)\n"
    "  --evidence record  the whole file, the mode, pre-sign and 1G連 columns too\n"
    "  --prior W1,...,W6  weights of settings 1 to 6 (a hall's 設定配分), any\n"
    "                     non-negative numbers, not all zero; default: equal\n"
    "  --json             an object with evidence, games, log_likelihood,\n"
    "                     posterior, most_likely_setting, expected_payout_percent\n"
    "                     (a log-likelihood of a setting that cannot play the\n"
    "                     file is null)\n"};

int EstimateCommand(const std::vector<std::string>& args)
{
    const Options given("estimate", args, {{"--evidence"}, {"--prior"}, {"--json", false}});
    if (given.Operands().size() != 1) throw UsageError(UsageLine(ESTIMATE_HELP));
    Evidence evidence = Evidence::Hall;
    if (const auto text = given.Optional("--evidence")) {
        const auto parsed = ParseEvidence(*text);
        if (!parsed) throw UsageError("--evidence must be hall or record, not '" + *text + "'");
        evidence = *parsed;
    }
    SettingValues prior = FLAT_PRIOR;
    if (const auto text = given.Optional("--prior")) prior = ParsePrior(*text);
    const std::string& path = given.Operands().front();

    try {
        PlaySeries series;
        const SimReadResult read = ReadSimFile(path, series);
        if (read.status == SimReadResult::Status::NotSimFile)
            return Fail(1, "'" + path + "': " + read.message);
        if (!read.Ok()) return Fail(1, read.message);
        if (series.Empty()) return Fail(1, NO_PLAYS_MESSAGE);
        if (const auto fault = CheckSeries(read.setting, read.playCount, series))
            return Fail(1, fault->Message(path));

        const SettingEstimate estimate = EstimateSetting(series.Rows(), evidence, prior);
        if (!estimate.Ok()) return Fail(1, "'" + path + "': " + estimate.status.Message());

        const std::string out = given.Flag("--json") ? Json(estimate) : Text(estimate, prior);
        std::fputs(out.c_str(), stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) return Fail(1, "cannot write the estimate");
        return 0;
    } catch (const std::bad_alloc&) {
        return Fail(1, OutOfMemoryMessage(path));
    } catch (const std::length_error& error) {
        return Fail(1, "'" + path + "': " + error.what());
    }
}
