#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "sim/PlaySeries.h"

// What every series the machine plays satisfies, so that the analyses which
// read a file as one whole run (the comparison with the theory, the estimate,
// the statistics over files, the export) can refuse a damaged or edited one
// rather than report figures of a run that never was:
// - the header's setting is 1 to 6, and its play count that of the last record;
// - the first record is the first normal game (play count 1);
// - a normal game adds one play, a bonus game keeps the play count;
// - games since the bonus count 1, 2, ... from the run's start and after each
//   bonus, and stay at the release's count through the bonus's games;
// - every field holds one of the values the machine gives it; a normal game's
//   outcome is a role or a release, and its bonus field is set only by a
//   release, with the release's kind;
// - bonus games come only after a release or another game of that bonus, a
//   release (but the last record's) is followed by its bonus, a bonus game
//   shows an outcome of its bonus's games (a REG has JAC games only) and a 1G連
//   trigger only where that game can decide one.
// Readers that show a file as it is (the play list, report, charts) do not
// check.

// The first thing a series breaks.
struct SeriesFault {
    std::size_t record = 0;  // 1-based record number; 0 for the header
    std::string what;

    // "record 12: ..." or "header: ...", one line.
    std::string Text() const;
    // "'PATH': damaged file, record 12: ...", the refusal every reader words alike.
    std::string Message(const std::string& path) const;
};

// Checks a series record by record, for readers that stream a file.
// To be used as follows: construct with the header's setting and play count,
// Add every record in order (once it returns false the rest are ignored),
// then Finish.
class SeriesCheck {
public:
    SeriesCheck(std::int32_t setting, std::int32_t playCount) noexcept;

    // False once the series is known to be impossible.
    bool Add(const PlayRow& row);
    // The first fault, none for a whole series. A series without a record has
    // no fault here: callers refuse it as holding no plays.
    std::optional<SeriesFault> Finish() const;

private:
    bool Fail(std::string what);

    std::int32_t setting;
    std::int32_t headerPlays;
    std::size_t records = 0;
    PlayRow previous{};
    bool inBonus = false;  // the previous record released a bonus or was one of its games
    std::optional<SeriesFault> fault;
};

// The whole series at once; see SeriesCheck.
std::optional<SeriesFault> CheckSeries(std::int32_t setting, std::int32_t playCount,
                                       const PlaySeries& series);
