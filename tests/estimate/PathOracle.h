#pragma once

// The probability of a short series by brute force: the machine is stepped
// game by game exactly as Slot::Play does it, branching on every result of
// every lottery with the share of draws that give it (counted over the whole
// draw range through Rate_TBL::Lookup), and paths are dropped as soon as a
// game shows something else than the series. Paths that reach the same machine
// state are merged (their probabilities add), which keeps it tractable without
// changing the sum. Independent of the estimator's phase algebra; it reads
// the tables through the Slot's own choices and follows the Slot's rules, so
// it holds for a variant of the rules as well.

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "estimate/SettingEstimate.h"
#include "sim/PlaySeries.h"
#include "slot/Slot.h"

class PathOracle {
public:
    explicit PathOracle(int machineSetting, const MachineRules& machineRules = MACHINE_RULES)
        : setting(machineSetting), slot(random, machineRules), rules(slot.Rules())
    {
    }

    // Probability that a fresh machine plays `rows` (linear, not log).
    double Probability(const std::vector<PlayRow>& rows, Evidence evidence)
    {
        std::map<State, double> frontier;
        // The run's second reset draws the count with mode 0.
        for (const auto& [count, p] : RtCounts(Mode::MODE_1)) {
            State st{};
            st[RT] = count;
            frontier[st] += p;
        }
        for (const PlayRow& row : rows) {
            std::map<State, double> next;
            for (const auto& [st, p] : frontier)
                Play(st, row, [&](const State& after, double q) {
                    if (Shows(after, row, evidence)) next[after] += p * q;
                });
            frontier.swap(next);
        }
        double sum = 0;
        for (const auto& [st, p] : frontier) sum += p;
        return sum;
    }

private:
    enum Field {
        RT,
        PRE_SIGN,
        MODE,
        CHAIN_FLAG,
        CHAIN_COLOR,
        BONUS,
        BONUS_END,
        BONUS_GAME,
        JAC_GAMES,
        JAC_IN_COUNT,
        IN_JAC,
        BIG_COLOR,
        PRE_SIGN_BLUE,
        GAMES_SINCE,
        PLAY_COUNT,
        OUTCOME,
        CHAIN_TRIGGER,
        FIELDS
    };
    using State = std::array<int, FIELDS>;
    using Emit = std::function<void(const State&, double)>;

    static bool Shows(const State& st, const PlayRow& row, Evidence evidence)
    {
        if ((st[BONUS_GAME] == 0) != (row.bonusGame == 0)) return false;
        if (st[OUTCOME] != row.outcome) return false;
        if (st[OUTCOME] == Outcome::BIG && st[BIG_COLOR] != row.bigColor) return false;
        if (evidence == Evidence::Hall) return true;
        return st[MODE] == row.mode && st[PRE_SIGN] == row.preSign && st[PRE_SIGN_BLUE] == row.preSignBlue &&
               st[CHAIN_TRIGGER] == row.chainTrigger && st[BONUS] == row.bonus &&
               st[BONUS_GAME] == row.bonusGame;
    }

    // Share of the width's draws giving each Lookup result 0..n.
    const std::vector<double>& Shares(const Rate_TBL<int>& table, int width)
    {
        std::vector<double>& shares = sharesCache[&table];
        if (shares.empty()) {
            shares.assign(table.size() + 1, 0.0);
            for (int r = 0; r < width; ++r) shares[Rate_TBL<int>::Lookup(table, r)] += 1.0 / width;
        }
        return shares;
    }

    const std::vector<std::pair<int, double>>& RtCounts(int mode)
    {
        auto& cached = rtCache[mode];
        if (cached.empty()) cached = RtCountsOf(mode);
        return cached;
    }

