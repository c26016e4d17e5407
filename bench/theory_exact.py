#!/usr/bin/env python3
"""Exact rational check of `mirvosim-cli theory --json`.

Usage: theory_exact.py [--decimal] MIRVOSIM_VERIFY_THEORY MIRVOSIM_CLI [SETTING...]

Reads the weight tables from the verification program (`tables`), computes
every long-run figure with exact rational arithmetic and prints, per figure,
the exact value, the program's value and the number of significant digits
they share. Exit status 1 when any figure agrees to fewer than 9 digits.

Written apart from the C++ code: raw (uncentred) moments of the balance and
the cycle length, combined with the long-run balance per game only at the
end, which exact arithmetic allows. Every probability of the machine is a
dyadic rational (weights over 2^16 or 2^8, v mod k over 2^31), so the moments
of a cycle are kept as integers over a power of two; only the 9-state
embedded chain needs general fractions. σ is the one square root, taken with
100 decimal digits. Exact arithmetic takes many minutes per setting;
--decimal keeps the cycle moments in 100-digit decimals instead (rounding
errors below 1e-90, seconds per setting) and the rest exact as before.
"""
import json
import subprocess
import sys
from decimal import Decimal, getcontext
from fractions import Fraction

getcontext().prec = 100


class D:
    """n / 2**e, exact, without gcd."""
    __slots__ = ("n", "e")

    def __init__(self, n=0, e=0):
        self.n, self.e = n, e

    def _align(self, o):
        if self.e == o.e:
            return self.n, o.n, self.e
        if self.e > o.e:
            return self.n, o.n << (self.e - o.e), self.e
        return self.n << (o.e - self.e), o.n, o.e

    def __add__(self, o):
        if isinstance(o, int):
            o = D(o)
        a, b, e = self._align(o)
        return D(a + b, e)

    __radd__ = __add__

    def __sub__(self, o):
        if isinstance(o, int):
            o = D(o)
        a, b, e = self._align(o)
        return D(a - b, e)

    def __mul__(self, o):
        if isinstance(o, int):
            return D(self.n * o, self.e)
        return D(self.n * o.n, self.e + o.e)

    __rmul__ = __mul__

    def frac(self):
        return Fraction(self.n, 1 << self.e)

    def iszero(self):
        return self.n == 0


EXACT = "--decimal" not in sys.argv


def w(weight, bits):
    return D(weight, bits) if EXACT else Decimal(weight) / Decimal(2**bits)


def frac(x):
    return x.frac() if EXACT else Fraction(x)


def iszero(x):
    return x.n == 0 if EXACT else x == 0


ZERO = D(0) if EXACT else Decimal(0)
ONE = D(1) if EXACT else Decimal(1)
MOMENTS = ("p", "t1", "t2", "r1", "r2", "rt", "qr")


def empty():
    return {k: ZERO for k in MOMENTS}


def release(p, r):
    return {"p": p, "t1": p, "t2": p, "r1": p * r, "r2": p * (r * r), "rt": p * r, "qr": p * r}


def game(a0, a1, a2, n):
    """A game whose reward has moments a0, a1, a2, then the rest n."""
    return {
        "p": a0 * n["p"],
        "t1": a0 * (n["p"] + n["t1"]),
        "t2": a0 * (n["p"] + 2 * n["t1"] + n["t2"]),
        "r1": a1 * n["p"] + a0 * n["r1"],
        "r2": a2 * n["p"] + 2 * (a1 * n["r1"]) + a0 * n["r2"],
        "rt": a1 * n["p"] + a1 * n["t1"] + a0 * n["r1"] + a0 * n["rt"],
        "qr": a1 * n["p"] + a1 * n["t1"] + a0 * n["qr"],
    }


def add(x, y):
    return {k: x[k] + y[k] for k in MOMENTS}


def scale(x, p):
    return {k: x[k] * p for k in MOMENTS}


