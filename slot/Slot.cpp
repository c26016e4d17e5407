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

// First game count and width of each RT class. Class 5 starts at 130, not 129.
constexpr int RT_CLASS_BASE[28] = {1,   17,  33,  65,  97,  130, 193, 250, 257, 300, 314, 364,  385,  513,
                                   550, 600, 614, 641, 664, 769, 850, 897, 900, 914, 964, 1025, 1153, 1217};
constexpr int RT_CLASS_SPAN[28] = {16, 16, 32, 32, 32,  64, 57, 7, 43, 14, 50, 21,  128, 37,
                                   10, 14, 27, 23, 105, 81, 47, 3, 14, 50, 61, 128, 64,  64};

}  // namespace

Slot::Slot(RandomSource& randomSource) : random(randomSource)
{
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

    if (preSign == PreSignKind::NONE && rtCount >= 32 && flag == NO_FLAG) {
        switch (role) {
            case Outcome::CHERRY:
                if (CherryPreSignLottery(mode) == 0) EnterPreSign(PreSignKind::CHERRY, 0, 0);
                break;
            case Outcome::BENTO:
                if (BentoPreSignLottery(mode) == 0) EnterPreSign(PreSignKind::BENTO, 1, 1);
                break;
            case Outcome::CHANCE:
                if (ChancePreSignLottery(setting, mode) == 0) EnterPreSign(PreSignKind::CHANCE, 1, 2);
                break;
            case Outcome::PURE_MISS:
                if (PureMissPreSignLottery(mode) == 0) EnterPreSign(PreSignKind::PURE_MISS, 1, 3);
                break;
            default:
                break;
        }
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

void Slot::EnterPreSign(int kind, int lengthKind, int blueMark)
{
    preSign = kind;
    const int lengthClass = PreSignLengthLottery(lengthKind);
    rtCount = PreSignLength(lengthClass);
    if (lengthClass >= 4) preSignBlue = blueMark;
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
                if (!(jacInCount == 2 && bonusGame < 20)) {  // the third JAC-in waits for game 20
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
        if (bonusGame == 30) bonusEnd = 1;
    } else if (bonus == BonusKind::BIG) {
        JacGame();
        if (jacGames == 8 || jacGames == 16 || jacGames == 24) inJac = 0;
        if (jacGames == 24) bonusEnd = 1;
    } else {
        JacGame();
        if (jacGames == 8) {
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

int Slot::BonusFlagLottery(int s)
{
    const int r = Draw16();
    return Lookup(bonusFlagRate[s - 1], r) + 1;
}

int Slot::RoleLottery(int s)
{
    const int r = Draw16();
    const int index = Lookup(roleRate[s - 1], r);
    return index < 6 ? index + 1 : Outcome::NONE;  // roles are outcome codes 1..6
}

int Slot::CherryPreSignLottery(int m)
{
    const int r = Draw16();
    return Lookup(cherryPreSignRate[m < Mode::MODE_3 ? 0 : 1], r);
}

int Slot::BentoPreSignLottery(int m)
{
    const int r = Draw16();
    return Lookup(bentoPreSignRate[m < Mode::MODE_3 ? 0 : 1], r);
}

int Slot::PureMissPreSignLottery(int m)
{
    const int r = Draw16();
    return Lookup(pureMissPreSignRate[m < Mode::MODE_3 ? 0 : 1], r);
}

int Slot::ChancePreSignLottery(int s, int m)
{
    const int r = Draw16();
    return Lookup(chancePreSignRate[m < Mode::MODE_3 ? 0 : 1][s - 1], r);
}

int Slot::PreSignLengthLottery(int kind)
{
    const int r = Draw16();
    return Lookup(preSignLengthRate[kind], r);
}

int Slot::PreSignLength(int lengthClass) noexcept
{
    assert(lengthClass == 0 || lengthClass == 1 || lengthClass == 4 || lengthClass == 5);
    return lengthClass == 0 || lengthClass == 4 ? 2 : 4;
}

int Slot::BonusKindLottery(int s, int m)
{
    const int r = Draw16();
    const Table& table = m == Mode::MODE_1   ? bonusKindRateMode0[s - 1]
                         : m == Mode::MODE_2 ? bonusKindRateMode1
                                             : bonusKindRateMode2[s - 1];
    // Mode 0 at setting 5 sums to 65496; the uncovered top of the range is REG.
    const int index = Lookup(table, r);
    return index > 1 ? 1 : index;  // 0 BIG, 1 REG: the bonus code less one
}

int Slot::BigColorLottery(int m)
{
    const int r = Draw16();
    return Lookup(bigColorRate[m], r);
}

int Slot::RtLottery(int s, int m)
{
    const int r = Draw16();
    const Table& table = m == Mode::MODE_1   ? rtRate[s <= 3 ? 0 : 1]
                         : m == Mode::MODE_2 ? rtRate[2]
                                             : rtRate[3];
    int rtClass = Lookup(table, r);
    if (rtClass > 27) rtClass = 27;
    const int v = random.Next();
    return RT_CLASS_BASE[rtClass] + v % RT_CLASS_SPAN[rtClass];
}

int Slot::RtClassBase(int rtClass) noexcept
{
    assert(rtClass >= 0 && rtClass < 28);
    return RT_CLASS_BASE[rtClass];
}

int Slot::RtClassSpan(int rtClass) noexcept
{
    assert(rtClass >= 0 && rtClass < 28);
    return RT_CLASS_SPAN[rtClass];
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
    // Index results are positions in the chain tables; the result is a colour
    // or NO_CHAIN_COLOR.
    const int r = Draw16();  // drawn for every role, even one that never chains
    switch (role) {
        case BigRole::CHERRY:
            return Lookup(chainCherryRate, r) == 0 ? BigColorLottery(mode) : NO_CHAIN_COLOR;
        case BigRole::BENTO:
            return Lookup(chainBentoRate, r) == 0 ? BigColor::BLUE : NO_CHAIN_COLOR;
        case BigRole::BELL:
            if (colour == BigColor::RED) {
                const int index = Lookup(chainBellRateRed, r);
                if (index == 1) return BigColor::BLUE;
                return index == 0 || index == 2 ? BigColorLottery(mode) : NO_CHAIN_COLOR;
            } else {
                const int index = Lookup(chainBellRateBlue, r);
                if (index == 2) return BigColor::BLUE;
                return index <= 3 ? BigColorLottery(mode) : NO_CHAIN_COLOR;
            }
        case BigRole::JAC_IN: {
            const int index = Lookup(chainJacInRate, r);
            if (index == 1) return BigColor::BLUE;
            return index == 0 ? BigColorLottery(mode) : NO_CHAIN_COLOR;
        }
        default:
            return NO_CHAIN_COLOR;
    }
}

int Slot::ModeLottery(int s, int m)
{
    const int r = random.Draw8();
    const Table& table = m == Mode::MODE_1   ? modeRateFrom0[s - 1]
                         : m == Mode::MODE_2 ? modeRateFrom1
                                             : modeRateFrom2[s - 1];
    return Lookup(table, r);
}

int Slot::ModeLotteryAfterPreSign(int s, int m)
{
    const int r = random.Draw8();
    const Table& table = m == Mode::MODE_1   ? modeAfterPreSignRateFrom0[s - 1]
                         : m == Mode::MODE_2 ? modeAfterPreSignRateFrom1
                                             : modeAfterPreSignRateFrom2;
    return Lookup(table, r);
}