    std::vector<std::pair<int, double>> RtCountsOf(int mode)
    {
        const Rate_TBL<int>& table = slot.RtTable(setting, mode);
        std::map<int, double> counts;
        const auto shares = Shares(table, 65536);
        const double range = 2147483648.0;
        for (std::size_t i = 0; i < shares.size(); ++i) {
            if (shares[i] == 0) continue;
            const int c = std::min<int>(static_cast<int>(i), RT_CLASS_COUNT - 1);
            const long long span = slot.RtClassSpan(c);
            for (long long v = 0; v < span; ++v) {
                const long long ways =
                    (2147483648LL - 1 - v) / span + 1;  // draws in 0..2^31-1 with this remainder
                counts[slot.RtClassBase(c) + static_cast<int>(v)] +=
                    shares[i] * static_cast<double>(ways) / range;
            }
        }
        return {counts.begin(), counts.end()};
    }

    void Colour(State st, int mode, const std::function<void(State, int, double)>& then)
    {
        const auto shares = Shares(slot.BigColorTable(mode), 65536);
        for (std::size_t c = 0; c < shares.size(); ++c)
            if (shares[c] > 0) then(st, static_cast<int>(c), shares[c]);
    }

    void Play(State st, const PlayRow& row, const Emit& emit)
    {
        if (st[BONUS_END]) {
            st[BONUS_GAME] = 0;
            st[JAC_GAMES] = 0;
            st[GAMES_SINCE] = 0;
            st[BONUS] = BonusKind::NONE;
            st[BONUS_END] = 0;
            st[CHAIN_TRIGGER] = ChainTrigger::NONE;
            st[PRE_SIGN] = PreSignKind::NONE;
        }
        if (st[BONUS] == BonusKind::NONE) {
            ++st[GAMES_SINCE];
            ++st[PLAY_COUNT];
            NormalGame(st, row, emit);
            return;
        }
        if (st[BONUS_GAME] == 0) {
            st[JAC_GAMES] = 0;
            st[JAC_IN_COUNT] = 0;
            st[CHAIN_FLAG] = 0;
            st[PRE_SIGN_BLUE] = 0;
            st[CHAIN_COLOR] = NO_CHAIN_COLOR;
            st[IN_JAC] = st[BONUS] == BonusKind::BIG ? 0 : 1;
        }
        if (st[IN_JAC]) {
            st[BONUS_GAME] = 1;
            ++st[JAC_GAMES];
        } else {
            ++st[BONUS_GAME];
        }
        BonusGame(st, emit);
    }

    void NormalGame(State st, const PlayRow& row, const Emit& emit)
    {
        --st[RT];
        st[OUTCOME] = Outcome::NONE;
        std::vector<std::pair<int, double>> flags = {{NO_FLAG, 1.0}};
        if (st[PRE_SIGN] == PreSignKind::NONE) {
            flags.clear();
            const auto shares = Shares(slot.BonusFlagTable(setting), 65536);
            for (std::size_t i = 0; i < shares.size(); ++i)
                flags.push_back({static_cast<int>(i) + 1, shares[i]});
        }
        const auto roles = Shares(slot.RoleTable(setting), 65536);
        for (const auto& [flag, pFlag] : flags) {
            if (pFlag == 0) continue;
            for (std::size_t ri = 0; ri < roles.size(); ++ri) {
                const int role = ri < Outcome::PURE_MISS ? static_cast<int>(ri) + 1 : Outcome::NONE;
                if (roles[ri] == 0) continue;
                // A game that does not release shows its role: other roles cannot be this path.
                if (st[RT] != 0 && role != row.outcome) continue;
                const double p = pFlag * roles[ri];
                const Rate_TBL<int>* table = nullptr;
                const PreSignStart& start = rules.preSignOfRole[role];
                if (st[PRE_SIGN] == PreSignKind::NONE && st[RT] >= rules.preSignMinRtCount &&
                    flag == NO_FLAG && start.kind != PreSignKind::NONE)
                    table = &slot.PreSignTable(start.kind, setting, st[MODE]);
                if (!table) {
                    Release(st, role, p, emit);
                    continue;
                }
                const auto hit = Shares(*table, 65536);
                for (std::size_t h = 0; h < hit.size(); ++h) {
                    if (hit[h] == 0) continue;
                    if (h != 0) {
                        Release(st, role, p * hit[h], emit);
                        continue;
                    }
                    const auto lengths = Shares(slot.PreSignLengthTable(start.lengthKind), 65536);
                    for (std::size_t c = 0; c < lengths.size(); ++c) {
                        if (lengths[c] == 0) continue;
                        State pre = st;
                        pre[PRE_SIGN] = start.kind;
                        pre[RT] = slot.PreSignLength(static_cast<int>(c));
                        if (rules.SetsBlueMark(static_cast<int>(c))) pre[PRE_SIGN_BLUE] = start.blueMark;
                        Release(pre, role, p * hit[h] * lengths[c], emit);
                    }
                }
            }
        }
    }

