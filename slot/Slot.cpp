#include "slot/Slot.h"

#include <cassert>

namespace {

using Table = Rate_TBL<int>;

int Lookup(const Table& table, int r) noexcept
{
    return Table::Lookup(table, r);
}

[[maybe_unused]] bool ValidSetting(int s) noexcept
{
    return s >= SETTING_MIN && s <= SETTING_MAX;
}

}  // namespace

Slot::Slot(RandomSource& randomSource, const MachineRules& machineRules)
    : random(randomSource), rules(machineRules)
{
    assert(rules.IsValid());
    FillTables();
}

void Slot::SetSetting(int newSetting)
{
    assert(ValidSetting(newSetting));
    setting = newSetting;
    Reset();
}

void Slot::Reset()
{
    gamesSinceBonus = 0;
    playCount = 0;
    medals = 0;
    rtCount = RtLottery(setting, mode);  // with the mode before this reset
    preSign = PreSignKind::NONE;
    mode = Mode::MODE_1;
    chainFlag = 0;
    bonus = BonusKind::NONE;
    bonusEnd = 0;
}

void Slot::Play()
{
    if (bonusEnd) {
        bonusGame = 0;
        jacGames = 0;
        gamesSinceBonus = 0;
        bonus = BonusKind::NONE;
        bonusEnd = 0;
        chainTrigger = ChainTrigger::NONE;
        preSign = PreSignKind::NONE;
    }
    if (bonus == BonusKind::NONE) {
        ++gamesSinceBonus;
        ++playCount;
        NormalGame();
        return;
    }
    if (bonusGame == 0) {
        jacGames = 0;
        jacInCount = 0;
        chainFlag = 0;
        preSignBlue = 0;
        chainColor = NO_CHAIN_COLOR;
        inJac = bonus == BonusKind::BIG ? 0 : 1;
    }
    if (inJac) {
        bonusGame = 1;
        ++jacGames;
    } else {
        ++bonusGame;
    }
    BonusGame();
}

void Slot::NormalGame()
{
    --rtCount;
    if (outcome != Outcome::REPLAY) medals -= BET;  // a replay pays the next bet
    outcome = Outcome::NONE;

    int flag = NO_FLAG;  // not drawn while a pre-sign runs
    if (preSign == PreSignKind::NONE) flag = BonusFlagLottery(setting);
    const int role = RoleLottery(setting);

    if (preSign == PreSignKind::NONE && rtCount >= rules.preSignMinRtCount && flag == NO_FLAG) {
        const PreSignStart& start = rules.preSignOfRole[role];
        if (start.kind != PreSignKind::NONE && PreSignLottery(start.kind, setting, mode) == 0)
            EnterPreSign(start);
    }

    if (rtCount == 0) {
        if (chainFlag) {
            bonus = BonusKind::BIG;
            bigColor = chainColor;
        } else {
            bonus = BonusKindLottery(setting, mode) + 1;
            if (bonus == BonusKind::BIG) bigColor = preSignBlue != 0 ? BigColor::BLUE : BigColorLottery(mode);
        }
        outcome = bonus == BonusKind::BIG ? Outcome::BIG : Outcome::REG;
    } else {
        outcome = role;
    }

    switch (outcome) {
        case Outcome::CHERRY:
            medals += PAYOUT_CHERRY;
            break;
        case Outcome::BELL:
            medals += PAYOUT_BELL;
            break;
        case Outcome::BENTO:
            medals += PAYOUT_BENTO;
            break;
        case Outcome::BIG:
        case Outcome::REG:
            medals += PAYOUT_RELEASE;
            break;
        default:
            break;
    }
}

void Slot::EnterPreSign(const PreSignStart& start)
{
    preSign = start.kind;
    const int lengthClass = PreSignLengthLottery(start.lengthKind);
    rtCount = PreSignLength(lengthClass);
    if (rules.SetsBlueMark(lengthClass)) preSignBlue = start.blueMark;
}

