#include "estimate/SettingEstimate.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "estimate/MachineLaws.h"
#include "theory/Theory.h"

namespace {

constexpr double NEG_INF = -std::numeric_limits<double>::infinity();
constexpr int SETTINGS = MachineLaws::SETTINGS;
constexpr int MODES = MachineLaws::MODES;

// Adds two probabilities held as natural logs. A run's probability underflows
// every floating type long before 10^7 games, so it never leaves log space;
// the larger term is factored out so exp cannot overflow, and an impossible
// term (-infinity) is handled before it can turn into NaN.
double LogAdd(double a, double b) noexcept
{
    if (a == NEG_INF) return b;
    if (b == NEG_INF) return a;
    if (a < b) std::swap(a, b);
    return a + std::log1p(std::exp(b - a));
}

double LogOf(double p) noexcept
{
    return p > 0 ? std::log(p) : NEG_INF;
}

// n × log p with 0 × log 0 = 0: a role never seen costs nothing even where it
// is impossible.
double Times(std::int64_t n, double logP) noexcept
{
    return n == 0 ? 0 : static_cast<double>(n) * logP;
}

// Neumaier's compensated sum: the per-bonus scale factors of a long run add up
// to millions, and plain addition would lose the digits that tell settings
// apart.
class CompensatedSum {
public:
    void Add(double x) noexcept
    {
        const double t = sum + x;
        correction += std::abs(sum) >= std::abs(x) ? (sum - t) + x : (x - t) + sum;
        sum = t;
    }
    double Value() const noexcept { return sum + correction; }

private:
    double sum = 0;
    double correction = 0;
};

// "a third JAC-in before the 20th game" with the machine's rules.
std::string LastJacInTooEarly(const MachineRules& rules)
{
    static constexpr const char* ORDINAL[] = {"first", "second", "third", "fourth", "fifth"};
    const int sets = rules.bigJacSets;
    const std::string which = sets <= 5 ? ORDINAL[sets - 1] : std::to_string(sets) + "th";
    const int game = rules.lastJacInGame;
    const int tens = game % 100 / 10, ones = game % 10;
    const char* suffix = tens == 1 ? "th" : ones == 1 ? "st" : ones == 2 ? "nd" : ones == 3 ? "rd" : "th";
    return "a " + which + " JAC-in before the " + std::to_string(game) + suffix + " game";
}

// What is pending when a normal phase begins: a fresh RT count, or a 1G連
// decided in the bonus before with its colour.
enum Pending { FRESH = 0, CHAIN_RED = 1, CHAIN_BLUE = 2, PENDING_COUNT = 3 };

using ModeState = std::array<std::array<double, PENDING_COUNT>, MODES>;  // logs

// The normal games since the last bonus (or the run's start).
struct Phase {
    std::vector<std::int8_t> role{0};  // role[t], t = 1..n
    std::vector<std::array<std::int32_t, PRE_SIGN_KIND_COUNT - 1>> cum{
        {}};            // pre-sign roles of kind 1..4 in games 1..t
    int mode = -1;      // Record: the mode column
    int preSignAt = 0;  // Record: first game showing a pre-sign
    int preSignKind = PreSignKind::NONE;

    int Games() const noexcept { return static_cast<int>(role.size()) - 1; }
    void Clear()
    {
        role.resize(1);
        cum.resize(1);
        mode = -1;
        preSignAt = 0;
        preSignKind = PreSignKind::NONE;
    }
    // r: the role, k: the pre-sign kind it can start.
    void Add(int r, int k)
    {
        role.push_back(static_cast<std::int8_t>(r));
        auto counts = cum.back();
        if (k != PreSignKind::NONE) ++counts[k - 1];
        cum.push_back(counts);
    }
};

}  // namespace

class LikelihoodPass::Impl {
public:
    Impl(const MachineLaws& machineLaws, Evidence evidence, bool keepPath)
        : laws(machineLaws),
          rules(machineLaws.rules),
          record(evidence == Evidence::Record),
          withPath(keepPath)
    {
        for (auto& state : alpha)
            for (auto& byMode : state) byMode.fill(NEG_INF);
        for (auto& state : alpha) state[Mode::MODE_1][FRESH] = 0;  // a fresh machine starts in mode 1
    }