BET, JAC_BET = 3, 1
PAY = {1: 4, 2: 10, 3: 5}
RELEASE_PAY, JAC_PAY = 15, 15
NONE, RED, BLUE = 0, 1, 2
REGULAR, FIRST, CHAINED = 0, 1, 2


def ps_class(kind, blue):
    return 3 + (kind - 1) * 2 + blue


def machine(T, s):
    """Probabilities of setting s (1..6) as dyadic numbers."""
    k = s - 1
    R = T["rules"]
    M = {}
    roles = T["roleRate%d" % k]
    M["role"] = [None] + [w(x, 16) for x in roles]
    M["role"][0] = ONE - sum((w(x, 16) for x in roles), ZERO)
    M["noflag"] = ONE - w(sum(T["bonusFlagRate%d" % k]), 16)
    M["start"], M["rt"], M["big"], M["red"], M["next"], M["after"] = [], [], [], [], [], []
    for m in range(3):
        b = R["preSignBlock"][m]
        tables = {1: "cherryPreSignRate%d" % b, 2: "bentoPreSignRate%d" % b,
                  3: "chancePreSignRate%d_%d" % (b, k), 4: "pureMissPreSignRate%d" % b}
        hit = {j: T[tables[kind]][0] for j, (kind, _, _) in enumerate(R["preSignOfRole"]) if kind}
        M["start"].append({j: M["role"][j] * M["noflag"] * w(h, 16) for j, h in hit.items()})
        table = T["rtRate%d" % R["rtTable"][m][k]]
        dist = {}
        for c, weight in enumerate(table):
            if weight == 0:
                continue
            base, span = T["rtClassBase"][c], T["rtClassSpan"][c]
            for r in range(span):
                count = (2**31 - 1 - r) // span + 1
                dist[base + r] = dist.get(base + r, ZERO) + w(weight, 16) * w(count, 31)
        assert sum(table) == 65536
        M["rt"].append(dist)
        kind = T["bonusKindRateMode0_%d" % k] if m == 0 else T["bonusKindRateMode1"] if m == 1 else T["bonusKindRateMode2_%d" % k]
        M["big"].append(w(kind[0], 16))
        M["red"].append(w(T["bigColorRate%d" % m][0], 16))
        nxt = T["modeRateFrom0_%d" % k] if m == 0 else T["modeRateFrom1"] if m == 1 else T["modeRateFrom2_%d" % k]
        aft = T["modeAfterPreSignRateFrom0_%d" % k] if m == 0 else T["modeAfterPreSignRateFrom%d" % m]
        M["next"].append([w(x, 8) for x in nxt])
        M["after"].append([w(x, 8) for x in aft])
    M["len"] = []
    for kind in range(2):
        t = T["preSignLengthRate%d" % kind]
        M["len"].append([(w(x, 16), R["preSignGames"][c], c >= R["preSignMarkClass"]) for c, x in enumerate(t) if x > 0])
    return M


def new_chain(cur, d):
    return BLUE if cur == BLUE else d