void Slot::BonusGame()
{
    outcome = Outcome::NONE;
    chainTrigger = ChainTrigger::NONE;
    if (bonus == BonusKind::BIG && !inJac) {
        medals -= BET;
        const int role = BigRoleLottery();
        switch (role) {
            case BigRole::JAC_IN:
                if (!(jacInCount == rules.bigJacSets - 1 && bonusGame < rules.lastJacInGame)) {
                    medals += PAYOUT_JAC;
                    outcome = Outcome::JAC_IN;
                    ++jacInCount;
                    inJac = 1;
                }
                break;
            case BigRole::CHERRY:
                medals += PAYOUT_CHERRY;
                outcome = Outcome::CHERRY;
                break;
            case BigRole::BELL:
                medals += PAYOUT_BELL;
                outcome = Outcome::BELL;
                break;
            case BigRole::BENTO:
                outcome = Outcome::BENTO;
                break;
            case BigRole::CHANCE:
                outcome = Outcome::CHANCE;
                break;
            default:
                break;
        }
        const int chain = ChainLottery(role, bigColor);
        if (chain != NO_CHAIN_COLOR) {
            if (chainColor != BigColor::BLUE) chainColor = chain;
            chainFlag = 1;
            chainTrigger = role;  // the trigger codes 1..4 are the roles
        }
        if (bonusGame == rules.bigSmallRoleGames) bonusEnd = 1;
    } else if (bonus == BonusKind::BIG) {
        JacGame();
        if (jacGames % rules.jacSetGames == 0) inJac = 0;  // a BIG ends on its last set's last game
        if (jacGames == rules.BigJacGames()) bonusEnd = 1;
    } else {
        JacGame();
        if (jacGames == rules.jacSetGames) {
            inJac = 0;
            bonusEnd = 1;
        }
    }
    if (bonusEnd) EndBonus();
}

void Slot::JacGame()
{
    medals -= JAC_BET;
    if (JacLottery() == 0) {
        medals += PAYOUT_JAC;
        outcome = Outcome::JAC_WON;
        return;
    }
    chainFlag = 1;  // a missed JAC game always decides a 1G連
    outcome = Outcome::JAC_MISSED;
    const int colour = BigColorLottery(mode);
    if (chainColor != BigColor::BLUE) chainColor = colour;
    chainTrigger = ChainTrigger::JAC_MISSED;
}

void Slot::EndBonus()
{
    if (chainFlag) {
        rtCount = 1;  // the next normal game releases the chained BIG
        return;
    }
    mode = preSign != PreSignKind::NONE ? ModeLotteryAfterPreSign(setting, mode) : ModeLottery(setting, mode);
    rtCount = RtLottery(setting, mode);
}

const Rate_TBL<int>& Slot::PreSignTable(int kind, int s, int m) const noexcept
{
    const int block = rules.preSignBlock[m];
    switch (kind) {
        case PreSignKind::CHERRY:
            return cherryPreSignRate[block];
        case PreSignKind::BENTO:
            return bentoPreSignRate[block];
        case PreSignKind::CHANCE:
            return chancePreSignRate[block][s - 1];
        default:
            assert(kind == PreSignKind::PURE_MISS);
            return pureMissPreSignRate[block];
    }
}

const Rate_TBL<int>& Slot::BonusKindTable(int s, int m) const noexcept
{
    return m == Mode::MODE_1   ? bonusKindRateMode0[s - 1]
           : m == Mode::MODE_2 ? bonusKindRateMode1
                               : bonusKindRateMode2[s - 1];
}

const Rate_TBL<int>& Slot::ModeTable(int s, int m, bool afterPreSign) const noexcept
{
    if (afterPreSign)
        return m == Mode::MODE_1   ? modeAfterPreSignRateFrom0[s - 1]
               : m == Mode::MODE_2 ? modeAfterPreSignRateFrom1
                                   : modeAfterPreSignRateFrom2;
    return m == Mode::MODE_1   ? modeRateFrom0[s - 1]
           : m == Mode::MODE_2 ? modeRateFrom1
                               : modeRateFrom2[s - 1];
}

const Rate_TBL<int>* Slot::ChainTable(int role, int colour) const noexcept
{
    switch (role) {
        case BigRole::CHERRY:
            return &chainCherryRate;
        case BigRole::BENTO:
            return &chainBentoRate;
        case BigRole::BELL:
            return colour == BigColor::RED ? &chainBellRateRed : &chainBellRateBlue;
        case BigRole::JAC_IN:
            return &chainJacInRate;
        default:
            return nullptr;
    }
}

