#include "theory/RunComparison.h"

#include <array>
#include <cmath>
#include <functional>

#include "sim/PlaySeries.h"

namespace {

// Counts of one stretch of a run, as the summary and the rate tables count.
struct Counts {
    double games = 0;
    std::array<double, 9> normal{};   // outcome code 1..8 of normal games
    std::array<double, 13> bonus{};   // outcome code of bonus games
    std::array<double, 8> trigger{};  // chain trigger 1..7
    std::array<double, 3> stay{};
    double regular = 0, chained = 0;
    std::array<double, 5> preSign{};
    double firstBig = 0, bigMedals = 0, regMedals = 0, bigLines = 0, regLines = 0;
};

using Get = std::function<double(const Counts&)>;

// A ratio figure: value Σa / Σb; `shown` gives the value when Σb is 0 (the
// table's zero rules), or none for no value.
struct Ratio {
    Get a, b;
    std::optional<double> whenNoBase;
};

Get Games()
{
    return [](const Counts& c) { return c.games; };
}
Get Normal(int code)
{
    return [code](const Counts& c) { return c.normal[code]; };
}
Get Bonus(int code)
{
    return [code](const Counts& c) { return c.bonus[code]; };
}
Get Trigger(int k)
{
    return [k](const Counts& c) { return c.trigger[k]; };
}
Get PreSign(int kind)
{
    return [kind](const Counts& c) { return c.preSign[kind]; };
}
Get Releases()
{
    return [](const Counts& c) { return c.normal[7] + c.normal[8]; };
}

}  // namespace

std::vector<std::string> FigureNames()
{
    std::vector<std::string> names;
    for (const SummaryFigure& figure : SUMMARY_FIGURES) names.emplace_back(figure.label);
    const SettingTheory& any = ComputeTheory(1);
    for (const TheoryTable& table : any.tables)
        for (const TheoryLine& line : table.lines) names.push_back(table.caption + " " + line.name);
    for (const TheoryLine& line : any.tables[3].lines) names.push_back("RT解除割合 " + line.name);
    return names;
}

std::vector<std::optional<double>> TheoryValues(const SettingTheory& theory)
{
    std::vector<std::optional<double>> values;
    for (const SummaryFigure& figure : SUMMARY_FIGURES) values.emplace_back(theory.*figure.value);
    for (const TheoryTable& table : theory.tables)
        for (const TheoryLine& line : table.lines) values.push_back(line.rate);
    for (const TheoryLine& line : theory.tables[3].lines) values.push_back(line.shareOfReleases);
    return values;
}

