#include "law/SettingLaw.h"

#include <algorithm>
#include <cassert>
#include <cstdint>

#include "slot/Slot.h"

namespace {

constexpr std::int64_t WIDTH16 = 65536;
constexpr std::int64_t WIDTH8 = 256;
constexpr std::int64_t DRAW_RANGE = std::int64_t{1} << 31;  // RandomSource::Next

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

void NormalGame(const Slot& slot, int s, SettingLaw& law)
{
    const auto roles = LookupCounts(slot.RoleTable(s), WIDTH16);
    for (std::size_t i = 0; i < roles.size(); ++i) {
        // Entry i is outcome i + 1; beyond the table, no role.
        const int code = i < Outcome::PURE_MISS ? static_cast<int>(i) + 1 : Outcome::NONE;
        law.role[code] += Share(roles, i, WIDTH16);
    }
    // The flag lottery's "no flag" lies beyond its two entries.
    const auto flags = LookupCounts(slot.BonusFlagTable(s), WIDTH16);
    const std::int64_t noFlag = flags.size() > 2 ? flags[2] : 0;
    law.noFlag = static_cast<double>(noFlag) / WIDTH16;
    for (int m = 0; m < MODE_COUNT; ++m)
        for (int r = 0; r < SettingLaw::ROLES; ++r) {
            const PreSignStart& start = slot.Rules().preSignOfRole[r];
            if (start.kind == PreSignKind::NONE) continue;
            const std::int64_t hit = LookupCounts(slot.PreSignTable(start.kind, s, m), WIDTH16)[0];
            law.preSign[m][r] = static_cast<double>(noFlag * hit) / static_cast<double>(WIDTH16 * WIDTH16);
        }
    for (int kind = 0; kind < PRE_SIGN_LENGTH_KINDS; ++kind) {
        const auto counts = LookupCounts(slot.PreSignLengthTable(kind), WIDTH16);
        for (std::size_t c = 0; c < counts.size(); ++c)
            if (counts[c] > 0)
                law.lengths[kind].push_back({Share(counts, c, WIDTH16),
                                             slot.PreSignLength(static_cast<int>(c)),
                                             slot.Rules().SetsBlueMark(static_cast<int>(c))});
    }
}

void Release(const Slot& slot, int s, SettingLaw& law)
{
    for (int m = 0; m < MODE_COUNT; ++m) {
        law.big[m] = Share(LookupCounts(slot.BonusKindTable(s, m), WIDTH16), 0, WIDTH16);  // the rest is REG
        const auto colour = LookupCounts(slot.BigColorTable(m), WIDTH16);
        law.colour[m] = {Share(colour, BigColor::RED, WIDTH16), Share(colour, BigColor::BLUE, WIDTH16)};
    }
}

void Bonus(const Slot& slot, SettingLaw& law)
{
    const auto bigRole = LookupCounts(slot.bigRoleRate, WIDTH16);
    for (std::size_t i = 0; i < bigRole.size(); ++i) {
        // Entry i is draw i + 1; beyond the table, none.
        const int code = i < BigRole::CHANCE ? static_cast<int>(i) + 1 : BigRole::NONE;
        law.bigRole[code] += Share(bigRole, i, WIDTH16);
    }
    for (int role = 0; role < SettingLaw::BIG_ROLES; ++role)
        for (int colour = BigColor::RED; colour <= BigColor::BLUE; ++colour) {
            SettingLaw::Chain chain;
            if (const Rate_TBL<int>* table = slot.ChainTable(role, colour)) {
                const auto counts = LookupCounts(*table, WIDTH16);
                chain.none = 0;
                for (std::size_t i = 0; i < counts.size(); ++i) {
                    const double p = Share(counts, i, WIDTH16);
                    switch (Slot::ChainOf(role, colour, static_cast<int>(i))) {
                        case Slot::ChainResult::NONE:
                            chain.none += p;
                            break;
                        case Slot::ChainResult::BY_COLOUR_LOTTERY:
                            chain.byLottery += p;
                            break;
                        case Slot::ChainResult::BLUE:
                            chain.blue += p;
                            break;
                    }
                }
            }
            law.chain[role][colour] = chain;
        }
    law.jacWon = Share(LookupCounts(slot.jacRate, WIDTH16), 0, WIDTH16);
}

void CycleStart(const Slot& slot, int s, SettingLaw& law)
{
    const MachineRules& rules = slot.Rules();
    for (int m = 0; m < MODE_COUNT; ++m) {
        for (int after = 0; after < 2; ++after) {
            const auto next = LookupCounts(slot.ModeTable(s, m, after != 0), WIDTH8);
            for (int to = 0; to < MODE_COUNT; ++to) law.nextMode[m][after][to] = Share(next, to, WIDTH8);
        }
        // Class by the table (beyond the last class reads as the last), then
        // base + v mod span with v uniform over 2^31 values, so a span that
        // does not divide 2^31 favours its low counts by one draw in 2^31 / span.
        // Numerators over 2^16 × 2^31 stay whole numbers below 2^53.
        const auto counts = LookupCounts(slot.RtTable(s, m), WIDTH16);
        std::vector<std::int64_t> at(rules.RtCeiling() + 1, 0);
        for (std::size_t i = 0; i < counts.size(); ++i) {
            if (counts[i] == 0) continue;
            const int c = std::min(static_cast<int>(i), RT_CLASS_COUNT - 1);
            const std::int64_t span = slot.RtClassSpan(c);
            for (std::int64_t j = 0; j < span; ++j) {
                const std::int64_t ways = DRAW_RANGE / span + (j < DRAW_RANGE % span ? 1 : 0);
                at[slot.RtClassBase(c) + j] += counts[i] * ways;
            }
        }
        const double denominator = static_cast<double>(WIDTH16 * DRAW_RANGE);
        law.rtCount[m].resize(at.size());
        for (std::size_t n = 0; n < at.size(); ++n)
            law.rtCount[m][n] = static_cast<double>(at[n]) / denominator;
    }
}

}  // namespace

SettingLaw BuildSettingLaw(const Slot& slot, int setting)
{
    assert(setting >= SETTING_MIN && setting <= SETTING_MAX);
    SettingLaw law;
    law.setting = setting;
    law.rules = slot.Rules();
    NormalGame(slot, setting, law);
    Release(slot, setting, law);
    Bonus(slot, law);
    CycleStart(slot, setting, law);
    return law;
}
