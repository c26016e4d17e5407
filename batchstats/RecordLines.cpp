#include "batchstats/RecordLines.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <nlohmann/json.hpp>
#include <system_error>
#include <vector>

#include "batchstats/RecordFields.h"

namespace {

void AppendInt(std::string& out, std::int64_t value)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
}

bool ParseInt(std::string_view text, std::int64_t low, std::int64_t high, std::int64_t& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty() && value >= low && value <= high;
}

// Field `field` of a CSV line, with or without the seed column.
std::size_t CsvField(std::size_t field, bool seeded)
{
    return seeded || field == 0 ? field : field + 1;
}

bool ParseCsvLine(std::string_view line, bool seeded, SimRecord& r, std::string& reason)
{
    std::size_t field = 0;
    std::size_t start = 0;
    const std::size_t scalars = seeded ? RECORD_FIELD_COUNT : RECORD_FIELD_COUNT - 1;
    const std::size_t total = scalars + GRID_POINTS;
    r.seed = NO_SEED;
    while (true) {
        const std::size_t comma = line.find(',', start);
        const std::string_view text =
            line.substr(start, comma == std::string_view::npos ? line.npos : comma - start);
        if (field >= total) {
            reason = "more than " + std::to_string(total) + " fields";
            return false;
        }
        const bool scalar = field < scalars;
        const std::size_t j = scalar ? CsvField(field, seeded) : RECORD_FIELD_COUNT - 1;
        std::int64_t value = 0;
        // A record whose seed is not known leaves the field empty.
        const bool noSeed = scalar && j == SEED_FIELD && text.empty();
        if (!noSeed && !ParseInt(text, RECORD_FIELDS[j].low, RECORD_FIELDS[j].high, value)) {
            reason = "field " + std::to_string(field + 1) + " ('" + std::string(text.substr(0, 40)) +
                     "') is not a whole number in range";
            return false;
        }
        if (noSeed)
            r.seed = NO_SEED;
        else if (scalar)
            SetFieldValue(r, RECORD_FIELDS[j], value);
        else
            r.grid[field - scalars] = static_cast<std::int32_t>(value);
        ++field;
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (field != total) {
        reason = std::to_string(field) + " fields, expected " + std::to_string(total);
        return false;
    }
    return CheckRecord(r, reason);
}

bool ParseJsonLine(std::string_view line, SimRecord& r, std::string& reason)
{
    // The parser keeps the last of repeated keys; a record has each once.
    std::vector<std::string> keys;
    std::string repeated;
    const nlohmann::json::parser_callback_t noteKey = [&](int depth, nlohmann::json::parse_event_t event,
                                                          nlohmann::json& parsed) {
        if (event == nlohmann::json::parse_event_t::key && depth == 1 && repeated.empty()) {
            const std::string& key = parsed.get_ref<const std::string&>();
            if (std::find(keys.begin(), keys.end(), key) != keys.end())
                repeated = key;
            else
                keys.push_back(key);
        }
        return true;
    };
    const nlohmann::json object = nlohmann::json::parse(line, noteKey, false);
    if (object.is_discarded()) {
        reason = "not valid JSON";
        return false;
    }
    if (!repeated.empty()) {
        reason = "the key \"" + repeated + "\" appears twice";
        return false;
    }
    const bool seeded = object.is_object() && object.contains(RECORD_FIELDS[SEED_FIELD].name);
    const std::size_t keyCount = seeded ? RECORD_FIELD_COUNT + 1 : RECORD_FIELD_COUNT;
    if (!object.is_object() || object.size() != keyCount) {
        reason = "not an object with the " + std::to_string(RECORD_FIELD_COUNT + 1) + " record keys";
        return false;
    }
    r.seed = NO_SEED;
    for (std::size_t j = 0; j < RECORD_FIELD_COUNT; ++j) {
        if (j == SEED_FIELD && !seeded) continue;
        const auto it = object.find(RECORD_FIELDS[j].name);
        if (it == object.end() || !it->is_number_integer()) {
            reason = std::string("missing or non-integer \"") + RECORD_FIELDS[j].name + "\"";
            return false;
        }
        // Unsigned values above int64 cannot be in range; read them as such.
        const bool tooLarge = it->is_number_unsigned() &&
                              it->get<std::uint64_t>() > static_cast<std::uint64_t>(RECORD_FIELDS[j].high);
        const auto value = tooLarge ? 0 : it->get<std::int64_t>();
        if (tooLarge || !InFieldRange(RECORD_FIELDS[j], value)) {
            reason = std::string("\"") + RECORD_FIELDS[j].name + "\" out of range";
            return false;
        }
        SetFieldValue(r, RECORD_FIELDS[j], value);
    }
    const auto grid = object.find("grid");
    if (grid == object.end() || !grid->is_array() || grid->size() != GRID_POINTS) {
        reason = "\"grid\" must be an array of " + std::to_string(GRID_POINTS) + " balances";
        return false;
    }
    for (std::size_t k = 0; k < GRID_POINTS; ++k) {
        const auto& v = (*grid)[k];
        const bool ok =
            v.is_number_integer() &&
            (v.is_number_unsigned() ? v.get<std::uint64_t>() <= static_cast<std::uint64_t>(BALANCE_HIGH)
                                    : v.get<std::int64_t>() >= BALANCE_LOW);
        if (!ok) {
            reason = "\"grid\" must hold whole numbers in range";
            return false;
        }
        r.grid[k] = static_cast<std::int32_t>(v.get<std::int64_t>());
    }
    return CheckRecord(r, reason);
}

// Fast readers of the exact layout RecordLine writes. They accept only lines
// the general parsers accept too, and read the same values from them; any
// other line goes to the general parsers, which also word the errors.

// An optional '-' and 1 to 18 digits (so no overflow), as std::from_chars
// reads them; `json` also refuses what JSON does not allow (leading zeros, -0).
// Returns the end of the number, or nullptr.
// How many of the 8 characters in `chunk` (first in the lowest byte) are
// digits before the first other one.
int LeadingDigits(std::uint64_t chunk) noexcept
{
    constexpr std::uint64_t HIGH = 0xF0F0F0F0F0F0F0F0;
    constexpr std::uint64_t THREE = 0x3030303030303030;
    // Non-zero bytes: high nibble not 3, or low nibble above 9. A carry out
    // of a byte only reaches later ones, past the first non-digit.
    const std::uint64_t other = ((chunk & HIGH) ^ THREE) | (((chunk + 0x0606060606060606) & HIGH) ^ THREE);
    constexpr std::uint64_t LOW7 = 0x7F7F7F7F7F7F7F7F;
    const std::uint64_t flags = (((other & LOW7) + LOW7) | other) & ~LOW7;
    return flags == 0 ? 8 : std::countr_zero(flags) / 8;
}

// The value of 8 digits (first in the lowest byte; zero bytes count as 0).
std::uint64_t EightDigits(std::uint64_t chunk) noexcept
{
    chunk = (chunk & 0x0F0F0F0F0F0F0F0F) * 2561 >> 8;
    chunk = (chunk & 0x00FF00FF00FF00FF) * 6553601 >> 16;
    return (chunk & 0x0000FFFF0000FFFF) * 42949672960001 >> 32;
}

// An optional '-' and 1 to 18 digits (so no overflow), as std::from_chars
// reads them; `json` also refuses what JSON does not allow (leading zeros, -0).
// Returns the end of the number, or nullptr.
const char* ReadWhole(const char* p, const char* end, bool json, std::int64_t& value) noexcept
{
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    const char* first = p;
    std::uint64_t v = 0;
    // Most numbers are short and end before the line does: eight characters
    // at once, without a branch per digit.
    int digits = 8;
    if constexpr (std::endian::native == std::endian::little) {
        if (end - p >= 8) {
            std::uint64_t chunk = 0;
            std::memcpy(&chunk, p, 8);
            digits = LeadingDigits(chunk);
            if (digits > 0 && digits < 8) {
                v = EightDigits(chunk << (8 * (8 - digits)));
                p += digits;
            }
        }
    }
    if (digits == 8)
        while (p != end && static_cast<unsigned char>(*p - '0') < 10)
            v = v * 10 + static_cast<unsigned>(*p++ - '0');
    const auto count = p - first;
    if (count == 0 || count > 18) return nullptr;
    if (json && ((*first == '0' && count > 1) || (negative && v == 0))) return nullptr;
    value = negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    return p;
}

bool Skip(const char*& p, const char* end, std::string_view literal) noexcept
{
    if (static_cast<std::size_t>(end - p) < literal.size() ||
        std::memcmp(p, literal.data(), literal.size()) != 0)
        return false;
    p += literal.size();
    return true;
}

// Reads the grid's balances, comma-separated.
bool ReadGrid(const char*& p, const char* end, bool json, SimRecord& r) noexcept
{
    for (std::size_t k = 0; k < GRID_POINTS; ++k) {
        std::int64_t v = 0;
        if ((k > 0 && (p == end || *p++ != ',')) || !(p = ReadWhole(p, end, json, v)) || v < BALANCE_LOW ||
            v > BALANCE_HIGH)
            return false;
        r.grid[k] = static_cast<std::int32_t>(v);
    }
    return true;
}

bool FastCsvLine(std::string_view line, bool seeded, SimRecord& r) noexcept
{
    const char* p = line.data();
    const char* end = p + line.size();
    r.seed = NO_SEED;
    for (std::size_t j = 0; j < RECORD_FIELD_COUNT; ++j) {
        if (j == SEED_FIELD && !seeded) continue;
        std::int64_t v = 0;
        if ((j > 0 && (p == end || *p++ != ',')) || !(p = ReadWhole(p, end, false, v)) ||
            !InFieldRange(RECORD_FIELDS[j], v))
            return false;
        SetFieldValue(r, RECORD_FIELDS[j], v);
    }
    if (p == end || *p++ != ',') return false;
    return ReadGrid(p, end, false, r) && p == end;
}

bool FastJsonLine(std::string_view line, SimRecord& r) noexcept
{
    static const std::array<std::string, RECORD_FIELD_COUNT> keys = [] {
        std::array<std::string, RECORD_FIELD_COUNT> k;
        for (std::size_t j = 0; j < RECORD_FIELD_COUNT; ++j)
            k[j] = std::string(j == 0 ? "{\"" : ",\"") + RECORD_FIELDS[j].name + "\":";
        return k;
    }();
    const char* p = line.data();
    const char* end = p + line.size();
    r.seed = NO_SEED;
    for (std::size_t j = 0; j < RECORD_FIELD_COUNT; ++j) {
        std::int64_t v = 0;
        if (j == SEED_FIELD && !Skip(p, end, keys[j])) continue;  // written before records had it
        if ((j != SEED_FIELD && !Skip(p, end, keys[j])) || !(p = ReadWhole(p, end, true, v)) ||
            !InFieldRange(RECORD_FIELDS[j], v))
            return false;
        SetFieldValue(r, RECORD_FIELDS[j], v);
    }
    return Skip(p, end, ",\"grid\":[") && ReadGrid(p, end, true, r) && Skip(p, end, "]}") && p == end;
}

std::string CsvHeader(bool seeded)
{
    std::string header;
    for (std::size_t j = 0; j < RECORD_FIELD_COUNT; ++j) {
        if (j == SEED_FIELD && !seeded) continue;
        if (!header.empty()) header += ',';
        header += RECORD_FIELDS[j].name;
    }
    for (int k = 1; k <= GRID_POINTS; ++k) header += ",b" + std::to_string(k);
    return header;
}

}  // namespace

