#include "theory/Theory.h"

#include <cassert>
#include <cmath>

#include "analysis/RateStatistics.h"
#include "analysis/RowTexts.h"
#include "law/SettingLaw.h"
#include "slot/Slot.h"

// Between two bonus ends the machine is a renewal cycle: a normal phase that
// starts in a mode with or without a decided 1G連, its release game, and the
// bonus. The cycle-start states (mode × pending 1G連 colour) form a nine-state
// embedded chain. Within a normal phase the RT count runs down, so a backward
// recursion over the count gives the exact moments of the phase; the bonus is
// a short forward chain. Renewal-reward gives the long-run figures, the
// embedded chain's Poisson equation the variance and the fresh-start offset.
//
// Balances are accumulated as z = medals − μ per game so that the second
// moments never subtract two large numbers. A replay's waived next bet is
// booked on the replay game itself (the next game is always in the same
// phase); only the partial cycle at the end of a run sees the difference.

namespace {

// Bets and payouts are the machine's own (slot/MachineCodes.h).
constexpr int REPLAY = Outcome::REPLAY;

constexpr int MODES = MODE_COUNT;
constexpr int CHAINS = 3;  // pending 1G連: none, red, blue
constexpr int NONE = 0, RED = 1, BLUE = 2;
constexpr int STATES = MODES * CHAINS;
constexpr int ROLES = ROLE_COUNT;
constexpr int TRIGGERS = ChainTrigger::JAC_MISSED + 1;  // the triggers the machine decides

// Release classes of a normal phase. FIRST_GAME is a release by an RT count
// of 1: the display classes it as 1G連 although no 1G連 was decided.
constexpr int REGULAR = 0, FIRST_GAME = 1, CHAINED = 2, PRE_SIGN_0 = 3;
constexpr int CLASSES = PRE_SIGN_0 + 8;  // pre-sign kind 1..4 × blue mark 0/1
int PreSignClass(int kind, int blue)
{
    return PRE_SIGN_0 + (kind - 1) * 2 + blue;
}

// Moments of a normal phase's rest (from a game to the release), split by the
// release class: probability, E[τ], E[Z], E[Z²], E[τZ] and
// Q = E[Σ_t z_t · (games from t to the end)], each on the event of the class.
struct Acc {
    double p = 0, t1 = 0, z1 = 0, z2 = 0, tz = 0, q = 0;
};
using ClassAcc = std::array<Acc, CLASSES>;

// A game with reward moments (a0 = its probability, a1 = E[z;·], a2 = E[z²;·])
// followed by the rest `next`.
void AddGame(Acc& out, double a0, double a1, double a2, const Acc& n)
{
    out.p += a0 * n.p;
    out.t1 += a0 * (n.p + n.t1);
    out.z1 += a1 * n.p + a0 * n.z1;
    out.z2 += a2 * n.p + 2 * a1 * n.z1 + a0 * n.z2;
    out.tz += a1 * n.p + a0 * n.z1 + a1 * n.t1 + a0 * n.tz;
    out.q += a1 * n.p + a1 * n.t1 + a0 * n.q;
}

void AddRelease(Acc& out, double p, double z)
{
    out.p += p;
    out.t1 += p;
    out.z1 += p * z;
    out.z2 += p * z * z;
    out.tz += p * z;
    out.q += p * z;
}

// Probability, E[B;·] and E[B²;·] of a bonus's medals B on one ending.
struct Mom {
    double p = 0, m1 = 0, m2 = 0;
    void Add(const Mom& from, double prob, double reward)
    {
        p += prob * from.p;
        m1 += prob * (from.m1 + reward * from.p);
        m2 += prob * (from.m2 + 2 * reward * from.m1 + reward * reward * from.p);
    }
};

// What one bonus gives, by the pending 1G連 at its end.
struct BonusResult {
    std::array<Mom, CHAINS> end;
    // Expected counts per bonus: outcome codes 1, 2, 3, 5, 12 of small-role
    // games, and chain triggers 1..6.
    std::array<double, OUTCOME_COUNT> outcome{};
    std::array<double, TRIGGERS> trigger{};
};

int NewChain(int current, int decided)
{
    return current == BLUE ? BLUE : decided;
}

struct Machine {
    const SettingLaw law;
    const MachineRules& rules = law.rules;

