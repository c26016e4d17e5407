#include "estimate/MachineLaws.h"

#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>

#include "slot/Slot.h"

namespace {

constexpr double NEG_INF = -std::numeric_limits<double>::infinity();
constexpr std::int64_t WIDTH16 = 65536;
constexpr std::int64_t WIDTH8 = 256;
constexpr std::int64_t DRAW_RANGE = std::int64_t{1} << 31;  // RandomSource::Next

double Log(double p)
{
    return p > 0 ? std::log(p) : NEG_INF;
}

// How many draws in 0..width-1 give each Lookup result 0..n (n: beyond every
// entry), as Rate_TBL::Lookup scans.
std::vector<std::int64_t> LookupCounts(const Rate_TBL<int>& table, std::int64_t width)
{
    std::vector<std::int64_t> counts(table.size() + 1, 0);
    std::int64_t lo = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::int64_t hi = lo + table[i];
        const std::int64_t from = std::max<std::int64_t>(lo, 0), to = std::min(hi, width);
        if (to > from) counts[i] = to - from;
        lo = hi;
    }
    std::int64_t covered = 0;
    for (std::size_t i = 0; i < table.size(); ++i) covered += counts[i];
    counts.back() = width - covered;
    return counts;
}

double Share(const std::vector<std::int64_t>& counts, std::size_t index, std::int64_t width)
{
    return index < counts.size() ? static_cast<double>(counts[index]) / static_cast<double>(width) : 0;
}

// Table block of the pre-sign lotteries: modes 0 and 1 share one.
int Block(int mode)
{
    return mode == Mode::MODE_3 ? 1 : 0;
}

struct PreSignSpec {
    const Rate_TBL<int>* table;
    int lengthKind;
    int blueMark;
};

PreSignSpec PreSignOf(const Slot& slot, int kind, int setting, int mode)
{
    const int block = Block(mode);
    switch (kind) {
        case PreSignKind::CHERRY:
            return {&slot.cherryPreSignRate[block], 0, 0};
        case PreSignKind::BENTO:
            return {&slot.bentoPreSignRate[block], 1, 1};
        case PreSignKind::CHANCE:
            return {&slot.chancePreSignRate[block][setting - 1], 1, 2};
        default:
            return {&slot.pureMissPreSignRate[block], 1, 3};
    }
}

const Rate_TBL<int>& BonusKindTable(const Slot& slot, int setting, int mode)
{
    return mode == Mode::MODE_1   ? slot.bonusKindRateMode0[setting - 1]
           : mode == Mode::MODE_2 ? slot.bonusKindRateMode1
                                  : slot.bonusKindRateMode2[setting - 1];
}

const Rate_TBL<int>& ModeTable(const Slot& slot, int setting, int from, bool afterPreSign)
{
    if (afterPreSign)
        return from == Mode::MODE_1   ? slot.modeAfterPreSignRateFrom0[setting - 1]
               : from == Mode::MODE_2 ? slot.modeAfterPreSignRateFrom1
                                      : slot.modeAfterPreSignRateFrom2;
    return from == Mode::MODE_1   ? slot.modeRateFrom0[setting - 1]
           : from == Mode::MODE_2 ? slot.modeRateFrom1
                                  : slot.modeRateFrom2[setting - 1];
}

// The 1G連 lottery's result per draw index, as Slot::ChainLottery maps it.
enum class ChainResult { None, ByLottery, Blue };

ChainResult ChainOf(int role, int colour, int index)
{
    switch (role) {
        case BigRole::CHERRY:
            return index == 0 ? ChainResult::ByLottery : ChainResult::None;
        case BigRole::BENTO:
            return index == 0 ? ChainResult::Blue : ChainResult::None;
        case BigRole::BELL:
            if (colour == BigColor::RED) {
                if (index == 1) return ChainResult::Blue;
                return index == 0 || index == 2 ? ChainResult::ByLottery : ChainResult::None;
            }
            if (index == 2) return ChainResult::Blue;
            return index <= 3 ? ChainResult::ByLottery : ChainResult::None;
        case BigRole::JAC_IN:
            if (index == 1) return ChainResult::Blue;
            return index == 0 ? ChainResult::ByLottery : ChainResult::None;
        default:
            return ChainResult::None;
    }
}

