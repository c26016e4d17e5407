#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "batchstats/SimRecord.h"
#include "batchstats/Statistics.h"

// The scalar fields of a record, in the order files write them: the one list
// the writer, the readers and the record table go by. A field is kept either
// wide (std::int64_t) or narrow (std::int32_t); the other pair of pointers is
// null. The grid's balances follow the scalars in files.
struct RecordField {
    const char* name;  // CSV column and JSON key
    std::int64_t low;  // the whole numbers a file may hold in it
    std::int64_t high;
    std::int64_t SimRecord::*wide;
    std::int32_t SimRecord::*narrow;
    std::vector<std::int64_t> RecordTable::*wideColumn;
    std::vector<std::int32_t> RecordTable::*narrowColumn;
};

inline constexpr std::int64_t BALANCE_LOW = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int64_t BALANCE_HIGH = std::numeric_limits<std::int32_t>::max();

namespace record_fields_detail {
constexpr RecordField Wide(const char* name, std::int64_t low, std::int64_t high,
                           std::int64_t SimRecord::*member, std::vector<std::int64_t> RecordTable::*column)
{
    return {name, low, high, member, nullptr, column, nullptr};
}
constexpr RecordField Narrow(const char* name, std::int32_t SimRecord::*member,
                             std::vector<std::int32_t> RecordTable::*column)
{
    return {name, BALANCE_LOW, BALANCE_HIGH, nullptr, member, nullptr, column};
}
}  // namespace record_fields_detail

inline constexpr std::array<RecordField, 11> RECORD_FIELDS = {{
    record_fields_detail::Wide("sim", 0, std::numeric_limits<std::int64_t>::max(), &SimRecord::sim,
                               &RecordTable::sim),
    record_fields_detail::Wide("seed", 0, std::numeric_limits<std::uint32_t>::max(), &SimRecord::seed,
                               &RecordTable::seed),
    record_fields_detail::Narrow("setting", &SimRecord::setting, &RecordTable::setting),
    record_fields_detail::Narrow("plays", &SimRecord::plays, &RecordTable::plays),
    record_fields_detail::Narrow("final_balance", &SimRecord::finalBalance, &RecordTable::finalBalance),
    record_fields_detail::Narrow("big", &SimRecord::big, &RecordTable::big),
    record_fields_detail::Narrow("reg", &SimRecord::reg, &RecordTable::reg),
    record_fields_detail::Narrow("big_first_hits", &SimRecord::bigFirstHits, &RecordTable::bigFirstHits),
    record_fields_detail::Narrow("longest_drought", &SimRecord::longestDrought, &RecordTable::longestDrought),
    record_fields_detail::Narrow("lowest_balance", &SimRecord::lowestBalance, &RecordTable::lowestBalance),
    record_fields_detail::Narrow("highest_balance", &SimRecord::highestBalance, &RecordTable::highestBalance),
}};
inline constexpr std::size_t RECORD_FIELD_COUNT = RECORD_FIELDS.size();

// Records written before they carried the seed lack this field.
inline constexpr std::size_t SEED_FIELD = 1;
static_assert(std::string_view(RECORD_FIELDS[SEED_FIELD].name) == "seed");

inline std::int64_t FieldValue(const SimRecord& record, const RecordField& field) noexcept
{
    return field.wide ? record.*field.wide : record.*field.narrow;
}

// `value` lies in the field's range.
inline void SetFieldValue(SimRecord& record, const RecordField& field, std::int64_t value) noexcept
{
    if (field.wide)
        record.*field.wide = value;
    else
        record.*field.narrow = static_cast<std::int32_t>(value);
}

inline bool InFieldRange(const RecordField& field, std::int64_t value) noexcept
{
    return value >= field.low && value <= field.high;
}

// The checks a record written by a run always passes; false with the reason.
[[nodiscard]] bool CheckRecord(const SimRecord& record, std::string& reason);
