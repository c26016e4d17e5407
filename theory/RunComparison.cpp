#include "theory/RunComparison.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string_view>

#include "analysis/RateStatistics.h"
#include "analysis/RowTexts.h"
#include "sim/PlaySeries.h"
#include "slot/MachineCodes.h"

namespace {

// Counts of one stretch of a run, as the summary and the rate tables count.
struct Counts {
    double games = 0;
    std::array<double, Outcome::REG + 1> normal{};  // outcome code 1..8 of normal games
    std::array<double, OUTCOME_COUNT> bonus{};      // outcome code of bonus games
    std::array<double, CHAIN_TRIGGER_COUNT> trigger{};
    std::array<double, MODE_COUNT> stay{};
    double regular = 0, chained = 0;
    std::array<double, PRE_SIGN_KIND_COUNT> preSign{};
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
    return [](const Counts& c) { return c.normal[Outcome::BIG] + c.normal[Outcome::REG]; };
}

// Stretch 0..BATCHES-1 of a row at `playCount` in a run of n plays. In 64 bits,
// since (playCount - 1) × BATCHES passes 2^31 from about 107 million plays, and
// clamped, so no play count a file may hold can index outside the stretches.
int StretchOf(std::int32_t playCount, std::int64_t n) noexcept
{
    const std::int64_t play = std::clamp<std::int64_t>(playCount, 1, n);
    return static_cast<int>(std::min<std::int64_t>(BATCHES - 1, (play - 1) * BATCHES / n));
}

}  // namespace

std::vector<std::string> FigureNames()
{
    // The names come with a theory, which costs far more than the figures of
    // a short run: computed once.
    static const std::vector<std::string> all = [] {
        std::vector<std::string> names;
        for (const SummaryFigure& figure : SUMMARY_FIGURES) names.emplace_back(figure.label);
        const SettingTheory& any = ComputeTheory(1);
        for (const TheoryTable& table : any.tables)
            for (const TheoryLine& line : table.lines) names.push_back(table.caption + " " + line.name);
        for (const TheoryLine& line : any.tables[RT_CANCEL_TABLE].lines)
            names.push_back("RT解除割合 " + line.name);
        return names;
    }();
    return all;
}