RunFigures ComputeRunFigures(const PlaySeries& series)
{
    RunFigures out;
    const std::vector<std::string> names = FigureNames();
    out.rows.resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) out.rows[i].name = names[i];
    if (series.Empty() || series.Back().playCount < 1) return out;

    const std::int64_t n = series.Back().playCount;
    out.plays = n;
    out.balance = series.Back().medals;
    std::array<Counts, BATCHES> batch{};
    int open = -1;  // batch of the bonus whose line is open
    int openKind = 0;
    std::int32_t releaseMedals = 0;
    std::size_t releaseRow = 0;
    for (std::size_t i = 0; i < series.Size(); ++i) {
        const PlayRow& row = series[i];
        const int k = static_cast<int>(
            std::min<std::int64_t>(BATCHES - 1, (std::max(row.playCount, 1) - 1) * BATCHES / n));
        Counts& c = batch[k];
        if (!row.IsNormalGame()) {
            if (row.outcome >= 0 && row.outcome < 13) c.bonus[row.outcome] += 1;
            if (row.chainTrigger >= 1 && row.chainTrigger <= 7) c.trigger[row.chainTrigger] += 1;
            continue;
        }
        if (open >= 0 && i != releaseRow && row.gamesSinceBonus == 1) {
            const double got = series[i - 1].medals - releaseMedals + 15.0;
            Counts& at = batch[open];
            if (openKind == 7) {
                at.bigMedals += got;
                at.bigLines += 1;
            } else {
                at.regMedals += got;
                at.regLines += 1;
            }
            open = -1;
        }
        c.games += 1;
        if (row.outcome >= 1 && row.outcome <= 8) c.normal[row.outcome] += 1;
        if (row.mode >= 0 && row.mode < 3) c.stay[row.mode] += 1;
        if (row.IsRelease()) {
            const bool chained = row.preSign == 0 && row.gamesSinceBonus == 1;
            if (row.preSign >= 1 && row.preSign <= 4)
                c.preSign[row.preSign] += 1;
            else if (chained)
                c.chained += 1;
            else if (row.preSign == 0)
                c.regular += 1;
            if (row.outcome == 7 && !chained) c.firstBig += 1;
            open = k;
            openKind = row.outcome;
            releaseMedals = row.medals;
            releaseRow = i;
        }
    }

    const auto certain = [](const Counts& c) { return c.trigger[6]; };
    // Rows after the summary's first figure, in FigureNames order; the payout,
    // σ and c are set apart.
    std::vector<std::optional<Ratio>> ratios = {
        std::nullopt,
        Ratio{Games(), Normal(7), std::nullopt},
        Ratio{Games(), Normal(8), std::nullopt},
        Ratio{Games(), Releases(), std::nullopt},
        Ratio{Games(), [](const Counts& c) { return c.firstBig; }, std::nullopt},
        Ratio{[](const Counts& c) { return c.bigMedals; }, [](const Counts& c) { return c.bigLines; },
              std::nullopt},
        Ratio{[](const Counts& c) { return c.regMedals; }, [](const Counts& c) { return c.regLines; },
              std::nullopt},
        std::nullopt,
        std::nullopt,
        // 1G連情報
        Ratio{Trigger(2), Bonus(1), 0.0},
        Ratio{Trigger(4), Bonus(3), 0.0},
        Ratio{Trigger(3), Bonus(2), 0.0},
        Ratio{Trigger(1), Bonus(12), 0.0},
        Ratio{Trigger(5), Bonus(6), 0.0},
        std::nullopt,
        std::nullopt,
        // 小役出現率
        Ratio{Normal(1), Games(), 0.0},
        Ratio{Normal(2), Games(), 0.0},
        Ratio{Normal(3), Games(), 0.0},
        Ratio{Normal(4), Games(), 0.0},
        Ratio{Normal(6), Games(), 0.0},
        Ratio{Normal(5), Games(), 0.0},
        // モード別滞在率
        Ratio{[](const Counts& c) { return c.stay[0]; }, Games(), 0.0},
        Ratio{[](const Counts& c) { return c.stay[1]; }, Games(), 0.0},
        Ratio{[](const Counts& c) { return c.stay[2]; }, Games(), 0.0},
        // RT解除情報
        std::nullopt,
        Ratio{PreSign(1), Normal(1), 0.0},
        Ratio{PreSign(2), Normal(3), 0.0},
        Ratio{PreSign(4), Normal(6), 0.0},
        Ratio{PreSign(3), Normal(5), 0.0},
        Ratio{[](const Counts& c) { return c.chained; }, Normal(7), 0.0},
        // RT解除割合
        Ratio{[](const Counts& c) { return c.regular; }, Releases(), std::nullopt},
        Ratio{PreSign(1), Releases(), std::nullopt},
        Ratio{PreSign(2), Releases(), std::nullopt},
        Ratio{PreSign(4), Releases(), std::nullopt},
        Ratio{PreSign(3), Releases(), std::nullopt},
        Ratio{[](const Counts& c) { return c.chained; }, Releases(), std::nullopt},
    };
    const double in = 3.0 * static_cast<double>(n);
    out.rows[0].run = (out.balance + in) / in * 100;
    for (std::size_t r = 0; r < ratios.size() && r < out.rows.size(); ++r) {
        if (!ratios[r]) continue;
        const Ratio& f = *ratios[r];
        double sa = 0, sb = 0;
        for (const Counts& c : batch) {
            sa += f.a(c);
            sb += f.b(c);
        }
        if (sb == 0) {
            out.rows[r].run = f.whenNoBase;
            continue;
        }
        const double ratio = sa / sb;
        out.rows[r].run = ratio;
        if (n < BATCHES) continue;
        double r2 = 0;
        for (const Counts& c : batch) {
            const double d = f.a(c) - ratio * f.b(c);
            r2 += d * d;
        }
        const double k = BATCHES;
        const double se = std::sqrt(r2 / (k * (k - 1))) / (sb / k);
        if (se > 0) out.rows[r].batchError = se;
    }
    // "JACハズレ" and "パンク": every count is its own base.
    double misses = 0, punks = 0;
    for (const Counts& c : batch) {
        misses += certain(c);
        punks += c.trigger[7];
    }
    out.rows[14].run = misses > 0 ? 1.0 : 0.0;
    out.rows[15].run = punks > 0 ? 1.0 : 0.0;
    return out;
}

std::vector<std::optional<double>> Deviations(const RunFigures& run, const SettingTheory& theory)
{
    const std::vector<std::optional<double>> values = TheoryValues(theory);
    std::vector<std::optional<double>> out(run.rows.size());
    if (run.plays < 1) return out;
    const double n = static_cast<double>(run.plays);
    const double payoutSd = theory.balanceSdPerGame * std::sqrt(n) / (3 * n) * 100;
    if (run.rows[0].run && payoutSd > 0)
        out[0] = (*run.rows[0].run - theory.ExpectedPayout(run.plays)) / payoutSd;
    for (std::size_t r = 1; r < run.rows.size() && r < values.size(); ++r)
        if (run.rows[r].run && run.rows[r].batchError && values[r])
            out[r] = (*run.rows[r].run - *values[r]) / *run.rows[r].batchError;
    return out;
}
