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
    return s >= 1 && s <= 6;
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
    preSign = 0;
    mode = 0;
    chainFlag = 0;
    bonus = 0;
    bonusEnd = 0;
}

void Slot::Play()
{
    if (bonusEnd) {
        bonusGame = 0;
        jacGames = 0;
        gamesSinceBonus = 0;
        bonus = 0;
        bonusEnd = 0;
        chainTrigger = 0;
        preSign = 0;
    }
    if (bonus == 0) {
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
        chainColor = 2;
        inJac = bonus == 1 ? 0 : 1;
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
    if (outcome != 4) medals -= BET;  // a replay pays the next bet
    outcome = 0;

    int flag = 3;  // no flag; not drawn while a pre-sign runs
    if (preSign == 0) flag = BonusFlagLottery(setting);
    const int role = RoleLottery(setting);

    if (preSign == 0 && rtCount >= 32 && flag == 3) {
        switch (role) {
            case 1:
                if (CherryPreSignLottery(mode) == 0) EnterPreSign(1, 0, 0);
                break;
            case 3:
                if (BentoPreSignLottery(mode) == 0) EnterPreSign(2, 1, 1);
                break;
            case 5:
                if (ChancePreSignLottery(setting, mode) == 0) EnterPreSign(3, 1, 2);
                break;
            case 6:
                if (PureMissPreSignLottery(mode) == 0) EnterPreSign(4, 1, 3);
                break;
            default:
                break;
        }
    }

    if (rtCount == 0) {
        if (chainFlag) {
            bonus = 1;
            bigColor = chainColor;
        } else {
            bonus = BonusKindLottery(setting, mode) + 1;
            if (bonus == 1) bigColor = preSignBlue != 0 ? 1 : BigColorLottery(mode);
        }
        outcome = bonus + 6;
    } else {
        outcome = role;
    }

    switch (outcome) {
        case 1:
            medals += PAYOUT_CHERRY;
            break;
        case 2:
            medals += PAYOUT_BELL;
            break;
        case 3:
            medals += PAYOUT_BENTO;
            break;
        case 7:
        case 8:
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
    outcome = 0;
    chainTrigger = 0;
    if (bonus == 1 && !inJac) {
        medals -= BET;
        const int role = BigRoleLottery();
        switch (role) {
            case 1:
                if (!(jacInCount == 2 && bonusGame < 20)) {  // the third JAC-in waits for game 20
                    medals += PAYOUT_JAC;
                    outcome = 12;
                    ++jacInCount;
                    inJac = 1;
                }
                break;
            case 2:
                medals += PAYOUT_CHERRY;
                outcome = 1;
                break;
            case 3:
                medals += PAYOUT_BELL;
                outcome = 2;
                break;
            case 4:
                outcome = 3;
                break;
            case 5:
                outcome = 5;
                break;
            default:
                break;
        }
        const int chain = ChainLottery(role, bigColor);
        if (chain != 2) {
            if (chainColor != 1) chainColor = chain;
            chainFlag = 1;
            chainTrigger = role;
        }
        if (bonusGame == 30) bonusEnd = 1;
    } else if (bonus == 1) {
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
        outcome = 10;
        return;
    }
    chainFlag = 1;  // a missed JAC game always decides a 1G連
    outcome = 11;
    const int colour = BigColorLottery(mode);
    if (chainColor != 1) chainColor = colour;
    chainTrigger = 6;
}

void Slot::EndBonus()
{
    if (chainFlag) {
        rtCount = 1;  // the next normal game releases the chained BIG
        return;
    }
    mode = preSign != 0 ? ModeLotteryAfterPreSign(setting, mode) : ModeLottery(setting, mode);
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
    return index < 6 ? index + 1 : 0;
}

int Slot::CherryPreSignLottery(int m)
{
    const int r = Draw16();
    return Lookup(cherryPreSignRate[m < 2 ? 0 : 1], r);
}

int Slot::BentoPreSignLottery(int m)
{
    const int r = Draw16();
    return Lookup(bentoPreSignRate[m < 2 ? 0 : 1], r);
}

int Slot::PureMissPreSignLottery(int m)
{
    const int r = Draw16();
    return Lookup(pureMissPreSignRate[m < 2 ? 0 : 1], r);
}

int Slot::ChancePreSignLottery(int s, int m)
{
    const int r = Draw16();
    return Lookup(chancePreSignRate[m < 2 ? 0 : 1][s - 1], r);
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
    const Table& table = m == 0   ? bonusKindRateMode0[s - 1]
                         : m == 1 ? bonusKindRateMode1
                                  : bonusKindRateMode2[s - 1];
    // Mode 0 at setting 5 sums to 65496; the uncovered top of the range is REG.
    const int index = Lookup(table, r);
    return index > 1 ? 1 : index;
}

int Slot::BigColorLottery(int m)
{
    const int r = Draw16();
    return Lookup(bigColorRate[m], r);
}

int Slot::RtLottery(int s, int m)
{
    const int r = Draw16();
    const Table& table = m == 0 ? rtRate[s <= 3 ? 0 : 1] : m == 1 ? rtRate[2] : rtRate[3];
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
    return index < 5 ? index + 1 : 0;
}

int Slot::JacLottery()
{
    const int r = Draw16();
    return Lookup(jacRate, r);
}

int Slot::ChainLottery(int role, int colour)
{
    const int r = Draw16();  // drawn for every role, even one that never chains
    switch (role) {
        case 2:
            return Lookup(chainCherryRate, r) == 0 ? BigColorLottery(mode) : 2;
        case 4:
            return Lookup(chainBentoRate, r) == 0 ? 1 : 2;
        case 3:
            if (colour == 0) {
                const int index = Lookup(chainBellRateRed, r);
                if (index == 1) return 1;
                return index == 0 || index == 2 ? BigColorLottery(mode) : 2;
            } else {
                const int index = Lookup(chainBellRateBlue, r);
                if (index == 2) return 1;
                return index <= 3 ? BigColorLottery(mode) : 2;
            }
        case 1: {
            const int index = Lookup(chainJacInRate, r);
            if (index == 1) return 1;
            return index == 0 ? BigColorLottery(mode) : 2;
        }
        default:
            return 2;
    }
}

int Slot::ModeLottery(int s, int m)
{
    const int r = random.Draw8();
    const Table& table = m == 0 ? modeRateFrom0[s - 1] : m == 1 ? modeRateFrom1 : modeRateFrom2[s - 1];
    return Lookup(table, r);
}

int Slot::ModeLotteryAfterPreSign(int s, int m)
{
    const int r = random.Draw8();
    const Table& table = m == 0   ? modeAfterPreSignRateFrom0[s - 1]
                         : m == 1 ? modeAfterPreSignRateFrom1
                                  : modeAfterPreSignRateFrom2;
    return Lookup(table, r);
}
