// Checks the theory against the machine itself: long runs of the real Slot
// with batch-means standard errors, fresh runs for the start-up offset, and
// the coverage of the 95 % band. Not a test: it plays billions of games.
//
//   mirvosim-verify-theory figures S GAMES [BATCHES]   every figure, one long run
//   mirvosim-verify-theory offset S N RUNS              c from fresh runs of N games
//   mirvosim-verify-theory band S N RUNS                share of runs inside the band
//   mirvosim-verify-theory tables                       the weight tables as JSON
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "slot/Slot.h"
#include "theory/Theory.h"

namespace {

constexpr std::uint32_t SEED = 20261210u;

// Counts of one batch, gathered as the display counts them.
struct Counts {
    double games = 0, medals = 0;
    double normal[Outcome::REG + 1]{};      // outcome code 1..8 in normal games
    double bonus[OUTCOME_COUNT]{};          // outcome code in bonus games
    double trigger[CHAIN_TRIGGER_COUNT]{};  // chain trigger 1..7
    double stay[MODE_COUNT]{};
    double regular = 0, chained = 0, preSign[PRE_SIGN_KIND_COUNT]{};
    double firstBig = 0, bigMedals = 0, regMedals = 0, bigLines = 0, regLines = 0;
};

// A figure as a ratio of two batch sums: value = Σa / Σb, its standard error
// by the delta method over the batches.
struct Figure {
    std::string name;
    double (*a)(const Counts&);
    double (*b)(const Counts&);
    double scale;  // value = scale × Σa / Σb
    double theory;
};

void Fresh(Slot& slot, int setting)
{
    slot.outcome = Outcome::NONE;  // no replay and no pre-sign mark carried over from the run before
    slot.preSignBlue = 0;
    slot.SetSetting(setting);
    slot.Reset();
}

// Plays `games` normal games from a fresh machine, in batches of equal length.
std::vector<Counts> Play(int setting, std::int64_t games, int batches)
{
    RandomSource random;
    random.Seed(SEED + setting);
    Slot slot(random);
    Fresh(slot, setting);
    std::vector<Counts> out(batches);
    const std::int64_t perBatch = games / batches;
    int releaseMedals = 0, releaseKind = 0;
    int previousMedals = 0;
    for (int k = 0; k < batches; ++k) {
        Counts& c = out[k];
        for (std::int64_t g = 0; g < perBatch;) {
            // playCount and medals would overflow 32 bits; the machine reads neither.
            if (slot.playCount > 2000000000) slot.playCount = 0;
            if (slot.medals > 1000000000 || slot.medals < -1000000000) {
                const int shift = slot.medals;
                slot.medals -= shift;
                previousMedals -= shift;
                releaseMedals -= shift;
            }
            slot.Play();
            c.medals += slot.medals - previousMedals;
            previousMedals = slot.medals;
            if (slot.bonusGame == 0) {
                ++g;
                c.games += 1;
                if (slot.outcome >= Outcome::CHERRY && slot.outcome <= Outcome::REG)
                    c.normal[slot.outcome] += 1;
                if (slot.mode >= 0 && slot.mode < MODE_COUNT) c.stay[slot.mode] += 1;
                if (slot.outcome == Outcome::BIG || slot.outcome == Outcome::REG) {
                    if (slot.preSign != PreSignKind::NONE)
                        c.preSign[slot.preSign] += 1;
                    else if (slot.gamesSinceBonus == 1)
                        c.chained += 1;
                    else
                        c.regular += 1;
                    if (slot.outcome == Outcome::BIG &&
                        !(slot.preSign == PreSignKind::NONE && slot.gamesSinceBonus == 1))
                        c.firstBig += 1;
                    releaseMedals = slot.medals;
                    releaseKind = slot.outcome;
                }
            } else {
                if (slot.outcome < OUTCOME_COUNT) c.bonus[slot.outcome] += 1;
                if (slot.chainTrigger > ChainTrigger::NONE && slot.chainTrigger < CHAIN_TRIGGER_COUNT)
                    c.trigger[slot.chainTrigger] += 1;
                if (slot.bonusEnd) {
                    const double got = slot.medals - releaseMedals + PAYOUT_RELEASE;
                    if (releaseKind == Outcome::BIG) {
                        c.bigMedals += got;
                        c.bigLines += 1;
                    } else {
                        c.regMedals += got;
                        c.regLines += 1;
                    }
                }
            }
        }
    }
    return out;
}

double Sd(double sum, double sum2, double n)
{
    return std::sqrt((sum2 / n - (sum / n) * (sum / n)) * n / (n - 1));
}

int Figures(int setting, std::int64_t games, int batches)
{
    const SettingTheory t = ComputeTheory(setting);
    const std::vector<Counts> run = Play(setting, games, batches);
    std::vector<Figure> figures = {
        {"payout_percent", [](const Counts& c) { return c.medals + 3 * c.games; },
         [](const Counts& c) { return 3 * c.games; }, 100, t.payoutPercent},
        {"big_odds", [](const Counts& c) { return c.games; },
         [](const Counts& c) { return c.normal[Outcome::BIG]; }, 1, t.bigOdds},
        {"reg_odds", [](const Counts& c) { return c.games; },
         [](const Counts& c) { return c.normal[Outcome::REG]; }, 1, t.regOdds},
        {"bonus_odds", [](const Counts& c) { return c.games; },
         [](const Counts& c) { return c.normal[Outcome::BIG] + c.normal[Outcome::REG]; }, 1, t.bonusOdds},
        {"first_big_odds", [](const Counts& c) { return c.games; },
         [](const Counts& c) { return c.firstBig; }, 1, t.firstBigOdds},
        {"medals_per_big", [](const Counts& c) { return c.bigMedals; },
         [](const Counts& c) { return c.bigLines; }, 1, t.medalsPerBig},
        {"medals_per_reg", [](const Counts& c) { return c.regMedals; },
         [](const Counts& c) { return c.regLines; }, 1, t.medalsPerReg},
    };
    using Get = double (*)(const Counts&);
    struct Cell {
        Get a, b;
    };
    const Get games_ = [](const Counts& c) { return c.games; };
    const Cell cells[4][7] = {
        {{[](const Counts& c) { return c.trigger[ChainTrigger::CHERRY]; },
          [](const Counts& c) { return c.bonus[Outcome::CHERRY]; }},
         {[](const Counts& c) { return c.trigger[ChainTrigger::BENTO]; },
          [](const Counts& c) { return c.bonus[Outcome::BENTO]; }},
         {[](const Counts& c) { return c.trigger[ChainTrigger::BELL]; },
          [](const Counts& c) { return c.bonus[Outcome::BELL]; }},
         {[](const Counts& c) { return c.trigger[ChainTrigger::JAC_IN]; },
          [](const Counts& c) { return c.bonus[Outcome::JAC_IN]; }},
         {nullptr, nullptr},
         {nullptr, nullptr},
         {nullptr, nullptr}},
        {{[](const Counts& c) { return c.normal[Outcome::CHERRY]; }, games_},
         {[](const Counts& c) { return c.normal[Outcome::BELL]; }, games_},
         {[](const Counts& c) { return c.normal[Outcome::BENTO]; }, games_},
         {[](const Counts& c) { return c.normal[Outcome::REPLAY]; }, games_},
         {[](const Counts& c) { return c.normal[Outcome::PURE_MISS]; }, games_},
         {[](const Counts& c) { return c.normal[Outcome::CHANCE]; }, games_}},
        {{[](const Counts& c) { return c.stay[Mode::MODE_1]; }, games_},
         {[](const Counts& c) { return c.stay[Mode::MODE_2]; }, games_},
         {[](const Counts& c) { return c.stay[Mode::MODE_3]; }, games_}},
        {{nullptr, nullptr},
         {[](const Counts& c) { return c.preSign[PreSignKind::CHERRY]; },
          [](const Counts& c) { return c.normal[Outcome::CHERRY]; }},
         {[](const Counts& c) { return c.preSign[PreSignKind::BENTO]; },
          [](const Counts& c) { return c.normal[Outcome::BENTO]; }},
         {[](const Counts& c) { return c.preSign[PreSignKind::PURE_MISS]; },
          [](const Counts& c) { return c.normal[Outcome::PURE_MISS]; }},
         {[](const Counts& c) { return c.preSign[PreSignKind::CHANCE]; },
          [](const Counts& c) { return c.normal[Outcome::CHANCE]; }},
         {[](const Counts& c) { return c.chained; }, [](const Counts& c) { return c.normal[Outcome::BIG]; }}},
    };
    for (int k = 0; k < 4; ++k)
        for (std::size_t i = 0; i < t.tables[k].lines.size(); ++i)
            if (cells[k][i].a) {
                const auto& line = t.tables[k].lines[i];
                figures.push_back(
                    {t.tables[k].caption + " " + line.name, cells[k][i].a, cells[k][i].b, 1, *line.rate});
            }
    const Get releases = [](const Counts& c) { return c.normal[Outcome::BIG] + c.normal[Outcome::REG]; };
    const Get shares[6] = {[](const Counts& c) { return c.regular; },
                           [](const Counts& c) { return c.preSign[PreSignKind::CHERRY]; },
                           [](const Counts& c) { return c.preSign[PreSignKind::BENTO]; },
                           [](const Counts& c) { return c.preSign[PreSignKind::PURE_MISS]; },
                           [](const Counts& c) { return c.preSign[PreSignKind::CHANCE]; },
                           [](const Counts& c) { return c.chained; }};
    for (int i = 0; i < 6; ++i)
        figures.push_back({"share " + t.tables[RT_CANCEL_TABLE].lines[i].name, shares[i], releases, 1,
                           *t.tables[RT_CANCEL_TABLE].lines[i].shareOfReleases});

    std::printf("setting %d: %lld games in %d batches\n", setting, static_cast<long long>(games), batches);
    std::printf("%-28s %20s %20s %12s %8s\n", "figure", "simulated", "theory", "SE", "diff/SE");
    double worst = 0;
    const double k = batches;
    for (const Figure& f : figures) {
        double sa = 0, sb = 0;
        for (const Counts& c : run) {
            sa += f.a(c);
            sb += f.b(c);
        }
        const double ratio = sa / sb;
        double r2 = 0;
        for (const Counts& c : run) {
            const double r = f.a(c) - ratio * f.b(c);
            r2 += r * r;
        }
        const double se = f.scale * std::sqrt(r2 / (k * (k - 1))) / (sb / k);
        const double value = f.scale * ratio;
        const double z = (value - f.theory) / se;
        worst = std::fmax(worst, std::fabs(z));
        std::printf("%-28s %20.12g %20.12g %12.4g %8.2f\n", f.name.c_str(), value, f.theory, se, z);
    }
    // σ from the batch sums of the balance: Var(balance of n games) / n.
    double total = 0, totalGames = 0;
    for (const Counts& c : run) {
        total += c.medals;
        totalGames += c.games;
    }
    const double mu = total / totalGames;
    double s2 = 0;
    for (const Counts& c : run) s2 += (c.medals - mu * c.games) * (c.medals - mu * c.games) / c.games;
    const double sigma = std::sqrt(s2 / (k - 1));
    const double seSigma = sigma / std::sqrt(2 * (k - 1));
    const double z = (sigma - t.balanceSdPerGame) / seSigma;
    worst = std::fmax(worst, std::fabs(z));
    std::printf("%-28s %20.12g %20.12g %12.4g %8.2f\n", "balance_sd_per_game", sigma, t.balanceSdPerGame,
                seSigma, z);
    std::printf("largest |diff/SE|: %.2f\n", worst);
    return worst <= 4 ? 0 : 1;
}

int Offset(int setting, int n, int runs)
{
    const SettingTheory t = ComputeTheory(setting);
    RandomSource random;
    random.Seed(SEED + 100 + setting + n);
    Slot slot(random);
    double sum = 0, sum2 = 0;
    for (int r = 0; r < runs; ++r) {
        Fresh(slot, setting);
        while (slot.playCount < n) slot.Play();
        const double b = slot.medals;
        sum += b;
        sum2 += b * b;
    }
    const double mean = sum / runs;
    const double se = Sd(sum, sum2, runs) / std::sqrt(runs);
    const double c = mean - n * t.balancePerGame;
    const double z = (c - t.freshStartOffset) / se;
    std::printf(
        "setting %d, %d runs of %d games: mean balance %.3f, Nμ %.3f, simulated c %.3f, theory c %.3f, "
        "SE %.3f, diff/SE %.2f; SD of the balance %.2f, σ√N %.2f\n",
        setting, runs, n, mean, n * t.balancePerGame, c, t.freshStartOffset, se, z, Sd(sum, sum2, runs),
        t.balanceSdPerGame * std::sqrt(n));
    return std::fabs(z) <= 4 ? 0 : 1;
}

int Band(int setting, int n, int runs)
{
    const SettingTheory t = ComputeTheory(setting);
    const TheoryBand band = t.PayoutBand(n);
    RandomSource random;
    random.Seed(SEED + 200 + setting + n);
    Slot slot(random);
    int inside = 0, below = 0;
    for (int r = 0; r < runs; ++r) {
        Fresh(slot, setting);
        while (slot.playCount < n) slot.Play();
        const double payout = (slot.medals + 3.0 * n) / (3.0 * n) * 100;
        if (payout < band.low)
            ++below;
        else if (payout <= band.high)
            ++inside;
    }
    const double share = 100.0 * inside / runs;
    std::printf(
        "setting %d, N %d, %d runs: band %.4f..%.4f %%, inside %.2f %%, below %.2f %%, above %.2f %%\n",
        setting, n, runs, band.low, band.high, share, 100.0 * below / runs,
        100.0 * (runs - inside - below) / runs);
    return share >= 93 && share <= 97 ? 0 : 1;
}

void Put(nlohmann::ordered_json& out, const char* name, const Rate_TBL<int>& table)
{
    out[name] = std::vector<int>(table.begin(), table.end());
}

int Tables()
{
    RandomSource random;
    const Slot s(random);
    nlohmann::ordered_json out;
    for (int k = 0; k < 6; ++k) {
        const std::string i = std::to_string(k);
        Put(out, ("roleRate" + i).c_str(), s.roleRate[k]);
        Put(out, ("bonusFlagRate" + i).c_str(), s.bonusFlagRate[k]);
        Put(out, ("chancePreSignRate0_" + i).c_str(), s.chancePreSignRate[0][k]);
        Put(out, ("chancePreSignRate1_" + i).c_str(), s.chancePreSignRate[1][k]);
        Put(out, ("bonusKindRateMode0_" + i).c_str(), s.bonusKindRateMode0[k]);
        Put(out, ("bonusKindRateMode2_" + i).c_str(), s.bonusKindRateMode2[k]);
        Put(out, ("modeRateFrom0_" + i).c_str(), s.modeRateFrom0[k]);
        Put(out, ("modeRateFrom2_" + i).c_str(), s.modeRateFrom2[k]);
        Put(out, ("modeAfterPreSignRateFrom0_" + i).c_str(), s.modeAfterPreSignRateFrom0[k]);
    }
    for (int b = 0; b < 2; ++b) {
        const std::string i = std::to_string(b);
        Put(out, ("cherryPreSignRate" + i).c_str(), s.cherryPreSignRate[b]);
        Put(out, ("bentoPreSignRate" + i).c_str(), s.bentoPreSignRate[b]);
        Put(out, ("pureMissPreSignRate" + i).c_str(), s.pureMissPreSignRate[b]);
        Put(out, ("preSignLengthRate" + i).c_str(), s.preSignLengthRate[b]);
    }
    for (int m = 0; m < 3; ++m) Put(out, ("bigColorRate" + std::to_string(m)).c_str(), s.bigColorRate[m]);
    for (int r = 0; r < 4; ++r) Put(out, ("rtRate" + std::to_string(r)).c_str(), s.rtRate[r]);
    Put(out, "bonusKindRateMode1", s.bonusKindRateMode1);
    Put(out, "modeRateFrom1", s.modeRateFrom1);
    Put(out, "modeAfterPreSignRateFrom1", s.modeAfterPreSignRateFrom1);
    Put(out, "modeAfterPreSignRateFrom2", s.modeAfterPreSignRateFrom2);
    Put(out, "bigRoleRate", s.bigRoleRate);
    Put(out, "jacRate", s.jacRate);
    Put(out, "chainCherryRate", s.chainCherryRate);
    Put(out, "chainBentoRate", s.chainBentoRate);
    Put(out, "chainBellRateRed", s.chainBellRateRed);
    Put(out, "chainBellRateBlue", s.chainBellRateBlue);
    Put(out, "chainJacInRate", s.chainJacInRate);
    const MachineRules& rules = s.Rules();
    out["rtClassBase"] = rules.rtClassBase;
    out["rtClassSpan"] = rules.rtClassSpan;
    nlohmann::ordered_json& r = out["rules"];
    r["preSignMinRtCount"] = rules.preSignMinRtCount;
    r["bigSmallRoleGames"] = rules.bigSmallRoleGames;
    r["jacSetGames"] = rules.jacSetGames;
    r["bigJacSets"] = rules.bigJacSets;
    r["lastJacInGame"] = rules.lastJacInGame;
    r["preSignGames"] = rules.preSignGames;
    r["preSignMarkClass"] = rules.preSignMarkClass;
    r["rtTable"] = rules.rtTable;
    r["preSignBlock"] = rules.preSignBlock;
    for (const PreSignStart& start : rules.preSignOfRole)
        r["preSignOfRole"].push_back({start.kind, start.lengthKind, start.blueMark});
    std::puts(out.dump().c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    auto arg = [&](int i, long long fallback) { return argc > i ? std::atoll(argv[i]) : fallback; };
    if (what == "figures")
        return Figures(static_cast<int>(arg(2, 1)), arg(3, 1000000000), static_cast<int>(arg(4, 10000)));
    if (what == "offset")
        return Offset(static_cast<int>(arg(2, 1)), static_cast<int>(arg(3, 8000)),
                      static_cast<int>(arg(4, 100000)));
    if (what == "band")
        return Band(static_cast<int>(arg(2, 1)), static_cast<int>(arg(3, 8000)),
                    static_cast<int>(arg(4, 10000)));
    if (what == "tables") return Tables();
    std::fputs(
        "usage: mirvosim-verify-theory figures S [GAMES [BATCHES]] | offset S N RUNS | band S N RUNS | "
        "tables\n",
        stderr);
    return 2;
}
