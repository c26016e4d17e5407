// The machine's weight tables. Weights are appended in the order the
// lotteries look them up; a table's sum may stay below its draw width, and the
// rest of the range is then that lottery's no-hit result.
#include "slot/Slot.h"

void Slot::FillTables()
{
    static constexpr int CHANCE_ROLE[6] = {442, 444, 446, 448, 450, 452};
    static constexpr int PURE_MISS_ROLE[6] = {102, 112, 119, 123, 109, 172};
    static constexpr int REG_FLAG[6] = {265, 267, 269, 271, 273, 275};
    for (int s = 0; s < 6; ++s) {
        roleRate[s] = {873, 5750, 771, 8991, CHANCE_ROLE[s], PURE_MISS_ROLE[s]};
        bonusFlagRate[s] = {275, REG_FLAG[s]};
    }

    static constexpr int CHANCE_PRE_SIGN[2][6] = {
        {6444, 6457, 6469, 6482, 6495, 6508},
        {25775, 25847, 25887, 25939, 25992, 26051},
    };
    cherryPreSignRate[0] = {2048};
    bentoPreSignRate[0] = {556};
    pureMissPreSignRate[0] = {16375};
    cherryPreSignRate[1] = {8192};
    bentoPreSignRate[1] = {2224};
    pureMissPreSignRate[1] = {65516};
    for (int block = 0; block < 2; ++block)
        for (int s = 0; s < 6; ++s) chancePreSignRate[block][s] = {CHANCE_PRE_SIGN[block][s]};

    static constexpr int KIND_MODE0[6][2] = {
        {32768, 32768}, {32768, 32768}, {33790, 31746}, {32768, 32768}, {31194, 34302}, {32257, 33279},
    };
    static constexpr int KIND_MODE2[6][2] = {
        {46078, 19458}, {40960, 24576}, {46078, 19458}, {40960, 24576}, {49152, 16384}, {40960, 24576},
    };
    for (int s = 0; s < 6; ++s) {
        bonusKindRateMode0[s] = {KIND_MODE0[s][0], KIND_MODE0[s][1]};
        bonusKindRateMode2[s] = {KIND_MODE2[s][0], KIND_MODE2[s][1]};
    }
    bonusKindRateMode1 = {8192, 57344};

    bigColorRate[0] = {62974, 2562};
    bigColorRate[1] = {16384, 49152};
    bigColorRate[2] = {42494, 23042};

    static constexpr int MODE_FROM0[6][3] = {
        {199, 30, 27}, {195, 26, 35}, {190, 36, 30}, {167, 38, 51}, {185, 39, 32}, {160, 42, 54},
    };
    static constexpr int MODE_FROM2[6][3] = {
        {137, 0, 119}, {101, 0, 155}, {121, 0, 135}, {127, 0, 129}, {112, 0, 144}, {139, 0, 117},
    };
    static constexpr int AFTER_PRE_SIGN_FROM0[6][3] = {
        {165, 10, 81}, {173, 13, 70}, {154, 12, 90}, {135, 19, 102}, {147, 13, 96}, {127, 21, 108},
    };
    for (int s = 0; s < 6; ++s) {
        modeRateFrom0[s] = {MODE_FROM0[s][0], MODE_FROM0[s][1], MODE_FROM0[s][2]};
        modeRateFrom2[s] = {MODE_FROM2[s][0], MODE_FROM2[s][1], MODE_FROM2[s][2]};
        modeAfterPreSignRateFrom0[s] = {AFTER_PRE_SIGN_FROM0[s][0], AFTER_PRE_SIGN_FROM0[s][1],
                                        AFTER_PRE_SIGN_FROM0[s][2]};
    }
    modeRateFrom1 = {0, 52, 204};
    modeAfterPreSignRateFrom1 = {0, 52, 204};
    modeAfterPreSignRateFrom2 = {52, 0, 204};

    rtRate[0] = {1501, 1501, 3002, 3998, 1003, 98,  1337, 164, 269,  1835, 6560, 131,  800,   229,
                 315,  1835, 3545, 3021, 655,  505, 295,  20,  2713, 9687, 381,  3999, 10002, 6135};
    rtRate[1] = {1501, 1501, 3002, 1999, 5000, 1501, 1337, 164, 138,  1796, 6409, 66,   400,  117,
                 156,  2666, 5144, 4383, 327,  255,  143,  6,   1795, 6408, 189,  3997, 4999, 10137};
    rtRate[2] = {400,  400,  400, 3002, 6003, 1003, 891,  1180, 6783, 2209, 79, 33,   203,  59,
                 7111, 1992, 39,  33,   165,  126,  5952, 381,  1770, 80,   99, 8003, 8003, 9137};
    rtRate[3] = {6003, 8998, 18001, 9999, 22535};

    bigRoleRate = {19995, 131, 30305, 5461, 9644};
    jacRate = {65454, 82};
    preSignLengthRate[0] = {16384, 49152};
    preSignLengthRate[1] = {0, 0, 0, 0, 16384, 49152};

    chainCherryRate = {32768};
    chainBentoRate = {649};
    chainBellRateRed = {66, 118, 590};
    chainBellRateBlue = {2798, 66, 118, 590};
    chainJacInRate = {52, 52};
}
