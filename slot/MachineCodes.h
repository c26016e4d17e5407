#pragma once

// The machine's codes as its fields, the play series and the simulation file
// hold them. The fields stay plain int (the file stores them as int32), so the
// codes are unscoped enumerators in a namespace: they read as names and
// compare and index as numbers.

// Slot::outcome: what a game showed. 9 is never used.
namespace Outcome {
enum : int {
    NONE = 0,
    CHERRY = 1,
    BELL = 2,
    BENTO = 3,
    REPLAY = 4,
    CHANCE = 5,
    PURE_MISS = 6,
    BIG = 7,  // a BIG released
    REG = 8,  // a REG released
    JAC_WON = 10,
    JAC_MISSED = 11,
    JAC_IN = 12,
};
}  // namespace Outcome
constexpr int OUTCOME_COUNT = Outcome::JAC_IN + 1;  // arrays indexed by outcome code

// Slot::chainTrigger: what decided a 1G連 in the bonus game just played.
// The small-role triggers equal the BIG small-role draw; PURE_MISS and PUNK
// never come from the machine but are counted and shown when a file has them.
namespace ChainTrigger {
enum : int {
    NONE = 0,
    JAC_IN = 1,
    CHERRY = 2,
    BELL = 3,
    BENTO = 4,
    PURE_MISS = 5,
    JAC_MISSED = 6,
    PUNK = 7,  // パンク
};
}  // namespace ChainTrigger
constexpr int CHAIN_TRIGGER_COUNT = ChainTrigger::PUNK + 1;  // arrays indexed by trigger

// Result of Slot::BigRoleLottery, the small-role draw of a BIG game.
namespace BigRole {
enum : int { NONE = 0, JAC_IN = 1, CHERRY = 2, BELL = 3, BENTO = 4, CHANCE = 5 };
}  // namespace BigRole

// Slot::preSign: the pre-sign running until the release, 0 for none.
namespace PreSignKind {
enum : int {
    NONE = 0,
    CHERRY = 1,
    BENTO = 2,
    CHANCE = 3,
    PURE_MISS = 4,
};
}  // namespace PreSignKind
constexpr int PRE_SIGN_KIND_COUNT = PreSignKind::PURE_MISS + 1;  // arrays indexed by kind

// Slot::bonus: the bonus under way (set on its release game).
namespace BonusKind {
enum : int { NONE = 0, BIG = 1, REG = 2 };
}  // namespace BonusKind

// Slot::bigColor and Slot::chainColor; NO_CHAIN_COLOR is chainColor's value
// until a 1G連 colour is decided and the chain lottery's "no chain".
namespace BigColor {
enum : int { RED = 0, BLUE = 1 };
}  // namespace BigColor
constexpr int NO_CHAIN_COLOR = 2;

// Slot::mode, shown as "モード1".."モード3".
namespace Mode {
enum : int { MODE_1 = 0, MODE_2 = 1, MODE_3 = 2 };
}  // namespace Mode
constexpr int MODE_COUNT = 3;

// Result of Slot::BonusFlagLottery when no bonus flag is drawn (and the flag
// a pre-sign game keeps, as it draws none).
constexpr int NO_FLAG = 3;

constexpr int SETTING_MIN = 1;
constexpr int SETTING_MAX = 6;
constexpr int SETTING_COUNT = SETTING_MAX - SETTING_MIN + 1;

// Medals: the bet of a game and what each win pays.
constexpr int BET = 3;      // a normal game and a BIG small-role game; none after a replay
constexpr int JAC_BET = 1;  // a JAC game
constexpr int PAYOUT_CHERRY = 4;
constexpr int PAYOUT_BELL = 10;
constexpr int PAYOUT_BENTO = 5;
constexpr int PAYOUT_RELEASE = 15;  // the game that releases a BIG or REG
constexpr int PAYOUT_JAC = 15;      // a won JAC game and a JAC-in
