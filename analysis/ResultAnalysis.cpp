#include "analysis/ResultAnalysis.h"

#include <limits>
#include <stdexcept>

#include "analysis/RateStatistics.h"
#include "analysis/RowTexts.h"
#include "analysis/Summary.h"

namespace {

// Marker series of a small-role outcome, or -1.
int RoleMarker(std::int32_t outcome) noexcept
{
    switch (outcome) {
        case Outcome::CHERRY:
            return MARKER_CHERRY;
        case Outcome::BELL:
            return MARKER_BELL;
        case Outcome::BENTO:
            return MARKER_BENTOU;
        case Outcome::CHANCE:
            return MARKER_CHANCE;
        case Outcome::PURE_MISS:
            return MARKER_HAZURE;
        default:
            return -1;
    }
}

// The counting pass, plus the sizes of the row lists so they are allocated once.
void CountRows(const PlaySeries::RowVector& rows, ResultCounts& counts, std::size_t& normalRows,
               std::array<std::size_t, MARKER_COUNT>& markerRows, std::size_t& releases)
{
    for (const PlayRow& row : rows) {
        const std::int32_t outcome = row.outcome;
        if (row.IsNormalGame()) {
            ++normalRows;
            if (outcome >= Outcome::CHERRY && outcome <= Outcome::REG)
                ++counts.normalOutcome[static_cast<std::size_t>(outcome)];
            if (row.mode >= Mode::MODE_1 && row.mode <= Mode::MODE_3)
                ++counts.modeStay[static_cast<std::size_t>(row.mode)];
        } else if (outcome >= Outcome::CHERRY && outcome <= Outcome::JAC_IN) {
            ++counts.bonusOutcome[static_cast<std::size_t>(outcome)];
        }
        if (const int marker = RoleMarker(outcome); marker >= 0)
            ++markerRows[static_cast<std::size_t>(marker)];
        if (outcome == Outcome::BIG) ++markerRows[MARKER_BIG];
        if (outcome == Outcome::REG) ++markerRows[MARKER_REG];
        if (row.IsRelease()) ++releases;
    }
}

struct RowPass {
    ResultAnalysis& result;
    std::ptrdiff_t openLine = -1;
    std::int64_t bonusNumber = 0;

    void Step(const PlaySeries::RowVector& rows, std::size_t i)
    {
        const PlayRow& row = rows[i];
        const auto index = static_cast<std::int32_t>(i);
        ResultCounts& counts = result.counts;
        if (row.IsNormalGame()) result.normalRows.push_back(index);

        if (const int marker = RoleMarker(row.outcome); marker >= 0)
            result.markerRows[static_cast<std::size_t>(marker)].push_back(index);
        if (row.IsRelease()) {
            const ReleaseClass kind = ClassifyRelease(row);
            if (kind == ReleaseClass::Chain)
                ++counts.chainReleases;
            else if (kind == ReleaseClass::Regular)
                ++counts.regularReleases;
            else if (row.preSign >= PreSignKind::CHERRY && row.preSign <= PreSignKind::PURE_MISS)
                ++counts.preSignReleases[static_cast<std::size_t>(row.preSign)];
            const bool big = row.outcome == Outcome::BIG;
            if (big && kind != ReleaseClass::Chain) ++counts.bigFirstHits;
            ++bonusNumber;
            result.markerRows[big ? MARKER_BIG : MARKER_REG].push_back(index);
            result.bonusBars.push_back(
                {bonusNumber, row.gamesSinceBonus, big ? BAR_BIG_COLOR : BAR_REG_COLOR});
        }
        if (row.chainTrigger >= ChainTrigger::JAC_IN && row.chainTrigger <= ChainTrigger::PUNK)
            ++counts.chain[static_cast<std::size_t>(row.chainTrigger)];

        if (!row.IsNormalGame()) return;
        // Closing before opening: a 1G連 release ends the previous line and starts its own.
        if (openLine >= 0) {
            BonusLine& line = result.bonusLines[static_cast<std::size_t>(openLine)];
            if (line.releaseRow != i && row.gamesSinceBonus == 1) {
                line.closingRow = static_cast<std::ptrdiff_t>(i);
                openLine = -1;
            }
        }
        if (row.IsRelease()) {
            result.bonusLines.push_back({i, -1});
            openLine = static_cast<std::ptrdiff_t>(result.bonusLines.size()) - 1;
        }
    }
};

}  // namespace

std::size_t ResultAnalysis::MemoryBytes() const noexcept
{
    std::size_t bytes = sizeof(*this) + normalRows.capacity() * sizeof(std::int32_t) +
                        bonusBars.capacity() * sizeof(ChartPoint) +
                        bonusLines.capacity() * sizeof(BonusLine) + summary.capacity();
    for (const auto& rows : markerRows) bytes += rows.capacity() * sizeof(std::int32_t);
    for (const StatTab* tab : {&ren, &koyaku, &modeStay, &rtCancel}) {
        bytes += tab->lines.capacity() * sizeof(StatLine) + tab->slices.capacity() * sizeof(PieSlice);
        for (const StatLine& line : tab->lines)
            bytes +=
                line.name.capacity() + line.count.capacity() + line.rate.capacity() + line.inverse.capacity();
    }
    return bytes;
}

AnalysisOutcome AnalyzeSeries(const PlaySeries& series, const AnalysisProgress& progress)
{
    AnalysisOutcome outcome;
    if (series.Empty() || series.Back().playCount < 1) {
        outcome.status = AnalysisOutcome::Status::NoPlays;
        return outcome;
    }
    const auto& rows = series.Rows();
    // Row indices are kept in 32 bits to keep the lists small.
    if (rows.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw std::length_error("play series too long to analyse");

    ResultAnalysis& result = outcome.analysis;
    result.plays = series.Back().playCount;
    result.axisMin = 1;
    result.axisMax = result.plays;

    std::size_t normalRows = 0;
    std::size_t releases = 0;
    std::array<std::size_t, MARKER_COUNT> markerRows{};
    CountRows(rows, result.counts, normalRows, markerRows, releases);
    result.normalRows.reserve(normalRows);
    for (std::size_t k = 0; k < MARKER_COUNT; ++k) result.markerRows[k].reserve(markerRows[k]);
    result.bonusBars.reserve(releases);
    result.bonusLines.reserve(releases);

    RowPass pass{result};
    const std::size_t total = rows.size();
    int shown = 0;
    std::size_t i = 0;
    while (i < total) {
        // Run up to the first row count whose share reaches the next percent.
        const std::size_t end = (total * static_cast<std::size_t>(shown + 1) + 99) / 100;
        for (; i < end; ++i) pass.Step(rows, i);
        shown = static_cast<int>(i * 100 / total);
        if (progress && !progress(shown)) {
            outcome.status = AnalysisOutcome::Status::Cancelled;
            outcome.analysis = {};
            return outcome;
        }
    }

    result.ren = RenTab(result.counts);
    result.koyaku = KoyakuTab(result.counts, result.plays);
    result.modeStay = ModeStayTab(result.counts, result.plays);
    result.rtCancel = RtCancelTab(result.counts);
    result.summary = SummaryText(result.counts, result.plays, series.Back().medals);
    return outcome;
}
