// Checks the setting estimate against the machine: runs with a uniformly drawn
// setting, scored by log-loss, calibration and accuracy against a Poisson
// baseline of counts, the games needed to be sure of settings 1 and 6, and the
// same files with a header that names a wrong setting.
//
// Usage: mirvosim-verify-estimate [RUNS [PLAYS [LONG_RUNS [LONG_PLAYS]]]]
// (defaults 3000 8000 200 300000). Prints Markdown tables. Not a test: it takes
// minutes and its figures are read, not asserted.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "estimate/SettingEstimate.h"
#include "sim/PlaySeries.h"
#include "sim/SimFile.h"
#include "sim/SingleRun.h"
#include "slot/RandomSource.h"
#include "slot/Slot.h"
#include "theory/Theory.h"

namespace {

// Today's tools: independent Poisson counts of BIG, REG and the six small
// roles at their exact long-run rates per normal game, flat prior.
class PoissonBaseline {
public:
    PoissonBaseline()
    {
        const auto theory = ComputeAllTheory();
        for (int s = 0; s < 6; ++s) {
            rate[s][0] = 1 / theory[s].bigOdds;
            rate[s][1] = 1 / theory[s].regOdds;
            const TheoryTable& roles =
                theory[s].tables[1];  // 小役出現率: cherry, bell, bento, replay, pure miss, chance
            for (int k = 0; k < 6; ++k) rate[s][2 + k] = *roles.lines[k].rate;
        }
    }

    SettingValues Posterior(const PlaySeries& series) const
    {
        std::array<double, 8> count{};
        double games = 0;
        for (const PlayRow& row : series.Rows()) {
            if (!row.IsNormalGame()) continue;
            ++games;
            switch (row.outcome) {
                case Outcome::BIG:
                    ++count[0];
                    break;
                case Outcome::REG:
                    ++count[1];
                    break;
                case Outcome::CHERRY:
                    ++count[2];
                    break;
                case Outcome::BELL:
                    ++count[3];
                    break;
                case Outcome::BENTO:
                    ++count[4];
                    break;
                case Outcome::REPLAY:
                    ++count[5];
                    break;
                case Outcome::PURE_MISS:
                    ++count[6];
                    break;
                case Outcome::CHANCE:
                    ++count[7];
                    break;
                default:
                    break;
            }
        }
        SettingValues logLikelihood{};
        for (int s = 0; s < 6; ++s)
            for (int k = 0; k < 8; ++k) {
                const double mean = rate[s][k] * games;
                logLikelihood[s] += count[k] * std::log(mean) - mean;
            }
        return *::Posterior(logLikelihood, FLAT_PRIOR);
    }

private:
    std::array<std::array<double, 8>, 6> rate{};
};

struct Score {
    explicit Score(const char* scoreName) : name(scoreName) {}
    const char* name;
    std::vector<double> logLoss;
    int correct = 0;
    // Calibration: per bin of predicted probability, sum of p, sum of p(1-p), hits, count.
    std::array<double, 10> sumP{}, sumVar{};
    std::array<int, 10> hits{}, count{};

    void Add(const SettingValues& posterior, int truth)
    {
        logLoss.push_back(-std::log(std::max(posterior[truth - 1], 1e-300)));
        if (MostLikelySetting(posterior) == truth) ++correct;
        for (int s = 1; s <= 6; ++s) {
            const double p = posterior[s - 1];
            const int bin = std::min(9, static_cast<int>(p * 10));
            sumP[bin] += p;
            sumVar[bin] += p * (1 - p);
            count[bin] += 1;
            hits[bin] += s == truth ? 1 : 0;
        }
    }
    double Mean() const
    {
        double sum = 0;
        for (double v : logLoss) sum += v;
        return sum / static_cast<double>(logLoss.size());
    }
    double StandardError() const
    {
        const double mean = Mean();
        double sum = 0;
        for (double v : logLoss) sum += (v - mean) * (v - mean);
        const double n = static_cast<double>(logLoss.size());
        return std::sqrt(sum / (n - 1) / n);
    }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3000;
    const int plays = argc > 2 ? std::atoi(argv[2]) : 8000;
    const int longRuns = argc > 3 ? std::atoi(argv[3]) : 200;
    const int longPlays = argc > 4 ? std::atoi(argv[4]) : 300000;