def bonus(T, M, mode, kind, colour):
    """Per chain state at the end: [p, E[B], E[B^2]]; expected counts."""
    R = T["rules"]
    games, sets, last = R["bigSmallRoleGames"], R["bigJacSets"], R["lastJacInGame"]
    red = M["red"][mode]
    won = w(T["jacRate"][0], 16)
    missed = ONE - won
    counts = {}

    def bump(key, v):
        counts[key] = counts.get(key, ZERO) + v

    def mom_add(dst, key, src, p, r):
        cur = dst.get(key, [ZERO, ZERO, ZERO])
        dst[key] = [cur[0] + src[0] * p, cur[1] + (src[1] + src[0] * r) * p,
                    cur[2] + (src[2] + 2 * (src[1] * r) + src[0] * (r * r)) * p]

    def jac_set(states):
        for _ in range(R["jacSetGames"]):
            nxt = {}
            for c, m in states.items():
                mom_add(nxt, c, m, won, JAC_PAY - JAC_BET)
                mom_add(nxt, new_chain(c, RED), m, missed * red, -JAC_BET)
                mom_add(nxt, new_chain(c, BLUE), m, missed * (ONE - red), -JAC_BET)
                bump("trigger6", m[0] * missed)
            states = nxt
        return states

    if kind == "REG":
        return jac_set({NONE: [ONE, ZERO, ZERO]}), counts

    draw = [w(x, 16) for x in T["bigRoleRate"]]  # roles 1..5
    assert sum(T["bigRoleRate"]) == 65536
    # per role: (P(blue decision), P(colour lottery))
    cr, cb = T["chainBellRateRed"], T["chainBellRateBlue"]
    chain = {1: (w(T["chainJacInRate"][1], 16), w(T["chainJacInRate"][0], 16)),
             2: (ZERO, w(T["chainCherryRate"][0], 16)),
             3: (w(cr[1], 16), w(cr[0] + cr[2], 16)) if colour == 0 else (w(cb[2], 16), w(cb[0] + cb[1] + cb[3], 16)),
             4: (w(T["chainBentoRate"][0], 16), ZERO),
             5: (ZERO, ZERO)}
    pay = {1: JAC_PAY, 2: 4, 3: 10, 4: 0, 5: 0}
    code = {2: 1, 3: 2, 4: 3, 5: 5}
    # states: (b, j, c)
    states = {(1, 0, NONE): [ONE, ZERO, ZERO]}
    ended = {}
    for j in range(sets):
        after_set = {}
        for b in range(1, games + 1):
            for c in (NONE, RED, BLUE):
                m = states.get((b, j, c))
                if m is None:
                    continue
                for s in range(1, 6):
                    ps = draw[s - 1]
                    taken = s == 1 and not (j == sets - 1 and b < last)
                    r = -BET + (0 if (s == 1 and not taken) else pay[s])
                    blue, lot = chain[s]
                    outs = {NONE: ONE - blue - lot, RED: lot * red, BLUE: blue + lot * (ONE - red)}
                    if s == 1:
                        if taken:
                            bump("bonus12", m[0] * ps)
                    else:
                        bump("bonus%d" % code[s], m[0] * ps)
                    bump("trigger%d" % s, m[0] * ps * (blue + lot))
                    for d, pd in outs.items():
                        if iszero(pd):
                            continue
                        to = c if d == NONE else new_chain(c, d)
                        p = ps * pd
                        if b == games:
                            mom_add(ended, to, m, p, r)
                        elif taken:
                            mom_add(after_set, to, m, p, r)
                        else:
                            mom_add(states, (b + 1, j, to), m, p, r)
        after_set = jac_set(after_set)
        for c, m in after_set.items():
            if j + 1 == sets:
                mom_add(ended, c, m, ONE, 0)
            else:
                mom_add(states, (2, j + 1, c), m, ONE, 0)
    return ended, counts


