#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Status.h"
#include "sim/PlaySeries.h"
#include "slot/MachineCodes.h"

// The exact likelihood of a run under each setting, and the posterior over the
// settings it gives with a prior.
//
// The likelihood is the probability that a fresh machine (the state a run
// starts from: mode 0, a fresh RT count, nothing pending, no blue mark) plays
// what the series shows, summed over every hidden path of the machine. It is
// computed by a forward pass over the hidden state between bonuses (mode,
// pending 1G連 and its colour), one step per normal phase and one per bonus,
// linear in the number of rows and held in log space throughout.

enum class Evidence {
    Hall,    // what a player at the machine sees: outcomes, BIG colours, bonus games
    Record,  // the whole series: also the mode, pre-sign and 1G連 columns
};

// "hall" / "record"; ParseEvidence accepts exactly these.
const char* EvidenceName(Evidence evidence) noexcept;
std::optional<Evidence> ParseEvidence(std::string_view text) noexcept;

// One value per setting, index s - 1.
using SettingValues = std::array<double, SETTING_COUNT>;

inline constexpr SettingValues FLAT_PRIOR = {1, 1, 1, 1, 1, 1};

// Log-likelihood of the series so far, after a bonus has ended.
struct LikelihoodPoint {
    std::int32_t playCount = 0;  // normal games played before the bonus ended
    SettingValues logLikelihood{};
};

struct [[nodiscard]] SeriesLikelihood {
    // Natural log of the probability per setting; -infinity where that setting
    // cannot produce the series. All -infinity when no setting can (a series
    // the machine does not produce, such as a damaged or edited file).
    SettingValues logLikelihood{};
    std::int64_t normalGames = 0;
    // The value at play 0 (all zero), then one point per ended bonus; empty
    // unless asked for.
    std::vector<LikelihoodPoint> path;
    // Empty, or why no setting can produce the series (the first row at fault).
    std::string impossible;
};

struct MachineLaws;

// The same pass row by row, for series that are played rather than stored.
class LikelihoodPass {
public:
    // With the machine's own laws, or with `laws` (which must outlive the pass).
    explicit LikelihoodPass(Evidence evidence, bool withPath = false);
    LikelihoodPass(const MachineLaws& laws, Evidence evidence, bool withPath = false);
    ~LikelihoodPass();
    LikelihoodPass(const LikelihoodPass&) = delete;
    LikelihoodPass& operator=(const LikelihoodPass&) = delete;

    // False once the series is known to be impossible; later rows are ignored.
    bool Add(const PlayRow& row);
    // The result of the rows added; call once, last.
    SeriesLikelihood Finish();

private:
    class Impl;
    std::unique_ptr<Impl> impl;
};

// Reads only the outcome, bigColor and bonusGame columns for Evidence::Hall.
// Never throws beyond std::bad_alloc.
SeriesLikelihood ComputeLikelihood(std::span<const PlayRow> rows, Evidence evidence, bool withPath = false);
// The same under the laws of another Slot (a variant of the rules or tables).
SeriesLikelihood ComputeLikelihood(const MachineLaws& laws, std::span<const PlayRow> rows, Evidence evidence,
                                   bool withPath = false);

// Ok when `prior` is usable: six finite weights, none negative, not all zero.
// Otherwise NotValid with the reason, in words for the user.
Status CheckPrior(const SettingValues& prior);

// Posterior ∝ prior × likelihood, normalised. Returns nothing when the prior
// gives weight 0 to every setting that can produce the series.
std::optional<SettingValues> Posterior(const SettingValues& logLikelihood, const SettingValues& prior);

struct PosteriorPoint {
    std::int32_t playCount = 0;
    SettingValues posterior{};
};

struct [[nodiscard]] SettingEstimate {
    Evidence evidence = Evidence::Hall;
    std::int64_t normalGames = 0;
    SettingValues logLikelihood{};
    SettingValues posterior{};
    int mostLikely = 0;                // 1..6; the lowest setting on a tie
    double expectedPayoutPercent = 0;  // Σ posterior × theoretical payout
    std::vector<PosteriorPoint> path;
    Status status;  // not Ok: no posterior (the other figures but games are unset)

    bool Ok() const noexcept { return status.Ok(); }
};

// The whole estimate of a series. Preconditions: CheckPrior(prior) is Ok.
// An empty series, one no setting can produce, or a prior that rules out every
// setting that can, gives an error and no posterior.
SettingEstimate EstimateSetting(std::span<const PlayRow> rows, Evidence evidence,
                                const SettingValues& prior = FLAT_PRIOR, bool withPath = false);

// The long-run payout rate 機械割 (percent) of each setting, from the theory of
// the machine's tables; computed on first use.
const SettingValues& TheoreticalPayoutPercent();

// The estimate from a likelihood computed before (the path if it holds one),
// so a new prior needs no new pass over the series.
SettingEstimate EstimateFromLikelihood(const SeriesLikelihood& likelihood, Evidence evidence,
                                       const SettingValues& prior);

// Index + 1 of the largest value; the lowest on a tie.
int MostLikelySetting(const SettingValues& posterior) noexcept;
