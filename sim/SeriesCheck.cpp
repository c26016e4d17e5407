#include "sim/SeriesCheck.h"

#include "slot/MachineCodes.h"

namespace {

// The marks a pre-sign leaves for a blue BIG: bento box 1, chance pattern 2,
// pure miss 3.
constexpr int BLUE_MARK_MAX = 3;

std::string Number(std::int64_t value)
{
    return std::to_string(value);
}

bool InRange(std::int32_t value, int low, int high) noexcept
{
    return value >= low && value <= high;
}

// Empty, or the first field outside the values the machine gives it.
std::string FieldFault(const PlayRow& row)
{
    const struct {
        const char* name;
        std::int32_t value;
        int high;
    } fields[] = {
        {"mode", row.mode, MODE_COUNT - 1},
        {"bonus", row.bonus, BonusKind::REG},
        {"BIG colour", row.bigColor, BigColor::BLUE},
        {"pre-sign", row.preSign, PRE_SIGN_KIND_COUNT - 1},
        {"blue mark", row.preSignBlue, BLUE_MARK_MAX},
        {"1G連 trigger", row.chainTrigger, CHAIN_TRIGGER_COUNT - 1},
    };
    for (const auto& field : fields)
        if (!InRange(field.value, 0, field.high))
            return std::string(field.name) + " " + Number(field.value) + " does not exist (0 to " +
                   Number(field.high) + ")";
    if (row.bonusGame < 0) return "bonus game " + Number(row.bonusGame) + " does not exist";
    if (row.gamesSinceBonus < 1)
        return "games since the bonus " + Number(row.gamesSinceBonus) + " (at least 1 in a run)";
    return {};
}

bool IsBigGameOutcome(std::int32_t outcome) noexcept
{
    switch (outcome) {
        case Outcome::NONE:
        case Outcome::CHERRY:
        case Outcome::BELL:
        case Outcome::BENTO:
        case Outcome::CHANCE:
        case Outcome::JAC_IN:
        case Outcome::JAC_WON:
        case Outcome::JAC_MISSED:
            return true;
        default:
            return false;
    }
}

// The 1G連 trigger a bonus game with this outcome shows when its game decides
// one: the small role drawn (a JAC-in held back until game 20 shows no
// outcome), every missed JAC game; NONE where none can be decided.
int DecidingTrigger(std::int32_t outcome) noexcept
{
    switch (outcome) {
        case Outcome::NONE:
        case Outcome::JAC_IN:
            return ChainTrigger::JAC_IN;
        case Outcome::CHERRY:
            return ChainTrigger::CHERRY;
        case Outcome::BELL:
            return ChainTrigger::BELL;
        case Outcome::BENTO:
            return ChainTrigger::BENTO;
        case Outcome::JAC_MISSED:
            return ChainTrigger::JAC_MISSED;
        default:
            return ChainTrigger::NONE;
    }
}

int ReleasedKind(std::int32_t outcome) noexcept
{
    if (outcome == Outcome::BIG) return BonusKind::BIG;
    if (outcome == Outcome::REG) return BonusKind::REG;
    return BonusKind::NONE;
}

const char* KindName(std::int32_t kind) noexcept
{
    return kind == BonusKind::BIG ? "BIG" : "REG";
}

}  // namespace

std::string SeriesFault::Text() const
{
    return (record == 0 ? std::string("header") : "record " + Number(static_cast<std::int64_t>(record))) +
           ": " + what;
}

std::string SeriesFault::Message(const std::string& path) const
{
    return "'" + path + "': damaged file, " + Text();
}

SeriesCheck::SeriesCheck(std::int32_t headerSetting, std::int32_t playCount) noexcept
    : setting(headerSetting), headerPlays(playCount)
{
}

bool SeriesCheck::Fail(std::string what)
{
    fault = SeriesFault{records, std::move(what)};
    return false;
}

