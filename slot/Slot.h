#pragma once

#include "slot/MachineCodes.h"
#include "slot/MachineRules.h"
#include "slot/RandomSource.h"
#include "slot/Rate_TBL.h"

// The pachislot machine: every game is decided by lotteries over the weight
// tables, drawing from the RandomSource it was given.
//
// To be used as follows: seed the RandomSource once per program start, build
// one Slot on it, call SetSetting (1..6) and then Reset before a run, call
// Play until playCount reaches the number of plays wanted, and read the public
// fields after each Play. A Slot never throws and never allocates after
// construction; a setting outside 1..6 is a caller's error (asserted).
// The rules are the machine's unless a test builds a variant; invalid rules
// are a caller's error (asserted).
class Slot {
public:
    explicit Slot(RandomSource& random, const MachineRules& rules = MACHINE_RULES);

    // Stores the setting and resets, which draws a new RT count.
    void SetSetting(int newSetting);
    int GetSetting() const noexcept { return setting; }
    // Starts a fresh run; the setting is kept.
    void Reset();
    // Plays one game, normal or bonus.
    void Play();

    // The machine's state, read after every Play.
    int setting = 1;     // 1..6
    int chainFlag = 0;   // 1 once this bonus has decided a 1G連 (the next BIG comes at once)
    int chainColor = 0;  // 2 until a 1G連 colour is decided in a bonus
    int jacInCount = 0;  // JAC sets entered so far in this BIG
    int bonusEnd = 0;    // 1 on a bonus's last game
    int inJac = 0;       // 1 while a JAC set is being played

    // Weight tables, indexed by setting - 1 where a family has one per setting.
    Rate_TBL<int> roleRate[6];
    Rate_TBL<int> bonusFlagRate[6];
    // Pre-sign tables by block (MachineRules::preSignBlock: modes 0 and 1 read
    // block 0, mode 2 block 1).
    Rate_TBL<int> cherryPreSignRate[2];
    Rate_TBL<int> bentoPreSignRate[2];
    Rate_TBL<int> pureMissPreSignRate[2];
    Rate_TBL<int> chancePreSignRate[2][6];
    Rate_TBL<int> bonusKindRateMode0[6];
    Rate_TBL<int> bonusKindRateMode1;
    Rate_TBL<int> bonusKindRateMode2[6];
    Rate_TBL<int> bigColorRate[3];
    Rate_TBL<int> modeRateFrom0[6];
    Rate_TBL<int> modeRateFrom1;
    Rate_TBL<int> modeRateFrom2[6];
    Rate_TBL<int> modeAfterPreSignRateFrom0[6];
    Rate_TBL<int> modeAfterPreSignRateFrom1;
    Rate_TBL<int> modeAfterPreSignRateFrom2;
    // Chosen by MachineRules::rtTable: 0 mode 0 settings 1-3, 1 mode 0
    // settings 4-6, 2 mode 1, 3 mode 2.
    Rate_TBL<int> rtRate[4];
    Rate_TBL<int> bigRoleRate;
    Rate_TBL<int> jacRate;
    Rate_TBL<int> preSignLengthRate[2];
    Rate_TBL<int> chainCherryRate;
    Rate_TBL<int> chainBentoRate;
    Rate_TBL<int> chainBellRateRed;
    Rate_TBL<int> chainBellRateBlue;
    Rate_TBL<int> chainJacInRate;

    int gamesSinceBonus = 0;  // normal games since the last bonus ended, this one included
    int bonusGame = 0;        // games of the current bonus; every JAC game sets it to 1
    int jacGames = 0;         // JAC games played in the current bonus
    int playCount = 0;        // games played since Reset
    int medals = 0;           // balance since Reset
    int rtCount = 0;          // normal games left until the release
    int preSign = 0;          // PreSignKind of the pre-sign under way, NONE without one
    int mode = 0;             // 0..2
    int outcome = 0;          // Outcome of the last game
    int bonus = 0;            // BonusKind being played, NONE in a normal game
    int bigColor = 0;         // BigColor of the BIG released or being played
    int chainTrigger = 0;     // ChainTrigger that decided this bonus's 1G連, NONE before
    int preSignBlue = 0;      // 1 when a pre-sign since the last bonus made the next BIG blue

    const MachineRules& Rules() const noexcept { return rules; }

    // The table each lottery draws from at setting s (1..6) and mode m: the
    // one place that chooses, read by the lotteries below and by every law
    // built from this Slot.
    const Rate_TBL<int>& RoleTable(int s) const noexcept { return roleRate[s - 1]; }
    const Rate_TBL<int>& BonusFlagTable(int s) const noexcept { return bonusFlagRate[s - 1]; }
    // kind: PreSignKind 1..4.
    const Rate_TBL<int>& PreSignTable(int kind, int s, int m) const noexcept;
    const Rate_TBL<int>& PreSignLengthTable(int lengthKind) const noexcept
    {
        return preSignLengthRate[lengthKind];
    }
    const Rate_TBL<int>& BonusKindTable(int s, int m) const noexcept;
    const Rate_TBL<int>& BigColorTable(int m) const noexcept { return bigColorRate[m]; }
    const Rate_TBL<int>& RtTable(int s, int m) const noexcept { return rtRate[rules.rtTable[m][s - 1]]; }
    const Rate_TBL<int>& ModeTable(int s, int m, bool afterPreSign) const noexcept;
    // Null for a role that never chains (its draw is still taken).
    const Rate_TBL<int>* ChainTable(int role, int colour) const noexcept;

    // What the 1G連 lottery of a BIG small-role game decides from the index its
    // table gives.
    enum class ChainResult { NONE, BY_COLOUR_LOTTERY, BLUE };
    static ChainResult ChainOf(int role, int colour, int index) noexcept;

    // Games of pre-sign length class c; a class the rules give no length is a
    // caller's error (asserted).
    int PreSignLength(int lengthClass) const noexcept;
    // Game count of RT class c: its base + v mod its span.
    int RtClassBase(int rtClass) const noexcept;
    int RtClassSpan(int rtClass) const noexcept;

    // Lotteries; each takes exactly one table draw (RtLottery one more).
    int BonusFlagLottery(int s);
    int RoleLottery(int s);
    int PreSignLottery(int kind, int s, int m);
    int PreSignLengthLottery(int kind);
    int BonusKindLottery(int s, int m);
    int BigColorLottery(int m);
    int RtLottery(int s, int m);
    int BigRoleLottery();
    int JacLottery();
    int ChainLottery(int role, int colour);
    int ModeLottery(int s, int m);
    int ModeLotteryAfterPreSign(int s, int m);

private:
    void FillTables();
    void NormalGame();
    void EnterPreSign(const PreSignStart& start);
    void BonusGame();
    void JacGame();
    void EndBonus();

    int Draw16() noexcept { return random.Draw16(); }

    RandomSource& random;
    MachineRules rules;
};
