#include "estimate/MachineLaws.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "law/SettingLaw.h"
#include "slot/Slot.h"

namespace {

constexpr double NEG_INF = -std::numeric_limits<double>::infinity();

double Log(double p)
{
    return p > 0 ? std::log(p) : NEG_INF;
}

}  // namespace

MachineLaws::MachineLaws(const Slot& slot) : rules(slot.Rules())
{
    for (int r = 0; r < ROLES; ++r) preSignKind[r] = rules.preSignOfRole[r].kind;
    for (int games : rules.preSignGames)
        if (games > 0) preSignGames.push_back(games);
    std::sort(preSignGames.begin(), preSignGames.end());
    preSignGames.erase(std::unique(preSignGames.begin(), preSignGames.end()), preSignGames.end());
    maxRt = rules.RtCeiling();

    for (int s = 0; s < SETTINGS; ++s) {
        const SettingLaw law = BuildSettingLaw(slot, s + SETTING_MIN);
        for (int r = 0; r < ROLES; ++r) logRole[s][r] = Log(law.role[r]);
        for (int m = 0; m < MODES; ++m) {
            logPreSign[s][m].fill(NEG_INF);
            logNoPreSign[s][m].fill(0);
            for (int r = 0; r < ROLES; ++r) {
                const int k = preSignKind[r];
                if (k == PreSignKind::NONE) continue;
                // Whole numbers over 2^32, so the complement is exact.
                logPreSign[s][m][k] = Log(law.preSign[m][r]);
                logNoPreSign[s][m][k] = Log(1.0 - law.preSign[m][r]);
            }
            logBig[s][m] = Log(law.big[m]);
            logReg[s][m] = Log(1.0 - law.big[m]);  // beyond the table is REG too
            for (int after = 0; after < 2; ++after)
                for (int to = 0; to < MODES; ++to)
                    logNextMode[s][m][after][to] = Log(law.nextMode[m][after][to]);

            // Both tails are sums of whole numbers over 2^47: exact in a double.
            auto& at = logRtAt[s][m];
            auto& atLeast = logRtAtLeast[s][m];
            at.assign(maxRt + 2, NEG_INF);
            atLeast.assign(maxRt + 2, NEG_INF);
            double tail = 0;
            for (int x = maxRt + 1; x >= 0; --x) {
                const double p = x <= maxRt ? law.rtCount[m][x] : 0;
                tail += p;
                at[x] = Log(p);
                atLeast[x] = Log(tail);
            }
        }
        if (s > 0) continue;
        // What follows does not depend on the setting.
        for (int k = 0; k < KINDS; ++k) logLength[k].assign(preSignGames.size(), {NEG_INF, NEG_INF});
        for (int r = 0; r < ROLES; ++r) {
            const PreSignStart& start = rules.preSignOfRole[r];
            if (start.kind == PreSignKind::NONE) continue;
            std::vector<std::array<double, 2>> weight(preSignGames.size(), {0, 0});
            for (const SettingLaw::Length& len : law.lengths[start.lengthKind]) {
                const auto at =
                    std::find(preSignGames.begin(), preSignGames.end(), len.games) - preSignGames.begin();
                weight[at][len.setsMark && start.blueMark != 0 ? 1 : 0] += len.p;
            }
            for (std::size_t l = 0; l < weight.size(); ++l)
                for (int mark = 0; mark < 2; ++mark) logLength[start.kind][l][mark] = Log(weight[l][mark]);
        }
        for (int m = 0; m < MODES; ++m)
            for (int c = 0; c < 2; ++c) {
                colour[m][c] = law.colour[m][c];
                logColour[m][c] = Log(colour[m][c]);
            }
        for (int r = 0; r < BIG_ROLES; ++r) logBigRole[r] = Log(law.bigRole[r]);
        logJacWon = Log(law.jacWon);
        logJacMissed = Log(1.0 - law.jacWon);
        for (int r = 0; r < BIG_ROLES; ++r)
            for (int c = 0; c < 2; ++c)
                chain[r][c] = {law.chain[r][c].none, law.chain[r][c].byLottery, law.chain[r][c].blue};
    }
}

double MachineLaws::LogRtAt(int s, int mode, int x) const noexcept
{
    if (x < 0 || x > maxRt + 1) return NEG_INF;
    return logRtAt[s][mode][x];
}

double MachineLaws::LogRtAtLeast(int s, int mode, int x) const noexcept
{
    if (x <= 0) return 0;
    if (x > maxRt + 1) return NEG_INF;
    return logRtAtLeast[s][mode][x];
}

const MachineLaws& MachineLaws::Get()
{
    static const MachineLaws laws = [] {
        RandomSource random;  // the tables only; nothing is drawn
        const Slot slot(random);
        return MachineLaws(slot);
    }();
    return laws;
}