    bool Add(const PlayRow& row);
    SeriesLikelihood Finish();

private:
    bool Fail(std::size_t row, const std::string& why);
    bool NormalRow(std::size_t index, const PlayRow& row);
    bool BonusRow(std::size_t index, const PlayRow& row);
    bool Release(std::size_t index, int kind, int colour, bool mark);
    bool EndBonus(std::size_t index);
    void Decide(double pNone, double pRed, double pBlue, int mode, bool seen, bool decided);
    SettingValues Total() const;
    double PrefixLog(int s, int m, int upTo) const noexcept;
    double KindLog(int s, int m, int kind, int colour, bool mark) const noexcept;
    double OpenPhaseLog(int s, int m) const noexcept;
    double Constants(int s) const noexcept;

    const MachineLaws& laws;
    const MachineRules& rules;
    const bool record;
    const bool withPath;

    std::array<ModeState, SETTINGS> alpha{};
    std::array<CompensatedSum, SETTINGS> scale{};
    Phase phase;
    std::int64_t normalGames = 0;
    std::array<std::int64_t, MachineLaws::ROLES> roleCount{};
    std::array<std::int64_t, MachineLaws::BIG_ROLES> bigRoleCount{};
    std::int64_t jacWon = 0;
    std::int64_t jacMissed = 0;

    // The bonus under way.
    bool inBonus = false;
    int bonusKind = BonusKind::NONE;
    int bigColour = 0;
    int bonusGame = 0;
    int jacGames = 0;
    int jacInCount = 0;
    bool inJac = false;
    int nextMode = -1;  // Record: the mode column of the bonus's last game
    // Released at [setting][mode][by a pre-sign], as logs.
    std::array<std::array<std::array<double, 2>, MODES>, SETTINGS> released{};
    // 1G連 status so far in the bonus per mode: none, red, blue (probabilities;
    // a bonus is short enough that they cannot underflow).
    std::array<std::array<double, 3>, MODES> chain{};

    SeriesLikelihood result;
    std::size_t rowIndex = 0;
    bool ok = true;
};

bool LikelihoodPass::Impl::Fail(std::size_t row, const std::string& why)
{
    result.impossible = "row " + std::to_string(row + 1) + ": " + why;
    return false;
}

double LikelihoodPass::Impl::PrefixLog(int s, int m, int upTo) const noexcept
{
    if (upTo <= 0) return 0;
    const auto& counts = phase.cum[upTo];
    double sum = 0;
    for (int k = PreSignKind::CHERRY; k < MachineLaws::KINDS; ++k)
        sum += Times(counts[k - 1], laws.logNoPreSign[s][m][k]);
    return sum;
}

double LikelihoodPass::Impl::KindLog(int s, int m, int kind, int colour, bool mark) const noexcept
{
    if (kind == BonusKind::REG) return laws.logReg[s][m];
    const double colourLog = mark ? (colour == BigColor::BLUE ? 0 : NEG_INF) : laws.logColour[m][colour];
    return laws.logBig[s][m] + colourLog;
}

double LikelihoodPass::Impl::Constants(int s) const noexcept
{
    double sum = 0;
    for (int r = 0; r < MachineLaws::ROLES; ++r) sum += Times(roleCount[r], laws.logRole[s][r]);
    for (int r = 0; r < MachineLaws::BIG_ROLES; ++r) sum += Times(bigRoleCount[r], laws.logBigRole[r]);
    return sum + Times(jacWon, laws.logJacWon) + Times(jacMissed, laws.logJacMissed);
}