    void Release(State st, int role, double p, const Emit& emit)
    {
        if (st[RT] != 0) {
            st[OUTCOME] = role;
            emit(st, p);
            return;
        }
        if (st[CHAIN_FLAG]) {
            st[BONUS] = BonusKind::BIG;
            st[BIG_COLOR] = st[CHAIN_COLOR];
            st[OUTCOME] = Outcome::BIG;
            emit(st, p);
            return;
        }
        const int m = st[MODE];
        const auto kinds = Shares(slot.BonusKindTable(setting, m), 65536);
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            if (kinds[k] == 0) continue;
            State rel = st;
            // Entry 0 is BIG; the rest, beyond the table too, REG.
            rel[BONUS] = k == 0 ? BonusKind::BIG : BonusKind::REG;
            rel[OUTCOME] = rel[BONUS] == BonusKind::BIG ? Outcome::BIG : Outcome::REG;
            if (rel[BONUS] == BonusKind::REG || rel[PRE_SIGN_BLUE] != 0) {
                if (rel[BONUS] == BonusKind::BIG) rel[BIG_COLOR] = BigColor::BLUE;
                emit(rel, p * kinds[k]);
                continue;
            }
            Colour(rel, m, [&](State c, int colour, double q) {
                c[BIG_COLOR] = colour;
                emit(c, p * kinds[k] * q);
            });
        }
    }

    void Chain(State st, int role, double p, const Emit& emit)
    {
        const Rate_TBL<int>* table = slot.ChainTable(role, st[BIG_COLOR]);
        // t: the 1G連's colour, NO_CHAIN_COLOR for none; a small role's trigger has its code.
        auto decide = [&](State d, int t, double q) {
            if (t != NO_CHAIN_COLOR) {
                if (d[CHAIN_COLOR] != BigColor::BLUE) d[CHAIN_COLOR] = t;
                d[CHAIN_FLAG] = 1;
                d[CHAIN_TRIGGER] = role;
            }
            AfterSmallRole(d, p * q, emit);
        };
        if (!table) {
            decide(st, NO_CHAIN_COLOR, 1.0);
            return;
        }
        const auto shares = Shares(*table, 65536);
        for (std::size_t i = 0; i < shares.size(); ++i) {
            if (shares[i] == 0) continue;
            switch (Slot::ChainOf(role, st[BIG_COLOR], static_cast<int>(i))) {
                case Slot::ChainResult::BY_COLOUR_LOTTERY:
                    Colour(st, st[MODE],
                           [&](State c, int colour, double q) { decide(c, colour, shares[i] * q); });
                    break;
                case Slot::ChainResult::BLUE:
                    decide(st, BigColor::BLUE, shares[i]);
                    break;
                case Slot::ChainResult::NONE:
                    decide(st, NO_CHAIN_COLOR, shares[i]);
                    break;
            }
        }
    }

    void AfterSmallRole(State st, double p, const Emit& emit)
    {
        if (st[BONUS_GAME] == rules.bigSmallRoleGames) st[BONUS_END] = 1;
        Finish(st, p, emit);
    }

    void BonusGame(State st, const Emit& emit)
    {
        st[OUTCOME] = Outcome::NONE;
        st[CHAIN_TRIGGER] = ChainTrigger::NONE;
        if (st[BONUS] == BonusKind::BIG && !st[IN_JAC]) {
            const auto roles = Shares(slot.bigRoleRate, 65536);
            for (std::size_t i = 0; i < roles.size(); ++i) {
                if (roles[i] == 0) continue;
                State g = st;
                const int role = i < BigRole::CHANCE ? static_cast<int>(i) + 1 : BigRole::NONE;
                switch (role) {
                    case BigRole::JAC_IN:
                        if (!(g[JAC_IN_COUNT] == rules.bigJacSets - 1 &&
                              g[BONUS_GAME] < rules.lastJacInGame)) {
                            g[OUTCOME] = Outcome::JAC_IN;
                            ++g[JAC_IN_COUNT];
                            g[IN_JAC] = 1;
                        }
                        break;
                    case BigRole::CHERRY:
                        g[OUTCOME] = Outcome::CHERRY;
                        break;
                    case BigRole::BELL:
                        g[OUTCOME] = Outcome::BELL;
                        break;
                    case BigRole::BENTO:
                        g[OUTCOME] = Outcome::BENTO;
                        break;
                    case BigRole::CHANCE:
                        g[OUTCOME] = Outcome::CHANCE;
                        break;
                    default:
                        break;
                }
                Chain(g, role, roles[i], emit);
            }
            return;
        }
        const auto jac = Shares(slot.jacRate, 65536);
        for (std::size_t j = 0; j < jac.size(); ++j) {
            if (jac[j] == 0) continue;
            auto after = [&](State g, double q) {
                if (g[BONUS] == BonusKind::BIG) {
                    if (g[JAC_GAMES] % rules.jacSetGames == 0) g[IN_JAC] = 0;
                    if (g[JAC_GAMES] == rules.BigJacGames()) g[BONUS_END] = 1;
                } else if (g[JAC_GAMES] == rules.jacSetGames) {
                    g[IN_JAC] = 0;
                    g[BONUS_END] = 1;
                }
                Finish(g, q, emit);
            };
            State g = st;
            if (j == 0) {
                g[OUTCOME] = Outcome::JAC_WON;
                after(g, jac[j]);
                continue;
            }
            g[CHAIN_FLAG] = 1;
            g[OUTCOME] = Outcome::JAC_MISSED;
            g[CHAIN_TRIGGER] = ChainTrigger::JAC_MISSED;
            Colour(g, g[MODE], [&](State c, int colour, double q) {
                if (c[CHAIN_COLOR] != BigColor::BLUE) c[CHAIN_COLOR] = colour;
                after(c, jac[j] * q);
            });
        }
    }

    void Finish(State st, double p, const Emit& emit)
    {
        if (!st[BONUS_END]) {
            emit(st, p);
            return;
        }
        if (st[CHAIN_FLAG]) {
            st[RT] = 1;
            emit(st, p);
            return;
        }
        const auto modes = Shares(slot.ModeTable(setting, st[MODE], st[PRE_SIGN] != PreSignKind::NONE), 256);
        for (std::size_t to = 0; to < modes.size(); ++to) {
            if (modes[to] == 0) continue;
            for (const auto& [count, q] : RtCounts(static_cast<int>(to))) {
                State e = st;
                e[MODE] = static_cast<int>(to);
                e[RT] = count;
                emit(e, p * modes[to] * q);
            }
        }
    }

    int setting;
    std::map<const Rate_TBL<int>*, std::vector<double>> sharesCache;
    std::array<std::vector<std::pair<int, double>>, MODE_COUNT> rtCache;
    RandomSource random;
    Slot slot;
    const MachineRules& rules;
};
