#pragma once

#include <array>
#include <vector>

#include "slot/MachineCodes.h"

// The probabilities of the machine's lotteries, as natural logs, read from the
// weight tables a Slot plays with and reduced the way its lotteries reduce the
// draws (including where a draw lies beyond a table). -infinity marks what
// cannot happen. Built once; shared read-only.
struct MachineLaws {
    static constexpr int SETTINGS = SETTING_COUNT;
    static constexpr int MODES = MODE_COUNT;
    static constexpr int ROLES = Outcome::PURE_MISS + 1;   // outcome 0 (no role) .. 6 (pure miss)
    static constexpr int KINDS = PRE_SIGN_KIND_COUNT;      // pre-sign kind 1..4; 0 none
    static constexpr int BIG_ROLES = BigRole::CHANCE + 1;  // BIG small-role draw 1..5
    static constexpr int RT_LAWS = 4;                      // mode 0 settings 1-3, 4-6, mode 1, mode 2

    // Role of a normal game, per setting.
    std::array<std::array<double, ROLES>, SETTINGS> logRole{};
    // A pre-sign of kind k starts in a game whose role allows it (no bonus flag
    // and the hit), and its complement.
    std::array<std::array<std::array<double, KINDS>, MODES>, SETTINGS> logPreSign{};
    std::array<std::array<std::array<double, KINDS>, MODES>, SETTINGS> logNoPreSign{};
    // Pre-sign of kind k: length 2 or 4 games (index 0, 1) and whether it sets
    // the blue mark (index 0 no, 1 yes).
    std::array<std::array<std::array<double, 2>, 2>, KINDS> logLength{};
    // Release: BIG or REG, by setting and mode.
    std::array<std::array<double, MODES>, SETTINGS> logBig{};
    std::array<std::array<double, MODES>, SETTINGS> logReg{};
    // BIG colour lottery by mode: red, blue.
    std::array<std::array<double, 2>, MODES> colour{};  // plain probabilities
    std::array<std::array<double, 2>, MODES> logColour{};
    // Next mode at a bonus end: [setting][from][after pre-sign][to].
    std::array<std::array<std::array<std::array<double, MODES>, 2>, MODES>, SETTINGS> logNextMode{};
    // RT count law: P(count = x) and P(count >= x) for x in 0..MAX_RT + 1.
    static constexpr int MAX_RT = 1280;
    std::array<std::vector<double>, RT_LAWS> logRtAt;
    std::array<std::vector<double>, RT_LAWS> logRtAtLeast;
    // BIG small-role game and JAC game.
    std::array<double, BIG_ROLES> logBigRole{};
    double logJacWon = 0;
    double logJacMissed = 0;
    // 1G連 lottery of a small-role game, [role][BIG colour]: no 1G連, 1G連
    // coloured by the colour lottery, 1G連 blue outright (plain probabilities).
    struct Chain {
        double none = 1;
        double byLottery = 0;
        double blue = 0;
    };
    std::array<std::array<Chain, 2>, BIG_ROLES> chain{};

    // Which RT law a release in `mode` at `setting` draws from.
    static int RtLaw(int setting, int mode) noexcept
    {
        return mode == Mode::MODE_1 ? (setting <= 3 ? 0 : 1) : mode == Mode::MODE_2 ? 2 : 3;
    }
    double LogRtAt(int law, int x) const noexcept;
    double LogRtAtLeast(int law, int x) const noexcept;

    // Pre-sign kind a normal game's role can start (0: none).
    static constexpr std::array<int, ROLES> PRE_SIGN_KIND = {
        PreSignKind::NONE, PreSignKind::CHERRY, PreSignKind::NONE,     PreSignKind::BENTO,
        PreSignKind::NONE, PreSignKind::CHANCE, PreSignKind::PURE_MISS};

    static const MachineLaws& Get();
};
