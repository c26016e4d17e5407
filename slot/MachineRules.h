#pragma once

#include <array>

#include "slot/MachineCodes.h"

// The machine's rules beside its weight tables: the numbers that steer a game
// and which table a lottery draws from. A Slot is built with one value of
// them; the laws, the theory and the estimate read that value from the Slot,
// so a variant of the rules (in tests) changes every reader at once.

constexpr int RT_CLASS_COUNT = 28;  // results of the RT class lottery; beyond the table reads as the last
constexpr int RT_TABLE_COUNT = 4;   // Slot::rtRate
constexpr int PRE_SIGN_BLOCK_COUNT = 2;             // blocks of the pre-sign tables
constexpr int PRE_SIGN_LENGTH_KINDS = 2;            // Slot::preSignLengthRate
constexpr int PRE_SIGN_LENGTH_CLASSES = 6;          // results of a pre-sign length lottery
constexpr int ROLE_COUNT = Outcome::PURE_MISS + 1;  // a normal game's role by its outcome code, 0 for none

// What a normal game's role starts when its pre-sign lottery hits.
struct PreSignStart {
    int kind = PreSignKind::NONE;  // NONE: the role has no pre-sign lottery
    int lengthKind = 0;            // which length table it draws from
    int blueMark = 0;              // preSignBlue once a length class sets the mark
};

struct MachineRules {
    // A pre-sign lottery runs only while the RT count, after the game's
    // decrement, is at least this: a pre-sign never starts on the last games.
    int preSignMinRtCount = 32;

    // A BIG plays small-role games numbered 1..bigSmallRoleGames and ends at
    // the last of them; each JAC-in plays a set of jacSetGames JAC games, and
    // the BIG ends after bigJacSets sets. The last JAC-in waits for game
    // lastJacInGame. A REG is one set.
    int bigSmallRoleGames = 30;
    int jacSetGames = 8;
    int bigJacSets = 3;
    int lastJacInGame = 20;

    // RT count of class c: rtClassBase[c] + v mod rtClassSpan[c], v uniform
    // over 2^31 values. Class 5 starts at 130, not 129.
    std::array<int, RT_CLASS_COUNT> rtClassBase = {1,   17,  33,  65,  97,  130,  193,  250, 257, 300,
                                                   314, 364, 385, 513, 550, 600,  614,  641, 664, 769,
                                                   850, 897, 900, 914, 964, 1025, 1153, 1217};
    std::array<int, RT_CLASS_COUNT> rtClassSpan = {16, 16, 32, 32, 32,  64, 57, 7, 43, 14, 50, 21,  128, 37,
                                                   10, 14, 27, 23, 105, 81, 47, 3, 14, 50, 61, 128, 64,  64};

    // Games of a pre-sign by length class (0: a class the tables never draw),
    // and the first class that sets the blue mark.
    std::array<int, PRE_SIGN_LENGTH_CLASSES> preSignGames = {2, 4, 0, 0, 2, 4};
    int preSignMarkClass = 4;

    // By role: the pre-sign it can start.
    std::array<PreSignStart, ROLE_COUNT> preSignOfRole = {{
        {},
        {PreSignKind::CHERRY, 0, 0},
        {},
        {PreSignKind::BENTO, 1, 1},
        {},
        {PreSignKind::CHANCE, 1, 2},
        {PreSignKind::PURE_MISS, 1, 3},
    }};

    // Table choices: the RT table of a count drawn in a mode at a setting
    // (index setting - 1), and the pre-sign block of a mode.
    std::array<std::array<int, SETTING_COUNT>, MODE_COUNT> rtTable = {{
        {0, 0, 0, 1, 1, 1},
        {2, 2, 2, 2, 2, 2},
        {3, 3, 3, 3, 3, 3},
    }};
    std::array<int, MODE_COUNT> preSignBlock = {0, 0, 1};

    constexpr int BigJacGames() const noexcept { return jacSetGames * bigJacSets; }

    // The largest RT count any class gives.
    constexpr int RtCeiling() const noexcept
    {
        int top = 0;
        for (int c = 0; c < RT_CLASS_COUNT; ++c)
            if (rtClassBase[c] + rtClassSpan[c] - 1 > top) top = rtClassBase[c] + rtClassSpan[c] - 1;
        return top;
    }

    // The longest pre-sign.
    constexpr int LongestPreSign() const noexcept
    {
        int top = 0;
        for (int games : preSignGames)
            if (games > top) top = games;
        return top;
    }

    constexpr bool SetsBlueMark(int lengthClass) const noexcept { return lengthClass >= preSignMarkClass; }

    // Whether a Slot can play by these rules: positive lengths and counts, a
    // wait inside the BIG, choices naming existing tables.
    constexpr bool IsValid() const noexcept
    {
        // After a JAC set the small-role games go on from game 2, so a BIG has two at least.
        if (preSignMinRtCount < 1 || bigSmallRoleGames < 2 || jacSetGames < 1 || bigJacSets < 1) return false;
        if (lastJacInGame < 1 || lastJacInGame > bigSmallRoleGames) return false;
        for (int c = 0; c < RT_CLASS_COUNT; ++c)
            if (rtClassBase[c] < 1 || rtClassSpan[c] < 1) return false;
        for (int games : preSignGames)
            if (games < 0) return false;
        for (const auto& bySetting : rtTable)
            for (int t : bySetting)
                if (t < 0 || t >= RT_TABLE_COUNT) return false;
        for (int b : preSignBlock)
            if (b < 0 || b >= PRE_SIGN_BLOCK_COUNT) return false;
        for (const PreSignStart& start : preSignOfRole) {
            if (start.kind < PreSignKind::NONE || start.kind >= PRE_SIGN_KIND_COUNT) return false;
            if (start.lengthKind < 0 || start.lengthKind >= PRE_SIGN_LENGTH_KINDS) return false;
        }
        return true;
    }
};

inline constexpr MachineRules MACHINE_RULES{};
static_assert(MACHINE_RULES.IsValid());