const Rate_TBL<int>* ChainTable(const Slot& slot, int role, int colour)
{
    switch (role) {
        case BigRole::CHERRY:
            return &slot.chainCherryRate;
        case BigRole::BENTO:
            return &slot.chainBentoRate;
        case BigRole::BELL:
            return colour == BigColor::RED ? &slot.chainBellRateRed : &slot.chainBellRateBlue;
        case BigRole::JAC_IN:
            return &slot.chainJacInRate;
        default:
            return nullptr;
    }
}

MachineLaws Build()
{
    RandomSource random;  // the tables only; nothing is drawn
    const Slot slot(random);
    MachineLaws laws;

    for (int s = 1; s <= MachineLaws::SETTINGS; ++s) {
        auto& role = laws.logRole[s - 1];
        const auto roleCounts = LookupCounts(slot.roleRate[s - 1], WIDTH16);
        role.fill(NEG_INF);
        for (std::size_t i = 0; i < roleCounts.size(); ++i) {
            // Entry i is outcome i + 1; beyond the table, no role.
            const int code = i < Outcome::PURE_MISS ? static_cast<int>(i) + 1 : Outcome::NONE;
            if (roleCounts[i] > 0) role[code] = Log(Share(roleCounts, i, WIDTH16));
        }

        // The flag lottery's "no flag" lies beyond its two entries.
        const auto flagCounts = LookupCounts(slot.bonusFlagRate[s - 1], WIDTH16);
        const std::int64_t noFlag = flagCounts.size() > 2 ? flagCounts[2] : 0;
        for (int m = 0; m < MachineLaws::MODES; ++m) {
            laws.logPreSign[s - 1][m][PreSignKind::NONE] = NEG_INF;
            laws.logNoPreSign[s - 1][m][PreSignKind::NONE] = 0;
            for (int k = PreSignKind::CHERRY; k < MachineLaws::KINDS; ++k) {
                const auto hit = LookupCounts(*PreSignOf(slot, k, s, m).table, WIDTH16)[0];
                // Whole numbers over 2^32, so the complement is exact.
                const std::int64_t start = noFlag * hit;
                const double denominator = static_cast<double>(WIDTH16 * WIDTH16);
                laws.logPreSign[s - 1][m][k] = Log(static_cast<double>(start) / denominator);
                laws.logNoPreSign[s - 1][m][k] =
                    Log(static_cast<double>(WIDTH16 * WIDTH16 - start) / denominator);
            }
            const auto kind = LookupCounts(BonusKindTable(slot, s, m), WIDTH16);
            laws.logBig[s - 1][m] = Log(Share(kind, 0, WIDTH16));
            laws.logReg[s - 1][m] = Log(1.0 - Share(kind, 0, WIDTH16));  // beyond the table is REG too
            for (int after = 0; after < 2; ++after) {
                const auto next = LookupCounts(ModeTable(slot, s, m, after != 0), WIDTH8);
                for (int to = 0; to < MachineLaws::MODES; ++to)
                    laws.logNextMode[s - 1][m][after][to] = Log(Share(next, to, WIDTH8));
            }
        }
    }

    for (int k = 0; k < MachineLaws::KINDS; ++k)
        for (auto& byLength : laws.logLength[k]) byLength.fill(NEG_INF);
    for (int k = PreSignKind::CHERRY; k < MachineLaws::KINDS; ++k) {
        const PreSignSpec spec = PreSignOf(slot, k, SETTING_MIN, Mode::MODE_1);
        const auto counts = LookupCounts(slot.preSignLengthRate[spec.lengthKind], WIDTH16);
        std::array<std::array<std::int64_t, 2>, 2> weight{};
        for (std::size_t c = 0; c < counts.size(); ++c) {
            if (counts[c] == 0) continue;
            // Only classes 0, 1, 4 and 5 are ever drawn; the Slot asserts so.
            assert(c == 0 || c == 1 || c == 4 || c == 5);
            const int length = Slot::PreSignLength(static_cast<int>(c));
            const int mark = c >= 4 && spec.blueMark != 0 ? 1 : 0;
            weight[length == 2 ? 0 : 1][mark] += counts[c];
        }
        for (int l = 0; l < 2; ++l)
            for (int mark = 0; mark < 2; ++mark)
                laws.logLength[k][l][mark] = Log(static_cast<double>(weight[l][mark]) / WIDTH16);
    }

    for (int m = 0; m < MachineLaws::MODES; ++m) {
        const auto counts = LookupCounts(slot.bigColorRate[m], WIDTH16);
        for (int c = 0; c < 2; ++c) {
            laws.colour[m][c] = Share(counts, c, WIDTH16);
            laws.logColour[m][c] = Log(laws.colour[m][c]);
        }
    }

    // RT count: class by the table (beyond the last class reads as the last),
    // then base + v mod span with v uniform over 2^31 values, so a span that
    // does not divide 2^31 favours its low counts by one draw in 2^31 / span.
    const std::array<const Rate_TBL<int>*, 4> rtTables = {&slot.rtRate[0], &slot.rtRate[1], &slot.rtRate[2],
                                                          &slot.rtRate[3]};
    for (int law = 0; law < MachineLaws::RT_LAWS; ++law) {
        const auto counts = LookupCounts(*rtTables[law], WIDTH16);
        // Numerators over 2^16 × 2^31: whole numbers below 2^53, exact in a double.
        std::vector<std::int64_t> at(MachineLaws::MAX_RT + 2, 0);
        for (std::size_t i = 0; i < counts.size(); ++i) {
            if (counts[i] == 0) continue;
            const int c = std::min<int>(static_cast<int>(i), 27);  // as Slot::RtLottery clamps
            const std::int64_t span = Slot::RtClassSpan(c);
            assert(Slot::RtClassBase(c) + span - 1 <= MachineLaws::MAX_RT);
            for (std::int64_t j = 0; j < span; ++j) {
                const std::int64_t ways = DRAW_RANGE / span + (j < DRAW_RANGE % span ? 1 : 0);
                at[Slot::RtClassBase(c) + j] += counts[i] * ways;
            }
        }
        const double denominator = static_cast<double>(WIDTH16 * DRAW_RANGE);
        auto& logAt = laws.logRtAt[law];
        auto& logAtLeast = laws.logRtAtLeast[law];
        logAt.assign(at.size(), NEG_INF);
        logAtLeast.assign(at.size(), NEG_INF);
        std::int64_t tail = 0;
        for (int x = MachineLaws::MAX_RT + 1; x >= 0; --x) {
            tail += at[x];
            logAt[x] = Log(static_cast<double>(at[x]) / denominator);
            logAtLeast[x] = Log(static_cast<double>(tail) / denominator);
        }
    }

    const auto bigRole = LookupCounts(slot.bigRoleRate, WIDTH16);
    laws.logBigRole.fill(NEG_INF);
    for (std::size_t i = 0; i < bigRole.size(); ++i) {
        // Entry i is draw i + 1; beyond the table, none.
        const int code = i < BigRole::CHANCE ? static_cast<int>(i) + 1 : BigRole::NONE;
        laws.logBigRole[code] = Log(Share(bigRole, i, WIDTH16));
    }
    const auto jac = LookupCounts(slot.jacRate, WIDTH16);
    laws.logJacWon = Log(Share(jac, 0, WIDTH16));
    laws.logJacMissed = Log(1.0 - Share(jac, 0, WIDTH16));

    for (int role = 0; role < MachineLaws::BIG_ROLES; ++role)
        for (int colour = 0; colour < 2; ++colour) {
            MachineLaws::Chain chain{1, 0, 0};
            if (const Rate_TBL<int>* table = ChainTable(slot, role, colour)) {
                const auto counts = LookupCounts(*table, WIDTH16);
                chain.none = 0;
                for (std::size_t i = 0; i < counts.size(); ++i) {
                    const double p = Share(counts, i, WIDTH16);
                    switch (ChainOf(role, colour, static_cast<int>(i))) {
                        case ChainResult::None:
                            chain.none += p;
                            break;
                        case ChainResult::ByLottery:
                            chain.byLottery += p;
                            break;
                        case ChainResult::Blue:
                            chain.blue += p;
                            break;
                    }
                }
            }
            laws.chain[role][colour] = chain;
        }
    return laws;
}

}  // namespace

double MachineLaws::LogRtAt(int law, int x) const noexcept
{
    if (x < 0 || x > MAX_RT + 1) return NEG_INF;
    return logRtAt[law][x];
}

double MachineLaws::LogRtAtLeast(int law, int x) const noexcept
{
    if (x <= 0) return 0;
    if (x > MAX_RT + 1) return NEG_INF;
    return logRtAtLeast[law][x];
}

const MachineLaws& MachineLaws::Get()
{
    static const MachineLaws laws = Build();
    return laws;
}
