#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "slot/MachineCodes.h"

#include "sim/LargeBlockAllocator.h"

class Slot;

// One game of a run: the eleven Slot fields right after its Play, in the order
// the simulation file stores them. Rows are kept whole because every reader
// (display, file, report) walks them row by row.
struct PlayRow {
    std::int32_t gamesSinceBonus;
    std::int32_t medals;
    std::int32_t playCount;
    std::int32_t mode;
    std::int32_t bonus;
    std::int32_t bigColor;
    std::int32_t outcome;
    std::int32_t preSign;
    std::int32_t preSignBlue;
    std::int32_t bonusGame;
    std::int32_t chainTrigger;

    static constexpr int FIELD_COUNT = 11;

    static PlayRow FromSlot(const Slot& slot) noexcept;
    // Field j in file order (0 gamesSinceBonus .. 10 chainTrigger).
    std::int32_t Field(int j) const noexcept;
    void SetField(int j, std::int32_t value) noexcept;

    bool IsNormalGame() const noexcept { return bonusGame == 0; }
    bool IsRelease() const noexcept { return outcome == Outcome::BIG || outcome == Outcome::REG; }

    friend bool operator==(const PlayRow&, const PlayRow&) = default;
};
static_assert(sizeof(PlayRow) == 44, "a row is the 44-byte file record");

// The eleven play series of the last run, one row per call of Slot::Play.
class PlaySeries {
public:
    void Clear() noexcept { rows.clear(); }
    void Reserve(std::size_t count) { rows.reserve(count); }
    void Append(const PlayRow& row) { rows.push_back(row); }
    void ShrinkToFit() { rows.shrink_to_fit(); }

    std::size_t Size() const noexcept { return rows.size(); }
    bool Empty() const noexcept { return rows.empty(); }
    const PlayRow& operator[](std::size_t i) const noexcept { return rows[i]; }
    const PlayRow& Back() const noexcept { return rows.back(); }
    using RowVector = std::vector<PlayRow, LargeBlockAllocator<PlayRow>>;
    const RowVector& Rows() const noexcept { return rows; }
    std::size_t MemoryBytes() const noexcept { return rows.capacity() * sizeof(PlayRow); }
    std::size_t Capacity() const noexcept { return rows.capacity(); }

    friend bool operator==(const PlaySeries&, const PlaySeries&) = default;

private:
    RowVector rows;
};

// Bytes this process may give to play series: half of the machine's memory,
// and no more than half of an address-space or data-size limit set on the
// process. 0 if unknown.
std::uint64_t SeriesMemoryBudget();

// The most rows a series may hold within that budget; SIZE_MAX if unknown.
std::size_t MaxSeriesRows();
