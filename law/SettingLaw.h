#pragma once

#include <array>
#include <vector>

#include "slot/MachineCodes.h"
#include "slot/MachineRules.h"

class Slot;

// The machine at one setting as transition laws: a normal game, a release, a
// bonus game and a cycle start, read from the weight tables and rules a Slot
// plays with, through the tables its own lotteries choose, and reduced the way
// those lotteries reduce a draw (a draw beyond a table included). Theory and
// estimate build from it and nothing else.
//
// Every probability is a share of draws: a whole number over 2^8, 2^16, 2^32
// or 2^47, exact in a double. Sums and products of a few of them stay exact,
// so a reader may combine them in any order.
struct SettingLaw {
    static constexpr int ROLES = ROLE_COUNT;
    static constexpr int BIG_ROLES = BigRole::CHANCE + 1;

    // One pre-sign length class that can be drawn.
    struct Length {
        double p = 0;
        int games = 0;
        bool setsMark = false;  // the pre-sign's blue mark is set (if its kind has one)
    };
    // 1G連 decision of a BIG small-role game: none, coloured by the colour
    // lottery, blue outright.
    struct Chain {
        double none = 1;
        double byLottery = 0;
        double blue = 0;
    };

    int setting = 1;
    MachineRules rules;

    // Normal game: the role (by outcome code, 0 for none) and no bonus flag.
    std::array<double, ROLES> role{};
    double noFlag = 0;
    // P(no bonus flag and the role's pre-sign lottery hits), given the role, in
    // a game that may start a pre-sign; by mode and role, 0 for a role that
    // starts none.
    std::array<std::array<double, ROLES>, MODE_COUNT> preSign{};
    // Pre-sign lengths by length kind, in class order.
    std::array<std::vector<Length>, PRE_SIGN_LENGTH_KINDS> lengths;

    // Release without a 1G連: BIG (else REG) by mode; the colour lottery by
    // mode, red and blue.
    std::array<double, MODE_COUNT> big{};
    std::array<std::array<double, 2>, MODE_COUNT> colour{};

    // Bonus: the small-role draw (NONE beyond the table), its 1G連 decision by
    // role and BIG colour, a JAC game won.
    std::array<double, BIG_ROLES> bigRole{};
    std::array<std::array<Chain, 2>, BIG_ROLES> chain{};
    double jacWon = 0;

    // Cycle start after a bonus without 1G連: the next mode, [from][after a
    // pre-sign][to], and the RT count drawn in the new mode, P(count = n) for
    // n in 0..rules.RtCeiling().
    std::array<std::array<std::array<double, MODE_COUNT>, 2>, MODE_COUNT> nextMode{};
    std::array<std::vector<double>, MODE_COUNT> rtCount;
};

// The law of `slot`'s tables and rules at setting 1..6 (its state is not
// read). The setting must be valid, as for Slot::SetSetting.
SettingLaw BuildSettingLaw(const Slot& slot, int setting);