def phase(T, M, mode):
    """Raw moments per release class of a normal phase without a pending 1G連."""
    R = T["rules"]
    rew = [(-BET + PAY.get(j, 0) + (BET if j == 4 else 0)) for j in range(7)]
    g0 = sum(M["role"], ZERO)
    g1 = sum((M["role"][j] * rew[j] for j in range(7)), ZERO)
    g2 = sum((M["role"][j] * (rew[j] * rew[j]) for j in range(7)), ZERO)

    def ps_rest(games):
        a = release(ONE, RELEASE_PAY - BET)
        for _ in range(games - 1):
            a = game(g0, g1, g2, a)
        return a

    rest = {g: ps_rest(g) for g in set(R["preSignGames"]) if g > 0}
    # role: (pre-sign kind, length kind, blue mark)
    kinds = {j: tuple(x) for j, x in enumerate(R["preSignOfRole"]) if x[0]}
    start = M["start"][mode]
    top = max(M["rt"][mode])
    prev = {REGULAR: release(ONE, RELEASE_PAY - BET)}
    prev_counts = [ZERO] * 7
    total = {}
    total_counts = [ZERO] * 7

    def take(n, cls_acc, cnt):
        p = M["rt"][mode].get(n)
        if p is None:
            return
        for cls, a in cls_acc.items():
            key = FIRST if n == 1 else cls
            total[key] = add(total.get(key, empty()), scale(a, p))
        for j in range(7):
            total_counts[j] = total_counts[j] + cnt[j] * p

    take(1, prev, prev_counts)
    for n in range(2, top + 1):
        eligible = n - 1 >= R["preSignMinRtCount"]
        a0 = a1 = a2 = ZERO
        cnt = [ZERO] * 7
        for j in range(7):
            p = M["role"][j] - (start.get(j, ZERO) if eligible else ZERO)
            a0, a1, a2 = a0 + p, a1 + p * rew[j], a2 + p * (rew[j] * rew[j])
            cnt[j] = cnt[j] + p
        cur = {cls: game(a0, a1, a2, acc) for cls, acc in prev.items()}
        cnt = [cnt[j] + a0 * prev_counts[j] for j in range(7)]
        if eligible:
            for j, (kind, lk, mark) in kinds.items():
                for pl, games, blue in M["len"][lk]:
                    p = start[j] * pl
                    cls = ps_class(kind, 1 if blue and mark else 0)
                    cur[cls] = add(cur.get(cls, empty()), game(p, p * rew[j], p * (rew[j] * rew[j]), rest[games]))
                    cnt[j] = cnt[j] + p
                    for k in range(7):
                        cnt[k] = cnt[k] + p * (games - 1) * M["role"][k]
        take(n, cur, cnt)
        prev, prev_counts = cur, cnt
    return total, total_counts