    double role[ROLES]{};                 // P(role) of a normal game
    double preSignStart[MODES][ROLES]{};  // P(role and the pre-sign starts) in an eligible game
    double bigKind[MODES]{};              // P(BIG) at a release without 1G連
    double red[MODES]{};                  // P(red) of the colour lottery
    BonusResult bonus[MODES][3];          // BIG red, BIG blue, REG

    Machine(const Slot& slot, int setting) : law(BuildSettingLaw(slot, setting)) { Read(); }

    void Read();
    void Bonuses();
    BonusResult Big(int mode, int colour) const;
    BonusResult Reg(int mode) const;
    void JacSet(std::array<Mom, CHAINS>& m, BonusResult& r, int mode) const;
};

void Machine::Read()
{
    for (int j = 0; j < ROLES; ++j) role[j] = law.role[j];
    for (int m = 0; m < MODES; ++m) {
        for (int j = 0; j < ROLES; ++j) preSignStart[m][j] = role[j] * law.preSign[m][j];
        bigKind[m] = law.big[m];  // the rest, beyond the table too, is REG
        red[m] = law.colour[m][BigColor::RED];
    }
    Bonuses();
}

void Machine::JacSet(std::array<Mom, CHAINS>& m, BonusResult& r, int mode) const
{
    const double won = law.jacWon;
    const double missed = 1 - won;
    for (int game = 0; game < rules.jacSetGames; ++game) {
        std::array<Mom, CHAINS> next{};
        for (int c = 0; c < CHAINS; ++c) {
            next[c].Add(m[c], won, PAYOUT_JAC - JAC_BET);
            // A missed JAC game always decides a 1G連, coloured by the colour lottery.
            next[NewChain(c, RED)].Add(m[c], missed * red[mode], -JAC_BET);
            next[NewChain(c, BLUE)].Add(m[c], missed * (1 - red[mode]), -JAC_BET);
            r.trigger[ChainTrigger::JAC_MISSED] += m[c].p * missed;
        }
        m = next;
    }
}

BonusResult Machine::Reg(int mode) const
{
    BonusResult r;
    std::array<Mom, CHAINS> m{};
    m[NONE].p = 1;
    JacSet(m, r, mode);
    r.end = m;
    return r;
}

BonusResult Machine::Big(int mode, int colour) const
{
    BonusResult r;
    // By BigRole; a small role's 1G連 trigger has the role's code.
    constexpr int DRAWS = BigRole::CHANCE + 1;
    // Chain decisions per small-role role: P(no chain), P(blue), P(colour lottery).
    double blue[DRAWS]{}, lottery[DRAWS]{};
    for (int s = BigRole::NONE; s < DRAWS; ++s) {
        blue[s] = law.chain[s][colour].blue;
        lottery[s] = law.chain[s][colour].byLottery;
    }
    double draw[DRAWS]{};
    for (int s = BigRole::NONE; s < DRAWS; ++s) draw[s] = law.bigRole[s];
    const int pay[DRAWS] = {0, PAYOUT_JAC, PAYOUT_CHERRY, PAYOUT_BELL, 0, 0};

    // State before a small-role game: game count b (1..GAMES), JAC-ins j, chain c.
    const int GAMES = rules.bigSmallRoleGames;
    const int SETS = rules.bigJacSets;
    std::vector<std::vector<std::array<Mom, CHAINS>>> state(SETS + 1,
                                                            std::vector<std::array<Mom, CHAINS>>(GAMES + 1));
    state[0][1][NONE].p = 1;
    std::array<Mom, CHAINS> ended{};
    for (int j = 0; j < SETS; ++j) {
        std::array<Mom, CHAINS> afterSet{};  // JAC-in taken, before its set
        for (int b = 1; b <= GAMES; ++b) {
            for (int c = 0; c < CHAINS; ++c) {
                const Mom& from = state[j][b][c];
                if (from.p == 0) continue;
                for (int s = BigRole::NONE; s < DRAWS; ++s) {
                    if (draw[s] == 0) continue;
                    const bool taken = s == BigRole::JAC_IN && !(j == SETS - 1 && b < rules.lastJacInGame);
                    const int reward = -BET + (s == BigRole::JAC_IN && !taken ? 0 : pay[s]);
                    const double none = 1 - blue[s] - lottery[s];
                    const double outcomes[CHAINS] = {none, lottery[s] * red[mode],
                                                     blue[s] + lottery[s] * (1 - red[mode])};
                    r.outcome[s == BigRole::JAC_IN   ? (taken ? Outcome::JAC_IN : Outcome::NONE)
                              : s == BigRole::CHERRY ? Outcome::CHERRY
                              : s == BigRole::BELL   ? Outcome::BELL
                              : s == BigRole::BENTO  ? Outcome::BENTO
                              : s == BigRole::CHANCE ? Outcome::CHANCE
                                                     : Outcome::NONE] += from.p * draw[s];
                    r.trigger[s] += from.p * draw[s] * (1 - none);
                    for (int d = 0; d < CHAINS; ++d) {
                        if (outcomes[d] == 0) continue;
                        const int to = d == NONE ? c : NewChain(c, d);
                        const double p = draw[s] * outcomes[d];
                        if (b == GAMES)
                            ended[to].Add(from, p, reward);  // ends even after a JAC-in
                        else if (taken)
                            afterSet[to].Add(from, p, reward);
                        else
                            state[j][b + 1][to].Add(from, p, reward);
                    }
                }
            }
            if (b == GAMES) break;
        }
        JacSet(afterSet, r, mode);
        // After a set the count restarts: the next small-role game counts 2.
        for (int c = 0; c < CHAINS; ++c) {
            if (j + 1 == SETS)
                ended[c].Add(afterSet[c], 1, 0);
            else
                state[j + 1][2][c].Add(afterSet[c], 1, 0);
        }
    }
    r.outcome[Outcome::NONE] = 0;
    r.trigger[ChainTrigger::NONE] = 0;
    r.end = ended;
    return r;
}

void Machine::Bonuses()
{
    for (int m = 0; m < MODES; ++m) {
        bonus[m][0] = Big(m, BigColor::RED);
        bonus[m][1] = Big(m, BigColor::BLUE);
        bonus[m][2] = Reg(m);
    }
}

// Per cycle-start state, the expectations over one cycle.
struct Cycle {
    double games = 0, y = 0, y2 = 0, ty = 0, q = 0, replays = 0;
    std::array<double, STATES> next{}, yNext{}, tNext{};
    std::array<double, ROLES> roles{};
    double big = 0, reg = 0, firstBig = 0, bigMedals = 0, regMedals = 0;
    std::array<double, CLASSES> releases{};
    std::array<double, OUTCOME_COUNT> bonusOutcome{};
    std::array<double, TRIGGERS> trigger{};
};

// Moments of the rest of a phase from each RT count (before its decrement).
Cycle CycleFrom(const Machine& mc, int mode, int chain, double mu)
{
    const MachineRules& rules = mc.rules;
    Cycle cy;
    ClassAcc phase{};
    std::array<double, ROLES> roleCount{};
    double z[ROLES];
    for (int j = 0; j < ROLES; ++j) {
        const int pay = j == Outcome::CHERRY  ? PAYOUT_CHERRY
                        : j == Outcome::BELL  ? PAYOUT_BELL
                        : j == Outcome::BENTO ? PAYOUT_BENTO
                                              : 0;
        z[j] = pay - BET + (j == REPLAY ? BET : 0) - mu;
    }
    const double zRelease = PAYOUT_RELEASE - BET - mu;

    if (chain != NONE) {
        AddRelease(phase[CHAINED], 1, zRelease);
    } else {
        // Rest of a pre-sign once started: its length − 1 role games, then the release.
        double g0 = 0, g1 = 0, g2 = 0;
        for (int j = 0; j < ROLES; ++j) {
            g0 += mc.role[j];
            g1 += mc.role[j] * z[j];
            g2 += mc.role[j] * z[j] * z[j];
        }
        // preSignRest[L]: a pre-sign of L games.
        std::vector<Acc> preSignRest(rules.LongestPreSign() + 1);
        for (int games = 1; games < static_cast<int>(preSignRest.size()); ++games) {
            Acc a;
            AddRelease(a, 1, zRelease);
            for (int i = 1; i < games; ++i) {
                Acc b;
                AddGame(b, g0, g1, g2, a);
                a = b;
            }
            preSignRest[games] = a;
        }

        // countdown[n]: rest from a game played with RT count n.
        const int ceiling = rules.RtCeiling();
        std::vector<ClassAcc> countdown(ceiling + 1);
        std::vector<std::array<double, ROLES>> counts(ceiling + 1);
        AddRelease(countdown[1][REGULAR], 1, zRelease);
        for (int n = 2; n <= ceiling; ++n) {
            const bool eligible = n - 1 >= rules.preSignMinRtCount;
            double a0 = 0, a1 = 0, a2 = 0;
            std::array<double, ROLES> cnt{};
            for (int j = 0; j < ROLES; ++j) {
                const double p = mc.role[j] - (eligible ? mc.preSignStart[mode][j] : 0);
                a0 += p;
                a1 += p * z[j];
                a2 += p * z[j] * z[j];
                cnt[j] += p;
            }
            ClassAcc& out = countdown[n];
            for (int c = 0; c < CLASSES; ++c) AddGame(out[c], a0, a1, a2, countdown[n - 1][c]);
            for (int j = 0; j < ROLES; ++j) cnt[j] += a0 * counts[n - 1][j];
            if (eligible) {
                for (int j = 1; j < ROLES; ++j) {
                    const double start = mc.preSignStart[mode][j];
                    if (start == 0) continue;
                    const PreSignStart& kind = rules.preSignOfRole[j];
                    for (const auto& len : mc.law.lengths[kind.lengthKind]) {
                        const double p = start * len.p;
                        const bool blue = len.setsMark && kind.blueMark != 0;
                        AddGame(out[PreSignClass(kind.kind, blue ? 1 : 0)], p, p * z[j], p * z[j] * z[j],
                                preSignRest[len.games]);
                        cnt[j] += p;
                        for (int k = 0; k < ROLES; ++k) cnt[k] += p * (len.games - 1) * mc.role[k];
                    }
                }
            }
            counts[n] = cnt;
        }
        for (int n = 1; n <= ceiling; ++n) {
            const double p = mc.law.rtCount[mode][n];
            if (p == 0) continue;
            for (int c = 0; c < CLASSES; ++c) {
                const Acc& a = countdown[n][c];
                Acc& o = phase[n == 1 ? FIRST_GAME : c];
                o.p += p * a.p;
                o.t1 += p * a.t1;
                o.z1 += p * a.z1;
                o.z2 += p * a.z2;
                o.tz += p * a.tz;
                o.q += p * a.q;
            }
            for (int j = 0; j < ROLES; ++j) roleCount[j] += p * counts[n][j];
        }
    }

    cy.roles = roleCount;
    cy.replays = roleCount[REPLAY];
    for (int cls = 0; cls < CLASSES; ++cls) {
        const Acc& a = phase[cls];
        if (a.p == 0) continue;
        const bool preSign = cls >= PRE_SIGN_0;
        const bool blueMark = preSign && (cls - PRE_SIGN_0) % 2 == 1;
        // Bonus kinds after this class: BIG red, BIG blue, REG.
        double kind[3];
        if (cls == CHAINED) {
            kind[0] = chain == RED ? 1 : 0;
            kind[1] = chain == BLUE ? 1 : 0;
            kind[2] = 0;
        } else {
            const double big = mc.bigKind[mode];
            kind[0] = blueMark ? 0 : big * mc.red[mode];
            kind[1] = blueMark ? big : big * (1 - mc.red[mode]);
            kind[2] = 1 - big;
        }
        const auto& modes = mc.law.nextMode[mode][preSign ? 1 : 0];
        double eb = 0, eb2 = 0;
        for (int k = 0; k < 3; ++k) {
            if (kind[k] == 0) continue;
            const BonusResult& br = mc.bonus[mode][k];
            for (int c = 0; c < CHAINS; ++c) {
                const Mom& e = br.end[c];
                eb += kind[k] * e.m1;
                eb2 += kind[k] * e.m2;
                if (c != NONE) {
                    const int x = mode * CHAINS + c;
                    cy.next[x] += a.p * kind[k] * e.p;
                    cy.yNext[x] += a.z1 * kind[k] * e.p + a.p * kind[k] * e.m1;
                    cy.tNext[x] += a.t1 * kind[k] * e.p;
                } else {
                    for (int to = 0; to < MODES; ++to) {
                        const int x = to * CHAINS + NONE;
                        const double pm = modes[to];
                        cy.next[x] += a.p * kind[k] * e.p * pm;
                        cy.yNext[x] += (a.z1 * kind[k] * e.p + a.p * kind[k] * e.m1) * pm;
                        cy.tNext[x] += a.t1 * kind[k] * e.p * pm;
                    }
                }
                const double medals = kind[k] * (e.m1 + PAYOUT_RELEASE * e.p);
                if (k < 2)
                    cy.bigMedals += a.p * medals;
                else
                    cy.regMedals += a.p * medals;
            }
            for (int o = 0; o < OUTCOME_COUNT; ++o) cy.bonusOutcome[o] += a.p * kind[k] * br.outcome[o];
            for (int t = 0; t < TRIGGERS; ++t) cy.trigger[t] += a.p * kind[k] * br.trigger[t];
        }
        const double big = a.p * (kind[0] + kind[1]);
        cy.big += big;
        cy.reg += a.p * kind[2];
        if (cls != FIRST_GAME && cls != CHAINED) cy.firstBig += big;
        cy.releases[cls] += a.p;
        cy.games += a.t1;
        cy.y += a.z1 + a.p * eb;
        cy.y2 += a.z2 + 2 * a.z1 * eb + a.p * eb2;
        cy.ty += a.tz + a.t1 * eb;
        cy.q += a.q;
    }
    return cy;
}

// Solves A x = b by Gaussian elimination with partial pivoting (n ≤ 9).
std::array<double, STATES> Solve(std::array<std::array<double, STATES>, STATES> a,
                                 std::array<double, STATES> b)
{
    for (int col = 0; col < STATES; ++col) {
        int pivot = col;
        for (int r = col + 1; r < STATES; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        for (int r = col + 1; r < STATES; ++r) {
            const double f = a[r][col] / a[col][col];
            if (f == 0) continue;
            for (int k = col; k < STATES; ++k) a[r][k] -= f * a[col][k];
            b[r] -= f * b[col];
        }
    }
    std::array<double, STATES> x{};
    for (int r = STATES - 1; r >= 0; --r) {
        double s = b[r];
        for (int k = r + 1; k < STATES; ++k) s -= a[r][k] * x[k];
        x[r] = s / a[r][r];
    }
    return x;
}

std::array<Cycle, STATES> Cycles(const Machine& mc, double mu)
{
    std::array<Cycle, STATES> cycles;
    for (int m = 0; m < MODES; ++m)
        for (int c = 0; c < CHAINS; ++c) cycles[m * CHAINS + c] = CycleFrom(mc, m, c, mu);
    return cycles;
}

// Stationary law of the embedded chain: π(I − P) = 0, Σπ = 1. States that
// cannot be reached get 0. The sum row replaces the first equation.
std::array<double, STATES> Stationary(const std::array<Cycle, STATES>& cy)
{
    std::array<std::array<double, STATES>, STATES> a{};
    std::array<double, STATES> b{};
    for (int i = 0; i < STATES; ++i)
        for (int j = 0; j < STATES; ++j) a[j][i] = (i == j ? 1.0 : 0.0) - cy[i].next[j];
    for (int i = 0; i < STATES; ++i) a[0][i] = 1;
    b[0] = 1;
    return Solve(a, b);
}

double Ratio(double count, double base)
{
    return base == 0 ? 0 : count / base;
}

}  // namespace

const std::array<SummaryFigure, 9> SUMMARY_FIGURES = {{
    {"payout_percent", "機械割(%)", &SettingTheory::payoutPercent},
    {"big_odds", "BIG確率(1/X)", &SettingTheory::bigOdds},
    {"reg_odds", "REG確率(1/X)", &SettingTheory::regOdds},
    {"bonus_odds", "ボーナス合算(1/X)", &SettingTheory::bonusOdds},
    {"first_big_odds", "BIG初当り(1/X)", &SettingTheory::firstBigOdds},
    {"medals_per_big", "BIG獲得メダル", &SettingTheory::medalsPerBig},
    {"medals_per_reg", "REG獲得メダル", &SettingTheory::medalsPerReg},
    {"balance_sd_per_game", "収支σ(1ゲーム)", &SettingTheory::balanceSdPerGame},
    {"fresh_start_offset", "初期補正c(メダル)", &SettingTheory::freshStartOffset},
}};

SettingTheory ComputeTheory(const Slot& tables, int setting)
{
    assert(setting >= SETTING_MIN && setting <= SETTING_MAX);
    const Machine mc(tables, setting);

    // First pass for μ; the second centres every reward on it.
    const auto first = Cycles(mc, 0);
    const auto pi = Stationary(first);
    double games = 0, medals = 0;
    for (int x = 0; x < STATES; ++x) {
        games += pi[x] * first[x].games;
        medals += pi[x] * first[x].y;
    }
    const double mu = medals / games;
    const auto cy = Cycles(mc, mu);

    auto mean = [&](auto field) {
        double s = 0;
        for (int x = 0; x < STATES; ++x) s += pi[x] * field(cy[x]);
        return s;
    };

    // Poisson equation (I − P + 1π) g = ȳ, so that πg = 0.
    std::array<std::array<double, STATES>, STATES> a{};
    std::array<double, STATES> ybar{};
    for (int i = 0; i < STATES; ++i) {
        ybar[i] = cy[i].y;
        for (int j = 0; j < STATES; ++j) a[i][j] = (i == j ? 1.0 : 0.0) - cy[i].next[j] + pi[j];
    }
    const auto g = Solve(a, ybar);
    double v = 0, tg = 0, rest = 0;
    for (int x = 0; x < STATES; ++x) {
        double yg = 0, tgx = 0;
        for (int to = 0; to < STATES; ++to) {
            yg += cy[x].yNext[to] * g[to];
            tgx += cy[x].tNext[to] * g[to];
        }
        v += pi[x] * (cy[x].y2 + 2 * yg);
        tg += pi[x] * tgx;
        // Σ over the games u of a cycle of what is still to come after u.
        rest += pi[x] * (cy[x].ty - cy[x].q + BET * cy[x].replays);
    }

    SettingTheory t;
    t.setting = setting;
    t.balancePerGame = mu;
    t.payoutPercent = (mu + BET) / BET * 100;
    t.balanceSdPerGame = std::sqrt(v / games);
    const int fresh = Mode::MODE_1 * CHAINS + NONE;  // nothing pending
    t.freshStartOffset = g[fresh] - (tg + rest) / games;

    const double big = mean([](const Cycle& c) { return c.big; });
    const double reg = mean([](const Cycle& c) { return c.reg; });
    t.bigOdds = games / big;
    t.regOdds = games / reg;
    t.bonusOdds = games / (big + reg);
    t.firstBigOdds = games / mean([](const Cycle& c) { return c.firstBig; });
    t.medalsPerBig = mean([](const Cycle& c) { return c.bigMedals; }) / big;
    t.medalsPerReg = mean([](const Cycle& c) { return c.regMedals; }) / reg;

    std::array<double, OUTCOME_COUNT> bonusOutcome{};
    std::array<double, TRIGGERS> trigger{};
    std::array<double, ROLES> roles{};
    std::array<double, CLASSES> releases{};
    std::array<double, MODES> stay{};
    for (int x = 0; x < STATES; ++x) {
        for (int o = 0; o < OUTCOME_COUNT; ++o) bonusOutcome[o] += pi[x] * cy[x].bonusOutcome[o];
        for (int k = 0; k < TRIGGERS; ++k) trigger[k] += pi[x] * cy[x].trigger[k];
        for (int j = 0; j < ROLES; ++j) roles[j] += pi[x] * cy[x].roles[j];
        for (int c = 0; c < CLASSES; ++c) releases[c] += pi[x] * cy[x].releases[c];
        stay[x / CHAINS] += pi[x] * cy[x].games;
    }

    const auto certain = [](double count) { return count > 0 ? 1.0 : 0.0; };
    // Captions and line names are the tabs' own.
    const auto text = [](std::string_view view) { return std::string(view); };
    const auto& ren = REN_LINES;
    t.tables[0] = {
        text(REN_CAPTIONS.tab),
        {{text(ren[0]), Ratio(trigger[ChainTrigger::CHERRY], bonusOutcome[Outcome::CHERRY]), {}},
         {text(ren[1]), Ratio(trigger[ChainTrigger::BENTO], bonusOutcome[Outcome::BENTO]), {}},
         {text(ren[2]), Ratio(trigger[ChainTrigger::BELL], bonusOutcome[Outcome::BELL]), {}},
         {text(ren[3]), Ratio(trigger[ChainTrigger::JAC_IN], bonusOutcome[Outcome::JAC_IN]), {}},
         {text(ren[4]), Ratio(trigger[ChainTrigger::PURE_MISS], bonusOutcome[Outcome::PURE_MISS]), {}},
         {text(ren[5]), certain(trigger[ChainTrigger::JAC_MISSED]), {}},
         {text(ren[6]), 0.0, {}}}};
    const auto& koyaku = KOYAKU_LINES;
    t.tables[1] = {text(KOYAKU_CAPTIONS.tab),
                   {{text(koyaku[0]), roles[Outcome::CHERRY] / games, {}},
                    {text(koyaku[1]), roles[Outcome::BELL] / games, {}},
                    {text(koyaku[2]), roles[Outcome::BENTO] / games, {}},
                    {text(koyaku[3]), roles[Outcome::REPLAY] / games, {}},
                    {text(koyaku[4]), roles[Outcome::PURE_MISS] / games, {}},
                    {text(koyaku[5]), roles[Outcome::CHANCE] / games, {}}}};
    t.tables[2] = {text(MODE_STAY_CAPTIONS.tab),
                   {{text(MODE_NAMES[Mode::MODE_1]), stay[Mode::MODE_1] / games, {}},
                    {text(MODE_NAMES[Mode::MODE_2]), stay[Mode::MODE_2] / games, {}},
                    {text(MODE_NAMES[Mode::MODE_3]), stay[Mode::MODE_3] / games, {}}}};
    auto kindReleases = [&](int kind) {
        return releases[PreSignClass(kind, 0)] + releases[PreSignClass(kind, 1)];
    };
    const double all = big + reg;
    const double chained = releases[FIRST_GAME] + releases[CHAINED];
    const auto& rt = RT_CANCEL_LINES;
    t.tables[RT_CANCEL_TABLE] = {
        text(RT_CANCEL_CAPTIONS.tab),
        {{text(rt[0]), std::nullopt, releases[REGULAR] / all},
         {text(rt[1]), Ratio(kindReleases(PreSignKind::CHERRY), roles[Outcome::CHERRY]),
          kindReleases(PreSignKind::CHERRY) / all},
         {text(rt[2]), Ratio(kindReleases(PreSignKind::BENTO), roles[Outcome::BENTO]),
          kindReleases(PreSignKind::BENTO) / all},
         {text(rt[3]), Ratio(kindReleases(PreSignKind::PURE_MISS), roles[Outcome::PURE_MISS]),
          kindReleases(PreSignKind::PURE_MISS) / all},
         {text(rt[4]), Ratio(kindReleases(PreSignKind::CHANCE), roles[Outcome::CHANCE]),
          kindReleases(PreSignKind::CHANCE) / all},
         {text(rt[5]), Ratio(chained, big), chained / all}}};
    return t;
}

SettingTheory ComputeTheory(int setting)
{
    RandomSource unused;  // the tables are filled at construction; nothing is drawn
    const Slot slot(unused);
    return ComputeTheory(slot, setting);
}

std::array<SettingTheory, SETTING_COUNT> ComputeAllTheory()
{
    RandomSource unused;
    const Slot slot(unused);
    std::array<SettingTheory, SETTING_COUNT> all;
    for (int s = SETTING_MIN; s <= SETTING_MAX; ++s) all[s - SETTING_MIN] = ComputeTheory(slot, s);
    return all;
}

double SettingTheory::ExpectedBalance(std::int64_t n) const noexcept
{
    return static_cast<double>(n) * balancePerGame + freshStartOffset;
}

TheoryBand SettingTheory::BalanceBand(std::int64_t n, double z) const noexcept
{
    const double centre = ExpectedBalance(n);
    const double half = z * balanceSdPerGame * std::sqrt(static_cast<double>(n));
    return {centre - half, centre + half};
}

double SettingTheory::ExpectedPayout(std::int64_t n) const noexcept
{
    const double in = BET * static_cast<double>(n);
    return (ExpectedBalance(n) + in) / in * 100;
}

TheoryBand SettingTheory::PayoutBand(std::int64_t n, double z) const noexcept
{
    const TheoryBand b = BalanceBand(n, z);
    const double in = BET * static_cast<double>(n);
    return {(b.low + in) / in * 100, (b.high + in) / in * 100};
}