bool SeriesCheck::Add(const PlayRow& row)
{
    if (fault) return false;
    ++records;
    if (records == 1 && !InRange(setting, SETTING_MIN, SETTING_MAX)) {
        fault = SeriesFault{0, "setting " + Number(setting) + " is not " + Number(SETTING_MIN) + " to " +
                                   Number(SETTING_MAX)};
        return false;
    }
    if (std::string field = FieldFault(row); !field.empty()) return Fail(std::move(field));

    const bool first = records == 1;
    if (row.IsNormalGame()) {
        if (!first && previous.IsNormalGame() && previous.IsRelease())
            return Fail("a normal game where the " + std::string(KindName(previous.bonus)) +
                        " released in record " + Number(static_cast<std::int64_t>(records - 1)) +
                        " plays its games");
        const std::int64_t play = first ? 1 : std::int64_t{previous.playCount} + 1;
        if (row.playCount != play)
            return Fail("play " + Number(row.playCount) + " where play " + Number(play) +
                        " comes (a normal game adds one)");
        const std::int64_t since = first || inBonus ? 1 : std::int64_t{previous.gamesSinceBonus} + 1;
        if (row.gamesSinceBonus != since)
            return Fail("games since the bonus " + Number(row.gamesSinceBonus) + " where " + Number(since) +
                        " comes");
        if (!InRange(row.outcome, Outcome::NONE, Outcome::REG))
            return Fail("outcome " + Number(row.outcome) + " cannot come in a normal game");
        if (row.bonus != ReleasedKind(row.outcome))
            return Fail("bonus " + Number(row.bonus) + " with outcome " + Number(row.outcome) +
                        " (only a release sets the bonus, to its kind)");
        if (row.chainTrigger != ChainTrigger::NONE)
            return Fail("1G連 trigger " + Number(row.chainTrigger) + " in a normal game");
        inBonus = row.IsRelease();
    } else {
        if (first || !inBonus) return Fail("a bonus game without a bonus released before it");
        if (row.playCount != previous.playCount)
            return Fail("a bonus game at play " + Number(row.playCount) + " after play " +
                        Number(previous.playCount) + " (a bonus game keeps the play count)");
        if (row.gamesSinceBonus != previous.gamesSinceBonus)
            return Fail("games since the bonus " + Number(row.gamesSinceBonus) + " in a bonus game where " +
                        Number(previous.gamesSinceBonus) + " stays");
        if (row.bonus != previous.bonus)
            return Fail("bonus " + Number(row.bonus) + " in a game of a " + KindName(previous.bonus));
        const bool jacOnly = row.bonus == BonusKind::REG;
        const bool jacGame = row.outcome == Outcome::JAC_WON || row.outcome == Outcome::JAC_MISSED;
        if (jacOnly ? !jacGame : !IsBigGameOutcome(row.outcome))
            return Fail("outcome " + Number(row.outcome) + " cannot come in a " + KindName(row.bonus) +
                        "'s game");
        const int deciding = DecidingTrigger(row.outcome);
        const bool always = row.outcome == Outcome::JAC_MISSED;
        if (row.chainTrigger != deciding && (always || row.chainTrigger != ChainTrigger::NONE))
            return Fail("1G連 trigger " + Number(row.chainTrigger) + " cannot come with outcome " +
                        Number(row.outcome));
    }
    previous = row;
    return true;
}

std::optional<SeriesFault> SeriesCheck::Finish() const
{
    if (records == 0) return std::nullopt;
    if (fault) return fault;
    if (previous.playCount != headerPlays)
        return SeriesFault{records, "the last record is play " + Number(previous.playCount) +
                                        ", but the header says " + Number(headerPlays) + " plays"};
    return std::nullopt;
}

std::optional<SeriesFault> CheckSeries(std::int32_t setting, std::int32_t playCount, const PlaySeries& series)
{
    SeriesCheck check(setting, playCount);
    for (const PlayRow& row : series.Rows())
        if (!check.Add(row)) break;
    return check.Finish();
}