def figures(T, s):
    M = machine(T, s)
    F = Fraction
    bon = {(m, k): bonus(T, M, m, *k) for m in range(3) for k in (("BIG", 0), ("BIG", 1), ("REG", None))}
    phases = [phase(T, M, m) for m in range(3)]
    S = [(m, c) for m in range(3) for c in (NONE, RED, BLUE)]
    idx = {x: i for i, x in enumerate(S)}
    cyc = []
    for m, ch in S:
        if ch == NONE:
            acc, rc = phases[m]
        else:
            acc, rc = {CHAINED: release(ONE, RELEASE_PAY - BET)}, [ZERO] * 7
        C = {"acc": {}, "next": [F(0)] * 9, "counts": {}, "roles": [frac(x) for x in rc]}

        def cadd(key, v):
            C["counts"][key] = C["counts"].get(key, F(0)) + v

        # per class: P(x'|cls), E[B;x'|cls], E[B|cls], E[B^2|cls]
        for cls, a in acc.items():
            a = {k: frac(v) for k, v in a.items()}
            if a["p"] == 0:
                continue
            pre = cls >= 3
            blue_mark = pre and (cls - 3) % 2 == 1
            if cls == CHAINED:
                kinds = {("BIG", 0): F(ch == RED), ("BIG", 1): F(ch == BLUE)}
            else:
                big, red = frac(M["big"][m]), frac(M["red"][m])
                kinds = {("BIG", 0): F(0) if blue_mark else big * red,
                         ("BIG", 1): big if blue_mark else big * (1 - red), ("REG", None): 1 - big}
            modes = M["after"][m] if pre else M["next"][m]
            px, bx = [F(0)] * 9, [F(0)] * 9
            eb = eb2 = F(0)
            for kd, pk in kinds.items():
                if pk == 0:
                    continue
                ends, cnts = bon[(m, kd)]
                for c, (p, m1, m2) in ends.items():
                    p, m1, m2 = frac(p), frac(m1), frac(m2)
                    eb += pk * m1
                    eb2 += pk * m2
                    if c != NONE:
                        px[idx[(m, c)]] += pk * p
                        bx[idx[(m, c)]] += pk * m1
                    else:
                        for to in range(3):
                            pm = frac(modes[to])
                            px[idx[(to, NONE)]] += pk * p * pm
                            bx[idx[(to, NONE)]] += pk * m1 * pm
                    cadd("bigMedals" if kd[0] == "BIG" else "regMedals", a["p"] * pk * (m1 + RELEASE_PAY * p))
                for key, v in cnts.items():
                    cadd(key, a["p"] * pk * frac(v))
                cadd("big" if kd[0] == "BIG" else "reg", a["p"] * pk)
                if kd[0] == "BIG" and cls not in (FIRST, CHAINED):
                    cadd("firstBig", a["p"] * pk)
            cadd("class%d" % cls, a["p"])
            C["acc"][cls] = (a, px, bx, eb, eb2)
            for i in range(9):
                C["next"][i] += a["p"] * px[i]
        cyc.append(C)

    P = [C["next"] for C in cyc]
    n = 9
    pi = solve([[(1 if i == j else 0) - P[j][i] if i != 0 else F(1) for j in range(n)] for i in range(n)],
               [F(1)] + [F(0)] * (n - 1))
    ET = sum(pi[x] * sum(a["t1"] for a, *_ in cyc[x]["acc"].values()) for x in range(n))
    ER = sum(pi[x] * sum(a["r1"] + a["p"] * eb for a, _, _, eb, _ in cyc[x]["acc"].values()) for x in range(n))
    mu = ER / ET

    ybar, y2, yn, tn, rest = [], [], [], [], []
    for x in range(n):
        Y = Y2 = TY = Q = F(0)
        YN, TN = [F(0)] * n, [F(0)] * n
        for a, px, bx, eb, eb2 in cyc[x]["acc"].values():
            z1 = a["r1"] - mu * a["t1"]
            z2 = a["r2"] - 2 * mu * a["rt"] + mu * mu * a["t2"]
            tz = a["rt"] - mu * a["t2"]
            qz = a["qr"] - mu * (a["t2"] + a["t1"]) / 2
            Y += z1 + a["p"] * eb
            Y2 += z2 + 2 * z1 * eb + a["p"] * eb2
            TY += tz + a["t1"] * eb
            Q += qz
            for i in range(n):
                YN[i] += z1 * px[i] + a["p"] * bx[i]
                TN[i] += a["t1"] * px[i]
        ybar.append(Y)
        y2.append(Y2)
        yn.append(YN)
        tn.append(TN)
        rest.append(TY - Q + BET * cyc[x]["roles"][4])
    A = [[(1 if i == j else 0) - P[i][j] + pi[j] for j in range(n)] for i in range(n)]
    g = solve(A, ybar)
    v = sum(pi[x] * (y2[x] + 2 * sum(yn[x][i] * g[i] for i in range(n))) for x in range(n))
    tg = sum(pi[x] * sum(tn[x][i] * g[i] for i in range(n)) for x in range(n))
    R = sum(pi[x] * rest[x] for x in range(n))
    c = g[idx[(0, NONE)]] - (tg + R) / ET

    def mean(key):
        return sum(pi[x] * cyc[x]["counts"].get(key, F(0)) for x in range(n))

    roles = [sum(pi[x] * cyc[x]["roles"][j] for x in range(n)) for j in range(7)]
    big, reg = mean("big"), mean("reg")
    stay = [sum(pi[x] * sum(a["t1"] for a, *_ in cyc[x]["acc"].values()) for x in range(n) if S[x][0] == m) / ET
            for m in range(3)]
    cls = lambda k: mean("class%d" % k)
    kind = lambda k: cls(ps_class(k, 0)) + cls(ps_class(k, 1))
    chained = cls(FIRST) + cls(CHAINED)
    out = {
        "payout_percent": (mu + 3) / 3 * 100,
        "big_odds": ET / big,
        "reg_odds": ET / reg,
        "bonus_odds": ET / (big + reg),
        "first_big_odds": ET / mean("firstBig"),
        "medals_per_big": mean("bigMedals") / big,
        "medals_per_reg": mean("regMedals") / reg,
        "balance_sd_per_game": Decimal(v.numerator) / Decimal(v.denominator) / (Decimal(ET.numerator) / Decimal(ET.denominator)),
        "fresh_start_offset": c,
        "1G連情報": [mean("trigger2") / mean("bonus1"), mean("trigger4") / mean("bonus3"),
                   mean("trigger3") / mean("bonus2"), mean("trigger1") / mean("bonus12"), F(0), F(1), F(0)],
        "小役出現率": [roles[j] / ET for j in (1, 2, 3, 4, 6, 5)],
        "モード別滞在率": stay,
        "RT解除情報": [None, kind(1) / roles[1], kind(2) / roles[3], kind(4) / roles[6], kind(3) / roles[5], chained / big],
        "share": [x / (big + reg) for x in (cls(REGULAR), kind(1), kind(2), kind(4), kind(3), chained)],
    }
    out["balance_sd_per_game"] = out["balance_sd_per_game"].sqrt()
    return out