    RandomSource random;
    random.Seed(20261210);
    Slot slot(random);
    const PoissonBaseline baseline;
    Score hall("hall"), record("record"), poisson("Poisson baseline");
    std::array<int, 6> perSetting{};
    int headerDiffers = 0;
    PlaySeries series, reread;
    for (int run = 0; run < runs; ++run) {
        if (!RunSingle(slot, random, plays, SettingChoice{true, 0}, series)) std::abort();
        const int truth = slot.GetSetting();
        ++perSetting[truth - 1];
        const SettingEstimate h = EstimateSetting(series.Rows(), Evidence::Hall);
        const SettingEstimate r = EstimateSetting(series.Rows(), Evidence::Record);
        if (!h.Ok() || !r.Ok()) {
            std::fprintf(stderr, "run %d: %s %s\n", run, h.status.Message().c_str(),
                         r.status.Message().c_str());
            return 1;
        }
        hall.Add(h.posterior, truth);
        record.Add(r.posterior, truth);
        poisson.Add(baseline.Posterior(series), truth);

        // The same run in a file whose header names the next setting.
        const std::string bytes = EncodeSimFile(truth % 6 + 1, plays, series);
        if (!ReadSimBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), reread).Ok())
            std::abort();
        const SettingEstimate hw = EstimateSetting(reread.Rows(), Evidence::Hall);
        const SettingEstimate rw = EstimateSetting(reread.Rows(), Evidence::Record);
        if (hw.logLikelihood != h.logLikelihood || rw.logLikelihood != r.logLikelihood) ++headerDiffers;
    }

    std::printf("## %d runs of %d games, setting drawn uniformly\n\n", runs, plays);
    std::printf("Runs per setting: %d %d %d %d %d %d\n\n", perSetting[0], perSetting[1], perSetting[2],
                perSetting[3], perSetting[4], perSetting[5]);
    std::printf("| evidence | mean log-loss | standard error | accuracy |\n|---|---|---|---|\n");
    for (const Score* score : {&poisson, &hall, &record})
        std::printf("| %s | %.4f | %.4f | %.1f%% |\n", score->name, score->Mean(), score->StandardError(),
                    100.0 * score->correct / runs);
    std::printf("\n(a flat guess scores log 6 = %.4f)\n", std::log(6.0));
    std::vector<double> hallMinusBase, recordMinusHall;
    for (int i = 0; i < runs; ++i) {
        hallMinusBase.push_back(hall.logLoss[i] - poisson.logLoss[i]);
        recordMinusHall.push_back(record.logLoss[i] - hall.logLoss[i]);
    }
    for (const auto& [label, diff] :
         {std::pair{"hall − baseline", &hallMinusBase}, {"record − hall", &recordMinusHall}}) {
        double mean = 0, var = 0;
        for (double v : *diff) mean += v;
        mean /= runs;
        for (double v : *diff) var += (v - mean) * (v - mean);
        std::printf("Paired difference %s: %.4f ± %.4f (one standard error)\n", label, mean,
                    std::sqrt(var / (runs - 1) / runs));
    }

    for (const Score* score : {&hall, &record, &poisson}) {
        std::printf(
            "\n### Calibration, %s\n\n| predicted | n | mean predicted | observed | z "
            "|\n|---|---|---|---|---|\n",
            score->name);
        for (int b = 0; b < 10; ++b) {
            if (score->count[b] == 0) continue;
            const double mean = score->sumP[b] / score->count[b];
            const double observed = static_cast<double>(score->hits[b]) / score->count[b];
            const double z =
                score->sumVar[b] > 0 ? (score->hits[b] - score->sumP[b]) / std::sqrt(score->sumVar[b]) : 0;
            std::printf("| %d–%d%% | %d | %.4f | %.4f | %+.2f |\n", b * 10, b * 10 + 10, score->count[b],
                        mean, observed, z);
        }
    }

    std::printf(
        "\n## Games until the true setting's posterior first exceeds 0.9 (%d runs of up to %d games)\n\n",
        longRuns, longPlays);
    std::printf("| setting | evidence | median games | runs that never got there |\n|---|---|---|---|\n");
    for (int truth : {1, 6})
        for (Evidence evidence : {Evidence::Hall, Evidence::Record}) {
            std::vector<double> reached;
            int never = 0;
            RandomSource longRandom;
            longRandom.Seed(static_cast<std::uint32_t>(1000 + truth));
            Slot longSlot(longRandom);
            for (int run = 0; run < longRuns; ++run) {
                if (!RunSingle(longSlot, longRandom, longPlays, SettingChoice{false, truth}, series))
                    std::abort();
                const SettingEstimate e = EstimateSetting(series.Rows(), evidence, FLAT_PRIOR, true);
                double first = -1;
                for (const PosteriorPoint& point : e.path)
                    if (point.posterior[truth - 1] > 0.9) {
                        first = point.playCount;
                        break;
                    }
                if (first < 0) {
                    ++never;
                    first = 1e18;  // beyond any run: counts as "later" for the median
                }
                reached.push_back(first);
            }
            const double median = Median(reached);
            if (median >= 1e18)
                std::printf("| %d | %s | > %d | %d |\n", truth, EvidenceName(evidence), longPlays, never);
            else
                std::printf("| %d | %s | %.0f | %d |\n", truth, EvidenceName(evidence), median, never);
        }

    std::printf(
        "\n## Wrong header\n\n%d of %d runs give a different likelihood when the file's header names a "
        "wrong setting (both evidences).\n",
        headerDiffers, runs);
    return 0;
}
