#pragma once

#include <array>
#include <vector>

#include "slot/MachineCodes.h"
#include "slot/MachineRules.h"

class Slot;

// The machine's laws (law/SettingLaw.h) of every setting as natural logs, in
// the shape the likelihood pass reads them. -infinity marks what cannot
// happen. Built once per Slot; shared read-only.
struct MachineLaws {
    static constexpr int SETTINGS = SETTING_COUNT;
    static constexpr int MODES = MODE_COUNT;
    static constexpr int ROLES = ROLE_COUNT;               // outcome 0 (no role) .. 6 (pure miss)
    static constexpr int KINDS = PRE_SIGN_KIND_COUNT;      // pre-sign kind 1..4; 0 none
    static constexpr int BIG_ROLES = BigRole::CHANCE + 1;  // BIG small-role draw 1..5

    // The laws of the machine's own tables and rules.
    static const MachineLaws& Get();
    explicit MachineLaws(const Slot& slot);

    MachineRules rules;
    // Pre-sign kind a normal game's role can start (0: none).
    std::array<int, ROLES> preSignKind{};
    // The lengths a pre-sign can have, ascending; logLength is indexed by position in it.
    std::vector<int> preSignGames;

    // Role of a normal game, per setting.
    std::array<std::array<double, ROLES>, SETTINGS> logRole{};
    // A pre-sign of kind k starts in a game whose role allows it (no bonus flag
    // and the hit), and its complement.
    std::array<std::array<std::array<double, KINDS>, MODES>, SETTINGS> logPreSign{};
    std::array<std::array<std::array<double, KINDS>, MODES>, SETTINGS> logNoPreSign{};
    // Pre-sign of kind k: its length (position in preSignGames) and whether it
    // sets the blue mark (index 0 no, 1 yes).
    std::array<std::vector<std::array<double, 2>>, KINDS> logLength{};
    // Release: BIG or REG, by setting and mode.
    std::array<std::array<double, MODES>, SETTINGS> logBig{};
    std::array<std::array<double, MODES>, SETTINGS> logReg{};
    // BIG colour lottery by mode: red, blue.
    std::array<std::array<double, 2>, MODES> colour{};  // plain probabilities
    std::array<std::array<double, 2>, MODES> logColour{};
    // Next mode at a bonus end: [setting][from][after pre-sign][to].
    std::array<std::array<std::array<std::array<double, MODES>, 2>, MODES>, SETTINGS> logNextMode{};
    // RT count drawn in a mode at a setting: P(count = x) and P(count >= x)
    // for x in 0..maxRt + 1.
    int maxRt = 0;
    std::array<std::array<std::vector<double>, MODES>, SETTINGS> logRtAt;
    std::array<std::array<std::vector<double>, MODES>, SETTINGS> logRtAtLeast;
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

    // s: setting index 0..5.
    double LogRtAt(int s, int mode, int x) const noexcept;
    double LogRtAtLeast(int s, int mode, int x) const noexcept;
};