bool LikelihoodPass::Impl::NormalRow(std::size_t index, const PlayRow& row)
{
    ++normalGames;
    const int t = phase.Games() + 1;
    if (record) {
        if (row.mode < 0 || row.mode >= MODES)
            return Fail(index, "mode " + std::to_string(row.mode) + " does not exist");
        if (phase.mode < 0) phase.mode = row.mode;
        if (row.mode != phase.mode) return Fail(index, "the mode changes between two bonuses");
        if (row.preSign != PreSignKind::NONE) {
            if (row.preSign < PreSignKind::CHERRY || row.preSign >= PRE_SIGN_KIND_COUNT)
                return Fail(index, "pre-sign " + std::to_string(row.preSign) + " does not exist");
            if (phase.preSignAt == 0) {
                phase.preSignAt = t;
                phase.preSignKind = row.preSign;
            } else if (row.preSign != phase.preSignKind) {
                return Fail(index, "the pre-sign changes before its bonus");
            }
        } else if (phase.preSignAt != 0) {
            return Fail(index, "a pre-sign ends without a bonus");
        }
    }
    const int outcome = row.outcome;
    if (outcome >= 0 && outcome < MachineLaws::ROLES) {
        phase.Add(outcome, laws.preSignKind[outcome]);
        ++roleCount[outcome];
        return true;
    }
    if (outcome == Outcome::BIG || outcome == Outcome::REG) {
        const int kind = outcome == Outcome::BIG ? BonusKind::BIG : BonusKind::REG;
        if (kind == BonusKind::BIG && row.bigColor != BigColor::RED && row.bigColor != BigColor::BLUE)
            return Fail(index, "BIG colour " + std::to_string(row.bigColor) + " does not exist");
        // The release drops its game's role; a placeholder keeps t aligned.
        phase.Add(Outcome::NONE, PreSignKind::NONE);
        return Release(index, kind, kind == BonusKind::BIG ? row.bigColor : BigColor::RED,
                       record && row.preSignBlue != 0);
    }
    return Fail(index, "outcome " + std::to_string(outcome) + " cannot come in a normal game");
}

bool LikelihoodPass::Impl::Release(std::size_t index, int kind, int colour, bool mark)
{
    const int T = phase.Games();
    bool any = false;
    for (int s = 0; s < SETTINGS; ++s) {
        for (auto& byMode : released[s]) byMode.fill(NEG_INF);
        for (int m = 0; m < MODES; ++m) {
            if (record && m != phase.mode) continue;
            const auto& a = alpha[s][m];
            // A 1G連 decided in the bonus before releases its BIG in the first game.
            if (T == 1 && kind == BonusKind::BIG)
                released[s][m][0] =
                    LogAdd(released[s][m][0], a[colour == BigColor::RED ? CHAIN_RED : CHAIN_BLUE]);
            any = any || released[s][m][0] != NEG_INF;
            if (a[FRESH] == NEG_INF) continue;
            const int minRt = rules.preSignMinRtCount;
            // The RT count ran out: no pre-sign began while minRt or more games remained.
            if (!record || phase.preSignAt == 0) {
                const double v =
                    laws.LogRtAt(s, m, T) + PrefixLog(s, m, T - minRt) + KindLog(s, m, kind, colour, mark);
                released[s][m][0] = LogAdd(released[s][m][0], a[FRESH] + v);
            }
            // A pre-sign began L games before, with minRt or more games still to go.
            for (std::size_t li = 0; li < laws.preSignGames.size(); ++li) {
                const int t0 = T - laws.preSignGames[li];
                if (t0 < 1) continue;
                const int k = laws.preSignKind[phase.role[t0]];
                if (k == PreSignKind::NONE) continue;
                if (record && (phase.preSignAt != t0 || phase.preSignKind != k)) continue;
                const double base =
                    laws.LogRtAtLeast(s, m, t0 + minRt) + PrefixLog(s, m, t0 - 1) + laws.logPreSign[s][m][k];
                for (int setsMark = 0; setsMark < 2; ++setsMark) {
                    const double length = laws.logLength[k][li][setsMark];
                    if (length == NEG_INF) continue;
                    if (record && setsMark && !mark) continue;
                    const bool blue = record ? mark : setsMark != 0;
                    released[s][m][1] = LogAdd(released[s][m][1],
                                               a[FRESH] + base + length + KindLog(s, m, kind, colour, blue));
                }
            }
            any = any || released[s][m][0] != NEG_INF || released[s][m][1] != NEG_INF;
        }
    }
    if (!any) return Fail(index, "no setting releases this bonus in this game");

    inBonus = true;
    bonusKind = kind;
    bigColour = colour;
    bonusGame = 0;
    jacGames = 0;
    jacInCount = 0;
    inJac = kind == BonusKind::REG;
    nextMode = -1;
    for (auto& c : chain) c = {1, 0, 0};
    return true;
}