def solve(A, b):
    n = len(b)
    A = [row[:] + [b[i]] for i, row in enumerate(A)]
    for col in range(n):
        piv = next(r for r in range(col, n) if A[r][col] != 0)
        A[col], A[piv] = A[piv], A[col]
        for r in range(n):
            if r != col and A[r][col] != 0:
                f = A[r][col] / A[col][col]
                A[r] = [A[r][k] - f * A[col][k] for k in range(n + 1)]
    return [A[i][n] / A[i][i] for i in range(n)]


def digits(exact, value):
    exact = Decimal(exact.numerator) / Decimal(exact.denominator) if isinstance(exact, Fraction) else exact
    value = Decimal(repr(value))
    if exact == value:
        return 99
    if exact == 0:
        return 0
    rel = abs((value - exact) / exact)
    return int(-rel.log10())


def main():
    args = [a for a in sys.argv[1:] if a != "--decimal"]
    verify, cli = args[0], args[1]
    settings = [int(s) for s in args[2:]] or [1, 2, 3, 4, 5, 6]
    T = json.loads(subprocess.check_output([verify, "tables"]))
    program = {d["setting"]: d for d in json.loads(subprocess.check_output([cli, "theory", "--json"]))}
    worst = 99
    for s in settings:
        ex = figures(T, s)
        got = program[s]
        rows = [(k, ex[k], got[k]) for k in ("payout_percent", "big_odds", "reg_odds", "bonus_odds", "first_big_odds",
                                                "medals_per_big", "medals_per_reg", "balance_sd_per_game",
                                                "fresh_start_offset")]
        for cap in ("1G連情報", "小役出現率", "モード別滞在率", "RT解除情報"):
            for e, line in zip(ex[cap], got["tables"][cap]):
                if e is not None:
                    rows.append((cap + " " + line["name"], e, line["rate"]))
        for e, line in zip(ex["share"], got["tables"]["RT解除情報"]):
            rows.append(("share " + line["name"], e, line["share_of_releases"]))
        print("setting %d" % s)
        for name, e, g in rows:
            d = digits(e, g)
            worst = min(worst, d)
            shown = Decimal(e.numerator) / Decimal(e.denominator) if isinstance(e, Fraction) else e
            print("  %-24s exact %-26s program %-24r digits %s" % (name, "%.20g" % shown, g, d if d < 99 else "all"))
        sys.stdout.flush()
    print("fewest agreeing significant digits: %s" % (worst if worst < 99 else "all"))
    return 0 if worst >= 9 else 1


if __name__ == "__main__":
    sys.exit(main())
