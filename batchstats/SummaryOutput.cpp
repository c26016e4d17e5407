#include "batchstats/SummaryOutput.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "analysis/NumberFormat.h"

namespace {

using Json = nlohmann::ordered_json;

// Appends in steps: GCC 12 misreports "literal" + std::string at -O3.
template <typename... Parts>
std::string Cat(const Parts&... parts)
{
    std::string out;
    (out.append(parts), ...);
    return out;
}

Json DistributionJson(const Distribution& d)
{
    Json j;
    j["mean"] = d.mean;
    j["sd"] = std::isnan(d.sd) ? Json(nullptr) : Json(d.sd);
    j["min"] = d.min;
    j["max"] = d.max;
    for (std::size_t k = 0; k < PERCENTILES.size(); ++k)
        j[Cat("p", std::to_string(PERCENTILES[k]))] = d.percentiles[k];
    return j;
}

void PutGroup(Json& j, const GroupStatistics& g)
{
    j["final_balance"] = DistributionJson(g.finalBalance);
    j["payout_percent"] = DistributionJson(g.payout);
    j["big"] = DistributionJson(g.big);
    j["reg"] = DistributionJson(g.reg);
    j["longest_drought"] = DistributionJson(g.longestDrought);
    j["lowest_balance"] = DistributionJson(g.lowestBalance);
    j["p_profit"] = g.pProfit;
}

std::string Number(double value)
{
    return std::isnan(value) ? "-" : FormatGeneral(value);
}

void DistributionRow(std::string& out, const char* name, const Distribution& d, double scale,
                     const std::optional<TheoryFigure>& theory)
{
    out += name;
    out += '\t' + Number(d.mean * scale) + '\t' + Number(d.sd * scale) + '\t' + Number(d.min * scale);
    for (const double p : d.percentiles) out += '\t' + Number(p * scale);
    out += '\t' + Number(d.max * scale);
    if (theory) {
        out += '\t' + Number(theory->mean * scale) + '\t' + Number(theory->low * scale) + '\t' +
               Number(theory->high * scale);
    } else {
        out += "\t\t\t";
    }
    out += '\n';
}

void GroupRows(std::string& out, const GroupStatistics& g, const TheoryColumns& theory)
{
    DistributionRow(out, "final_balance", g.finalBalance, 1, theory.finalBalance);
    // Yen at 20 per medal, as the run's summary converts its balance.
    DistributionRow(out, "final_balance_yen", g.finalBalance, 20, theory.finalBalance);
    DistributionRow(out, "payout_percent", g.payout, 1, theory.payout);
    DistributionRow(out, "big", g.big, 1, theory.big);
    DistributionRow(out, "reg", g.reg, 1, theory.reg);
    DistributionRow(out, "longest_drought", g.longestDrought, 1, std::nullopt);
    DistributionRow(out, "lowest_balance", g.lowestBalance, 1, std::nullopt);
}

std::string StatisticsHeader()
{
    std::string h = "statistic\tmean\tsd\tmin";
    for (const int p : PERCENTILES) h += Cat("\tp", std::to_string(p));
    h += "\tmax\ttheory_mean\ttheory_low95\ttheory_high95\n";
    return h;
}

}  // namespace

std::string SummaryJson(const StudySummary& s)
{
    Json j;
    j["count"] = s.all.count;
    Json bySetting = Json::object();
    for (const auto& [setting, g] : s.bySetting) {
        Json group;
        group["count"] = g.count;
        PutGroup(group, g);
        bySetting[std::to_string(setting)] = std::move(group);
    }
    j["by_setting"] = std::move(bySetting);
    PutGroup(j, s.all);
    j["histogram"] = {
        {"start", s.histogram.start}, {"width", s.histogram.width}, {"counts", s.histogram.counts}};
    if (s.bands) {
        Json bands;
        bands["plays"] = s.bands->plays;
        for (std::size_t k = 0; k < BAND_PERCENTILES.size(); ++k)
            bands[Cat("p", std::to_string(BAND_PERCENTILES[k]))] = s.bands->values[k];
        j["bands"] = std::move(bands);
    } else {
        j["bands"] = nullptr;
    }
    return j.dump(2) + '\n';
}

std::string SummaryText(const StudySummary& s, const TheoryColumns& theory)
{
    std::string out;
    out += "[summary]\n";
    out += Cat("count\t", std::to_string(s.all.count), "\n");
    out += Cat("setting\t", s.commonSetting ? std::to_string(*s.commonSetting) : std::string("mixed"), "\n");
    out += Cat("plays\t", s.commonPlays ? std::to_string(*s.commonPlays) : std::string("mixed"), "\n");
    out += Cat("p_profit\t", Number(s.all.pProfit), "\n");
    out += "[statistics]\n";
    out += StatisticsHeader();
    GroupRows(out, s.all, theory);
    if (s.bySetting.size() > 1) {
        for (const auto& [setting, g] : s.bySetting) {
            out += Cat("[setting ", std::to_string(setting), "]\n");
            out += Cat("count\t", std::to_string(g.count), "\n");
            out += Cat("p_profit\t", Number(g.pProfit), "\n");
            out += StatisticsHeader();
            GroupRows(out, g, {});
        }
    }
    out += "[histogram]\nfrom\tto\tcount\n";
    for (std::size_t k = 0; k < s.histogram.counts.size(); ++k) {
        const std::int64_t from = s.histogram.start + static_cast<std::int64_t>(k) * s.histogram.width;
        out += std::to_string(from) + '\t' + std::to_string(from + s.histogram.width) + '\t' +
               std::to_string(s.histogram.counts[k]) + '\n';
    }
    if (s.bands) {
        out += "[bands]\nplays";
        for (const int p : BAND_PERCENTILES) out += Cat("\tp", std::to_string(p));
        out += '\n';
        for (std::size_t k = 0; k < s.bands->plays.size(); ++k) {
            out += std::to_string(s.bands->plays[k]);
            for (const auto& column : s.bands->values) out += '\t' + Number(column[k]);
            out += '\n';
        }
    }
    return out;
}