void LikelihoodPass::Impl::Decide(double pNone, double pRed, double pBlue, int m, bool seen, bool decided)
{
    auto& [none, red, blue] = chain[m];
    if (!seen) {
        // A blue colour once decided stays; a red one gives way to blue.
        blue = blue + (none + red) * pBlue;
        red = red * (pNone + pRed) + none * pRed;
        none = none * pNone;
    } else if (decided) {
        blue = blue * (pRed + pBlue) + (none + red) * pBlue;
        red = (none + red) * pRed;
        none = 0;
    } else {
        none *= pNone;
        red *= pNone;
        blue *= pNone;
    }
}

bool LikelihoodPass::Impl::BonusRow(std::size_t index, const PlayRow& row)
{
    const int outcome = row.outcome;
    bool ends = false;
    if (bonusKind == BonusKind::BIG && !inJac) {
        ++bonusGame;
        const bool lastTooEarly = jacInCount == rules.bigJacSets - 1 && bonusGame < rules.lastJacInGame;
        int role = BigRole::NONE;
        bool jacIn = false;
        switch (outcome) {
            case Outcome::JAC_IN:
                if (lastTooEarly) return Fail(index, LastJacInTooEarly(rules));
                role = BigRole::JAC_IN;
                jacIn = true;
                break;
            case Outcome::NONE:
                if (!lastTooEarly) return Fail(index, "a JAC-in not taken that must be");
                role = BigRole::JAC_IN;
                break;
            case Outcome::CHERRY:
                role = BigRole::CHERRY;
                break;
            case Outcome::BELL:
                role = BigRole::BELL;
                break;
            case Outcome::BENTO:
                role = BigRole::BENTO;
                break;
            case Outcome::CHANCE:
                role = BigRole::CHANCE;
                break;
            default:
                return Fail(index,
                            "outcome " + std::to_string(outcome) + " cannot come in a BIG's small-role game");
        }
        ++bigRoleCount[role];
        const bool decided = record && row.chainTrigger != ChainTrigger::NONE;
        // A small role's trigger has the role's code.
        if (decided && row.chainTrigger != role)
            return Fail(index,
                        "1G連 trigger " + std::to_string(row.chainTrigger) + " does not match the game");
        const MachineLaws::Chain& c = laws.chain[role][bigColour];
        for (int m = 0; m < MODES; ++m)
            Decide(c.none, c.byLottery * laws.colour[m][BigColor::RED],
                   c.blue + c.byLottery * laws.colour[m][BigColor::BLUE], m, record, decided);
        if (jacIn) {
            ++jacInCount;
            inJac = true;
        }
        ends = bonusGame == rules.bigSmallRoleGames;
    } else {
        bonusGame = 1;
        ++jacGames;
        if (outcome == Outcome::JAC_WON) {
            ++jacWon;
            if (record && row.chainTrigger != ChainTrigger::NONE)
                return Fail(index, "a 1G連 trigger in a JAC game won");
        } else if (outcome == Outcome::JAC_MISSED) {
            ++jacMissed;
            if (record && row.chainTrigger != ChainTrigger::JAC_MISSED)
                return Fail(index, "a JAC game missed without its 1G連 trigger");
            for (int m = 0; m < MODES; ++m)
                Decide(0, laws.colour[m][BigColor::RED], laws.colour[m][BigColor::BLUE], m, record, true);
        } else {
            return Fail(index, "outcome " + std::to_string(outcome) + " cannot come in a JAC game");
        }
        if (bonusKind == BonusKind::BIG) {
            if (jacGames % rules.jacSetGames == 0) inJac = false;
            ends = jacGames == rules.BigJacGames();
        } else {
            ends = jacGames == rules.jacSetGames;
        }
    }
    if (record) {
        if (ends) {
            if (row.mode < 0 || row.mode >= MODES)
                return Fail(index, "mode " + std::to_string(row.mode) + " does not exist");
            nextMode = row.mode;
        } else if (row.mode != phase.mode) {
            return Fail(index, "the mode changes before the bonus ends");
        }
    }
    return ends ? EndBonus(index) : true;
}