std::string RecordsCsvHeader()
{
    static const std::string header = CsvHeader(true);
    return header;
}

std::string UnseededCsvHeader()
{
    static const std::string header = CsvHeader(false);
    return header;
}

void AppendRecordLine(std::string& line, const SimRecord& record, RecordsFormat format)
{
    if (format == RecordsFormat::Csv) {
        for (std::size_t j = 0; j < RECORD_FIELD_COUNT; ++j) {
            if (j > 0) line += ',';
            if (j != SEED_FIELD || record.seed != NO_SEED)
                AppendInt(line, FieldValue(record, RECORD_FIELDS[j]));
        }
        for (const std::int32_t b : record.grid) {
            line += ',';
            AppendInt(line, b);
        }
    } else {
        line += '{';
        for (std::size_t j = 0; j < RECORD_FIELD_COUNT; ++j) {
            if (j == SEED_FIELD && record.seed == NO_SEED) continue;
            line += '"';
            line += RECORD_FIELDS[j].name;
            line += "\":";
            AppendInt(line, FieldValue(record, RECORD_FIELDS[j]));
            line += ',';
        }
        line += "\"grid\":[";
        for (std::size_t k = 0; k < record.grid.size(); ++k) {
            if (k > 0) line += ',';
            AppendInt(line, record.grid[k]);
        }
        line += "]}";
    }
    line += '\n';
}

std::string RecordLine(const SimRecord& record, RecordsFormat format)
{
    std::string line;
    line.reserve(1024);
    AppendRecordLine(line, record, format);
    return line;
}

// One record line of the given format (its number 2 or later) into `r`;
// false with the reason.
bool ParseRecordLine(std::string_view line, RecordsFormat format, bool seeded, SimRecord& r,
                     std::string& reason)
{
    if (line.size() > MAX_LINE_BYTES) {
        reason = "line too long";
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) {
        reason = "empty line";
        return false;
    }
    if (format == RecordsFormat::Csv)
        return FastCsvLine(line, seeded, r) ? CheckRecord(r, reason) : ParseCsvLine(line, seeded, r, reason);
    return FastJsonLine(line, r) ? CheckRecord(r, reason) : ParseJsonLine(line, r, reason);
}