Slot::ChainResult Slot::ChainOf(int role, int colour, int index) noexcept
{
    // Indices are positions in the chain tables; beyond a table, no chain.
    switch (role) {
        case BigRole::CHERRY:
            return index == 0 ? ChainResult::BY_COLOUR_LOTTERY : ChainResult::NONE;
        case BigRole::BENTO:
            return index == 0 ? ChainResult::BLUE : ChainResult::NONE;
        case BigRole::BELL:
            if (colour == BigColor::RED) {
                if (index == 1) return ChainResult::BLUE;
                return index == 0 || index == 2 ? ChainResult::BY_COLOUR_LOTTERY : ChainResult::NONE;
            }
            if (index == 2) return ChainResult::BLUE;
            return index <= 3 ? ChainResult::BY_COLOUR_LOTTERY : ChainResult::NONE;
        case BigRole::JAC_IN:
            if (index == 1) return ChainResult::BLUE;
            return index == 0 ? ChainResult::BY_COLOUR_LOTTERY : ChainResult::NONE;
        default:
            return ChainResult::NONE;
    }
}

int Slot::PreSignLength(int lengthClass) const noexcept
{
    assert(lengthClass >= 0 && lengthClass < PRE_SIGN_LENGTH_CLASSES && rules.preSignGames[lengthClass] > 0);
    return rules.preSignGames[lengthClass];
}

int Slot::RtClassBase(int rtClass) const noexcept
{
    assert(rtClass >= 0 && rtClass < RT_CLASS_COUNT);
    return rules.rtClassBase[rtClass];
}

int Slot::RtClassSpan(int rtClass) const noexcept
{
    assert(rtClass >= 0 && rtClass < RT_CLASS_COUNT);
    return rules.rtClassSpan[rtClass];
}

int Slot::BonusFlagLottery(int s)
{
    const int r = Draw16();
    return Lookup(BonusFlagTable(s), r) + 1;
}

int Slot::RoleLottery(int s)
{
    const int r = Draw16();
    const int index = Lookup(RoleTable(s), r);
    return index < 6 ? index + 1 : Outcome::NONE;  // roles are outcome codes 1..6
}

int Slot::PreSignLottery(int kind, int s, int m)
{
    const int r = Draw16();
    return Lookup(PreSignTable(kind, s, m), r);
}

int Slot::PreSignLengthLottery(int kind)
{
    const int r = Draw16();
    return Lookup(PreSignLengthTable(kind), r);
}

int Slot::BonusKindLottery(int s, int m)
{
    const int r = Draw16();
    // Mode 0 at setting 5 sums to 65496; the uncovered top of the range is REG.
    const int index = Lookup(BonusKindTable(s, m), r);
    return index > 1 ? 1 : index;  // 0 BIG, 1 REG: the bonus code less one
}

int Slot::BigColorLottery(int m)
{
    const int r = Draw16();
    return Lookup(BigColorTable(m), r);
}

int Slot::RtLottery(int s, int m)
{
    const int r = Draw16();
    int rtClass = Lookup(RtTable(s, m), r);
    if (rtClass >= RT_CLASS_COUNT) rtClass = RT_CLASS_COUNT - 1;
    const int v = random.Next();
    return rules.rtClassBase[rtClass] + v % rules.rtClassSpan[rtClass];
}

int Slot::BigRoleLottery()
{
    const int r = Draw16();
    const int index = Lookup(bigRoleRate, r);
    return index < 5 ? index + 1 : BigRole::NONE;
}

int Slot::JacLottery()
{
    const int r = Draw16();
    return Lookup(jacRate, r);
}

int Slot::ChainLottery(int role, int colour)
{
    // The result is a colour or NO_CHAIN_COLOR.
    const int r = Draw16();  // drawn for every role, even one that never chains
    const Rate_TBL<int>* table = ChainTable(role, colour);
    if (!table) return NO_CHAIN_COLOR;
    switch (ChainOf(role, colour, Lookup(*table, r))) {
        case ChainResult::BLUE:
            return BigColor::BLUE;
        case ChainResult::BY_COLOUR_LOTTERY:
            return BigColorLottery(mode);
        case ChainResult::NONE:
            break;
    }
    return NO_CHAIN_COLOR;
}

int Slot::ModeLottery(int s, int m)
{
    const int r = random.Draw8();
    return Lookup(ModeTable(s, m, false), r);
}

int Slot::ModeLotteryAfterPreSign(int s, int m)
{
    const int r = random.Draw8();
    return Lookup(ModeTable(s, m, true), r);
}