bool LikelihoodPass::Impl::EndBonus(std::size_t index)
{
    inBonus = false;
    bool any = false;
    for (int s = 0; s < SETTINGS; ++s) {
        ModeState next;
        for (auto& byMode : next) byMode.fill(NEG_INF);
        for (int m = 0; m < MODES; ++m) {
            const double none = LogOf(chain[m][0]), red = LogOf(chain[m][1]), blue = LogOf(chain[m][2]);
            for (int p = 0; p < 2; ++p) {
                const double x = released[s][m][p];
                if (x == NEG_INF) continue;
                // No 1G連: the mode moves (by the pre-sign table after a pre-sign) and a fresh count follows.
                for (int to = 0; to < MODES; ++to)
                    next[to][FRESH] = LogAdd(next[to][FRESH], x + none + laws.logNextMode[s][m][p][to]);
                // A 1G連 keeps the mode.
                next[m][CHAIN_RED] = LogAdd(next[m][CHAIN_RED], x + red);
                next[m][CHAIN_BLUE] = LogAdd(next[m][CHAIN_BLUE], x + blue);
            }
        }
        if (record)
            for (int m = 0; m < MODES; ++m)
                if (m != nextMode) next[m].fill(NEG_INF);
        // Rescale so the state's largest entry is log 1 and keep the factor apart.
        double top = NEG_INF;
        for (const auto& byMode : next)
            for (double v : byMode) top = std::max(top, v);
        if (top != NEG_INF) {
            any = true;
            for (auto& byMode : next)
                for (double& v : byMode) v -= top;
            scale[s].Add(top);
        }
        alpha[s] = next;
    }
    phase.Clear();
    if (!any) return Fail(index, "no setting ends this bonus like this");
    if (withPath) {
        LikelihoodPoint point;
        point.playCount = static_cast<std::int32_t>(normalGames);
        point.logLikelihood = Total();
        result.path.push_back(point);
    }
    return true;
}

// The normal games after the last bonus, with no release in them yet.
double LikelihoodPass::Impl::OpenPhaseLog(int s, int m) const noexcept
{
    const int n = phase.Games();
    const int minRt = rules.preSignMinRtCount;
    double sum = NEG_INF;
    if (!record || phase.preSignAt == 0) {
        // The count runs past n: the pre-sign lottery ran while minRt or more games remained.
        for (int x = n + 1; x < n + minRt; ++x)
            sum = LogAdd(sum, laws.LogRtAt(s, m, x) + PrefixLog(s, m, x - minRt));
        sum = LogAdd(sum, laws.LogRtAtLeast(s, m, n + minRt) + PrefixLog(s, m, n));
    }
    // Or a pre-sign began whose release is still to come.
    const int longest = laws.preSignGames.empty() ? 0 : laws.preSignGames.back();
    for (int t0 = std::max(1, n - longest + 1); t0 <= n; ++t0) {
        const int k = laws.preSignKind[phase.role[t0]];
        if (k == PreSignKind::NONE) continue;
        if (record && (phase.preSignAt != t0 || phase.preSignKind != k)) continue;
        const double base =
            laws.LogRtAtLeast(s, m, t0 + minRt) + PrefixLog(s, m, t0 - 1) + laws.logPreSign[s][m][k];
        for (std::size_t li = 0; li < laws.preSignGames.size(); ++li) {
            if (t0 + laws.preSignGames[li] <= n) continue;
            for (int setsMark = 0; setsMark < 2; ++setsMark)
                sum = LogAdd(sum, base + laws.logLength[k][li][setsMark]);
        }
    }
    return sum;
}