std::vector<std::optional<double>> TheoryValues(const SettingTheory& theory)
{
    std::vector<std::optional<double>> values;
    for (const SummaryFigure& figure : SUMMARY_FIGURES) values.emplace_back(theory.*figure.value);
    for (const TheoryTable& table : theory.tables)
        for (const TheoryLine& line : table.lines) values.push_back(line.rate);
    for (const TheoryLine& line : theory.tables[RT_CANCEL_TABLE].lines)
        values.push_back(line.shareOfReleases);
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
    std::int64_t releaseMedals = 0;
    std::size_t releaseRow = 0;
    for (std::size_t i = 0; i < series.Size(); ++i) {
        const PlayRow& row = series[i];
        const int k = StretchOf(row.playCount, n);
        Counts& c = batch[static_cast<std::size_t>(k)];
        if (!row.IsNormalGame()) {
            if (row.outcome >= 0 && row.outcome < OUTCOME_COUNT) c.bonus[row.outcome] += 1;
            if (row.chainTrigger > ChainTrigger::NONE && row.chainTrigger < CHAIN_TRIGGER_COUNT)
                c.trigger[row.chainTrigger] += 1;
            continue;
        }
        if (open >= 0 && i != releaseRow && row.gamesSinceBonus == 1) {
            const double got =
                static_cast<double>(std::int64_t{series[i - 1].medals} - releaseMedals + PAYOUT_RELEASE);
            Counts& at = batch[open];
            if (openKind == Outcome::BIG) {
                at.bigMedals += got;
                at.bigLines += 1;
            } else {
                at.regMedals += got;
                at.regLines += 1;
            }
            open = -1;
        }
        c.games += 1;
        if (row.outcome >= Outcome::CHERRY && row.outcome <= Outcome::REG) c.normal[row.outcome] += 1;
        if (row.mode >= 0 && row.mode < MODE_COUNT) c.stay[row.mode] += 1;
        if (row.IsRelease()) {
            const ReleaseClass kind = ClassifyRelease(row);
            switch (kind) {
                case ReleaseClass::PreSign:
                    // A damaged code counts as no kind of release.
                    if (row.preSign > PreSignKind::NONE && row.preSign < PRE_SIGN_KIND_COUNT)
                        c.preSign[row.preSign] += 1;
                    break;
                case ReleaseClass::Chain:
                    c.chained += 1;
                    break;
                case ReleaseClass::Regular:
                    c.regular += 1;
                    break;
                case ReleaseClass::NotRelease:
                    break;
            }
            if (row.outcome == Outcome::BIG && kind != ReleaseClass::Chain) c.firstBig += 1;
            open = k;
            openKind = row.outcome;
            releaseMedals = row.medals;
            releaseRow = i;
        }
    }

    const auto certain = [](const Counts& c) { return c.trigger[ChainTrigger::JAC_MISSED]; };
    // Rows after the summary's first figure, in FigureNames order; the payout,
    // σ and c are set apart.
    std::vector<std::optional<Ratio>> ratios = {
        std::nullopt,
        Ratio{Games(), Normal(Outcome::BIG), std::nullopt},
        Ratio{Games(), Normal(Outcome::REG), std::nullopt},
        Ratio{Games(), Releases(), std::nullopt},
        Ratio{Games(), [](const Counts& c) { return c.firstBig; }, std::nullopt},
        Ratio{[](const Counts& c) { return c.bigMedals; }, [](const Counts& c) { return c.bigLines; },
              std::nullopt},
        Ratio{[](const Counts& c) { return c.regMedals; }, [](const Counts& c) { return c.regLines; },
              std::nullopt},
        std::nullopt,
        std::nullopt,
        // 1G連情報
        Ratio{Trigger(ChainTrigger::CHERRY), Bonus(Outcome::CHERRY), 0.0},
        Ratio{Trigger(ChainTrigger::BENTO), Bonus(Outcome::BENTO), 0.0},
        Ratio{Trigger(ChainTrigger::BELL), Bonus(Outcome::BELL), 0.0},
        Ratio{Trigger(ChainTrigger::JAC_IN), Bonus(Outcome::JAC_IN), 0.0},
        Ratio{Trigger(ChainTrigger::PURE_MISS), Bonus(Outcome::PURE_MISS), 0.0},
        std::nullopt,
        std::nullopt,
        // 小役出現率
        Ratio{Normal(Outcome::CHERRY), Games(), 0.0},
        Ratio{Normal(Outcome::BELL), Games(), 0.0},
        Ratio{Normal(Outcome::BENTO), Games(), 0.0},
        Ratio{Normal(Outcome::REPLAY), Games(), 0.0},
        Ratio{Normal(Outcome::PURE_MISS), Games(), 0.0},
        Ratio{Normal(Outcome::CHANCE), Games(), 0.0},
        // モード別滞在率
        Ratio{[](const Counts& c) { return c.stay[Mode::MODE_1]; }, Games(), 0.0},
        Ratio{[](const Counts& c) { return c.stay[Mode::MODE_2]; }, Games(), 0.0},
        Ratio{[](const Counts& c) { return c.stay[Mode::MODE_3]; }, Games(), 0.0},
        // RT解除情報
        std::nullopt,
        Ratio{PreSign(PreSignKind::CHERRY), Normal(Outcome::CHERRY), 0.0},
        Ratio{PreSign(PreSignKind::BENTO), Normal(Outcome::BENTO), 0.0},
        Ratio{PreSign(PreSignKind::PURE_MISS), Normal(Outcome::PURE_MISS), 0.0},
        Ratio{PreSign(PreSignKind::CHANCE), Normal(Outcome::CHANCE), 0.0},
        Ratio{[](const Counts& c) { return c.chained; }, Normal(Outcome::BIG), 0.0},
        // RT解除割合
        Ratio{[](const Counts& c) { return c.regular; }, Releases(), std::nullopt},
        Ratio{PreSign(PreSignKind::CHERRY), Releases(), std::nullopt},
        Ratio{PreSign(PreSignKind::BENTO), Releases(), std::nullopt},
        Ratio{PreSign(PreSignKind::PURE_MISS), Releases(), std::nullopt},
        Ratio{PreSign(PreSignKind::CHANCE), Releases(), std::nullopt},
        Ratio{[](const Counts& c) { return c.chained; }, Releases(), std::nullopt},
    };
    const double in = double{BET} * static_cast<double>(n);
    out.rows[0].run = (out.balance + in) / in * 100;
    // One ratio per row in FigureNames order: a list out of step would put
    // figures beside the wrong names.
    if (ratios.size() != out.rows.size())
        throw std::logic_error("the run's figures are " + std::to_string(ratios.size()) + " ratios for " +
                               std::to_string(out.rows.size()) + " rows");
    for (std::size_t r = 0; r < ratios.size(); ++r) {
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
        punks += c.trigger[ChainTrigger::PUNK];
    }
    const auto chainRow = [&](std::string_view line) -> FigureRow& {
        const std::string name = std::string(REN_CAPTIONS.tab) + " " + std::string(line);
        const auto row = std::find_if(out.rows.begin(), out.rows.end(),
                                      [&](const FigureRow& figure) { return figure.name == name; });
        if (row == out.rows.end()) throw std::logic_error("no figure row named " + name);
        return *row;
    };
    constexpr std::size_t JAC_MISSED_LINE = 5;
    constexpr std::size_t PUNK_LINE = 6;
    static_assert(REN_LINES[JAC_MISSED_LINE] == "JACハズレ" && REN_LINES[PUNK_LINE] == "パンク");
    chainRow(REN_LINES[JAC_MISSED_LINE]).run = misses > 0 ? 1.0 : 0.0;
    chainRow(REN_LINES[PUNK_LINE]).run = punks > 0 ? 1.0 : 0.0;
    return out;
}

std::vector<std::optional<double>> Deviations(const RunFigures& run, const SettingTheory& theory)
{
    const std::vector<std::optional<double>> values = TheoryValues(theory);
    std::vector<std::optional<double>> out(run.rows.size());
    if (run.plays < 1) return out;
    const double n = static_cast<double>(run.plays);
    const double payoutSd = theory.balanceSdPerGame * std::sqrt(n) / (BET * n) * 100;
    if (run.rows[0].run && payoutSd > 0)
        out[0] = (*run.rows[0].run - theory.ExpectedPayout(run.plays)) / payoutSd;
    for (std::size_t r = 1; r < run.rows.size() && r < values.size(); ++r)
        if (run.rows[r].run && run.rows[r].batchError && values[r])
            out[r] = (*run.rows[r].run - *values[r]) / *run.rows[r].batchError;
    return out;
}