SettingValues LikelihoodPass::Impl::Total() const
{
    SettingValues total;
    for (int s = 0; s < SETTINGS; ++s) {
        double hidden = NEG_INF;
        if (inBonus) {
            // The run stopped inside a bonus (or on its release): any 1G連 status.
            for (int m = 0; m < MODES; ++m) {
                const double c = LogOf(chain[m][0] + chain[m][1] + chain[m][2]);
                for (int p = 0; p < 2; ++p) hidden = LogAdd(hidden, released[s][m][p] + c);
            }
        } else if (phase.Games() > 0) {
            // A pending 1G連 would have released in the first game, so only a fresh count remains.
            for (int m = 0; m < MODES; ++m) {
                if (record && m != phase.mode) continue;
                if (alpha[s][m][FRESH] == NEG_INF) continue;
                hidden = LogAdd(hidden, alpha[s][m][FRESH] + OpenPhaseLog(s, m));
            }
        } else {
            for (const auto& byMode : alpha[s])
                for (double v : byMode) hidden = LogAdd(hidden, v);
        }
        total[s] = hidden == NEG_INF ? NEG_INF : scale[s].Value() + hidden + Constants(s);
    }
    return total;
}

bool LikelihoodPass::Impl::Add(const PlayRow& row)
{
    if (!ok) return false;
    if (withPath && rowIndex == 0) result.path.push_back(LikelihoodPoint{});
    const std::size_t i = rowIndex++;
    if (!inBonus) {
        ok = row.bonusGame == 0 ? NormalRow(i, row) : Fail(i, "a bonus game without a bonus");
    } else {
        ok = row.bonusGame != 0 ? BonusRow(i, row) : Fail(i, "a normal game before the bonus ended");
    }
    return ok;
}

SeriesLikelihood LikelihoodPass::Impl::Finish()
{
    result.normalGames = normalGames;
    if (!ok) {
        result.logLikelihood.fill(NEG_INF);
        result.path.clear();
        return std::move(result);
    }
    result.logLikelihood = Total();
    if (std::all_of(result.logLikelihood.begin(), result.logLikelihood.end(),
                    [](double v) { return v == NEG_INF; })) {
        result.impossible = rowIndex == 0 ? "no plays" : "no setting plays these games";
        result.path.clear();
        return std::move(result);
    }
    if (withPath && (inBonus || phase.Games() > 0 || result.path.back().playCount != normalGames))
        result.path.push_back(LikelihoodPoint{static_cast<std::int32_t>(normalGames), result.logLikelihood});
    return std::move(result);
}

LikelihoodPass::LikelihoodPass(Evidence evidence, bool withPath)
    : LikelihoodPass(MachineLaws::Get(), evidence, withPath)
{
}
LikelihoodPass::LikelihoodPass(const MachineLaws& laws, Evidence evidence, bool withPath)
    : impl(std::make_unique<Impl>(laws, evidence, withPath))
{
}
LikelihoodPass::~LikelihoodPass() = default;
bool LikelihoodPass::Add(const PlayRow& row)
{
    return impl->Add(row);
}
SeriesLikelihood LikelihoodPass::Finish()
{
    return impl->Finish();
}

const char* EvidenceName(Evidence evidence) noexcept
{
    return evidence == Evidence::Record ? "record" : "hall";
}

std::optional<Evidence> ParseEvidence(std::string_view text) noexcept
{
    if (text == "hall") return Evidence::Hall;
    if (text == "record") return Evidence::Record;
    return std::nullopt;
}

SeriesLikelihood ComputeLikelihood(std::span<const PlayRow> rows, Evidence evidence, bool withPath)
{
    return ComputeLikelihood(MachineLaws::Get(), rows, evidence, withPath);
}

SeriesLikelihood ComputeLikelihood(const MachineLaws& laws, std::span<const PlayRow> rows, Evidence evidence,
                                   bool withPath)
{
    LikelihoodPass pass(laws, evidence, withPath);
    for (const PlayRow& row : rows)
        if (!pass.Add(row)) break;
    return pass.Finish();
}

Status CheckPrior(const SettingValues& prior)
{
    const auto refused = [](std::string reason) { return Status(StatusCode::NotValid, std::move(reason)); };
    double sum = 0;
    for (int s = 0; s < SETTINGS; ++s) {
        if (!std::isfinite(prior[s]))
            return refused("the weight of setting " + std::to_string(s + 1) + " is not a finite number");
        if (prior[s] < 0) return refused("the weight of setting " + std::to_string(s + 1) + " is negative");
        sum += prior[s];
    }
    if (!(sum > 0)) return refused("all six weights are zero");
    if (!std::isfinite(sum)) return refused("the weights are too large");
    return {};
}

std::optional<SettingValues> Posterior(const SettingValues& logLikelihood, const SettingValues& prior)
{
    double top = NEG_INF;
    for (int s = 0; s < SETTINGS; ++s)
        if (prior[s] > 0) top = std::max(top, logLikelihood[s]);
    if (top == NEG_INF || std::isnan(top)) return std::nullopt;
    SettingValues posterior{};
    double sum = 0;
    for (int s = 0; s < SETTINGS; ++s) {
        posterior[s] = prior[s] > 0 ? prior[s] * std::exp(logLikelihood[s] - top) : 0;
        sum += posterior[s];
    }
    for (double& p : posterior) p /= sum;
    return posterior;
}

const SettingValues& TheoreticalPayoutPercent()
{
    static const SettingValues payout = [] {
        SettingValues values{};
        const auto theory = ComputeAllTheory();
        for (int s = 0; s < SETTINGS; ++s) values[s] = theory[s].payoutPercent;
        return values;
    }();
    return payout;
}

int MostLikelySetting(const SettingValues& posterior) noexcept
{
    return static_cast<int>(std::max_element(posterior.begin(), posterior.end()) - posterior.begin()) + 1;
}

SettingEstimate EstimateSetting(std::span<const PlayRow> rows, Evidence evidence, const SettingValues& prior,
                                bool withPath)
{
    SettingEstimate estimate;
    estimate.evidence = evidence;
    if (rows.empty()) {
        estimate.status = Status(StatusCode::NotValid, "the series holds no plays");
        return estimate;
    }
    return EstimateFromLikelihood(ComputeLikelihood(rows, evidence, withPath), evidence, prior);
}

SettingEstimate EstimateFromLikelihood(const SeriesLikelihood& likelihood, Evidence evidence,
                                       const SettingValues& prior)
{
    SettingEstimate estimate;
    estimate.evidence = evidence;
    estimate.normalGames = likelihood.normalGames;
    estimate.logLikelihood = likelihood.logLikelihood;
    if (!likelihood.impossible.empty()) {
        estimate.status = Status(StatusCode::NotValid,
                                 "the machine cannot play this series (" + likelihood.impossible + ")");
        return estimate;
    }
    const auto posterior = Posterior(likelihood.logLikelihood, prior);
    if (!posterior) {
        estimate.status =
            Status(StatusCode::NotValid, "the prior rules out every setting that can play this series");
        return estimate;
    }
    estimate.posterior = *posterior;
    estimate.mostLikely = MostLikelySetting(*posterior);
    const SettingValues& payout = TheoreticalPayoutPercent();
    for (int s = 0; s < SETTINGS; ++s) estimate.expectedPayoutPercent += estimate.posterior[s] * payout[s];
    for (const LikelihoodPoint& point : likelihood.path)
        if (const auto p = Posterior(point.logLikelihood, prior))
            estimate.path.push_back(PosteriorPoint{point.playCount, *p});
    return estimate;
}
