#include "batchstats/RecordsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "sim/SeriesCheck.h"
#include "sim/SimFile.h"
#include "slot/MachineCodes.h"

namespace {

constexpr std::size_t SCALAR_FIELDS = 11;
constexpr std::array<const char*, SCALAR_FIELDS> FIELD_NAMES = {
    "sim", "seed",           "setting",         "plays",          "final_balance",  "big",
    "reg", "big_first_hits", "longest_drought", "lowest_balance", "highest_balance"};
// Records written before they carried the seed lack that field.
constexpr std::size_t SEED_FIELD = 1;
// Records are about a kilobyte a line; anything far longer is not one.
constexpr std::size_t MAX_LINE_BYTES = 64 * 1024;
constexpr std::size_t READ_CHUNK_BYTES = 1 << 20;
constexpr std::size_t WRITE_BUFFER_BYTES = 1 << 20;

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

bool EndsWith(const std::string& text, std::string_view tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void AppendInt(std::string& out, std::int64_t value)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
}

std::int64_t ScalarField(const SimRecord& r, std::size_t j)
{
    switch (j) {
        case 0:
            return r.sim;
        case 1:
            return r.seed;
        case 2:
            return r.setting;
        case 3:
            return r.plays;
        case 4:
            return r.finalBalance;
        case 5:
            return r.big;
        case 6:
            return r.reg;
        case 7:
            return r.bigFirstHits;
        case 8:
            return r.longestDrought;
        case 9:
            return r.lowestBalance;
        default:
            return r.highestBalance;
    }
}

void SetScalarField(SimRecord& r, std::size_t j, std::int64_t v)
{
    const auto v32 = static_cast<std::int32_t>(v);
    switch (j) {
        case 0:
            r.sim = v;
            break;
        case 1:
            r.seed = v;
            break;
        case 2:
            r.setting = v32;
            break;
        case 3:
            r.plays = v32;
            break;
        case 4:
            r.finalBalance = v32;
            break;
        case 5:
            r.big = v32;
            break;
        case 6:
            r.reg = v32;
            break;
        case 7:
            r.bigFirstHits = v32;
            break;
        case 8:
            r.longestDrought = v32;
            break;
        case 9:
            r.lowestBalance = v32;
            break;
        default:
            r.highestBalance = v32;
            break;
    }
}

// The checks a record written by a run always passes. A run ends on the
// normal game that reaches N, so that game's balance is both the last grid
// point and the final balance; BIG and REG start only in normal games, one
// per game, and every BIG first hit is one of the BIG counted.
bool CheckRecord(const SimRecord& r, std::string& reason)
{
    if (r.sim < 0)
        reason = "sim must not be negative";
    else if (r.setting < SETTING_MIN || r.setting > SETTING_MAX)
        reason = "setting must be " + std::to_string(SETTING_MIN) + " to " + std::to_string(SETTING_MAX);
    else if (r.plays < 1)
        reason = "plays must be at least 1";
    else if (r.big < 0 || r.reg < 0 || r.bigFirstHits < 0 || r.longestDrought < 0)
        reason = "counts must not be negative";
    else if (r.bigFirstHits > r.big)
        reason = "big_first_hits must not exceed big";
    else if (std::int64_t{r.big} + r.reg > r.plays)
        reason = "big and reg together must not exceed plays";
    else if (r.longestDrought > r.plays)
        reason = "longest_drought must not exceed plays";
    else if (r.lowestBalance > r.finalBalance || r.finalBalance > r.highestBalance)
        reason = "final_balance must lie between lowest_balance and highest_balance";
    else if (r.grid.back() != r.finalBalance)
        reason = "b" + std::to_string(GRID_POINTS) + " must equal final_balance";
    else {
        for (const std::int32_t b : r.grid)
            if (b < r.lowestBalance || b > r.highestBalance) {
                reason = "grid balances must lie between lowest_balance and highest_balance";
                return false;
            }
        return true;
    }
    return false;
}

bool ParseInt(std::string_view text, std::int64_t low, std::int64_t high, std::int64_t& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty() && value >= low && value <= high;
}

std::int64_t FieldLow(std::size_t j)
{
    return j == 0 || j == SEED_FIELD ? 0 : std::numeric_limits<std::int32_t>::min();
}
std::int64_t FieldHigh(std::size_t j)
{
    if (j == 0) return std::numeric_limits<std::int64_t>::max();
    return j == SEED_FIELD ? std::numeric_limits<std::uint32_t>::max()
                           : std::numeric_limits<std::int32_t>::max();
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
    const std::size_t scalars = seeded ? SCALAR_FIELDS : SCALAR_FIELDS - 1;
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
        const std::size_t j = scalar ? CsvField(field, seeded) : SCALAR_FIELDS - 1;
        std::int64_t value = 0;
        // A record whose seed is not known leaves the field empty.
        const bool noSeed = scalar && j == SEED_FIELD && text.empty();
        if (!noSeed && !ParseInt(text, FieldLow(j), FieldHigh(j), value)) {
            reason = "field " + std::to_string(field + 1) + " ('" + std::string(text.substr(0, 40)) +
                     "') is not a whole number in range";
            return false;
        }
        if (noSeed)
            r.seed = NO_SEED;
        else if (scalar)
            SetScalarField(r, j, value);
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
    const bool seeded = object.is_object() && object.contains(FIELD_NAMES[SEED_FIELD]);
    const std::size_t keyCount = seeded ? SCALAR_FIELDS + 1 : SCALAR_FIELDS;
    if (!object.is_object() || object.size() != keyCount) {
        reason = "not an object with the " + std::to_string(SCALAR_FIELDS + 1) + " record keys";
        return false;
    }
    r.seed = NO_SEED;
    for (std::size_t j = 0; j < SCALAR_FIELDS; ++j) {
        if (j == SEED_FIELD && !seeded) continue;
        const auto it = object.find(FIELD_NAMES[j]);
        if (it == object.end() || !it->is_number_integer()) {
            reason = std::string("missing or non-integer \"") + FIELD_NAMES[j] + "\"";
            return false;
        }
        // Unsigned values above int64 cannot be in range; read them as such.
        const bool tooLarge =
            it->is_number_unsigned() && it->get<std::uint64_t>() > static_cast<std::uint64_t>(FieldHigh(j));
        const auto value = tooLarge ? 0 : it->get<std::int64_t>();
        if (tooLarge || value < FieldLow(j) || value > FieldHigh(j)) {
            reason = std::string("\"") + FIELD_NAMES[j] + "\" out of range";
            return false;
        }
        SetScalarField(r, j, value);
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
            (v.is_number_unsigned() ? v.get<std::uint64_t>() <= static_cast<std::uint64_t>(FieldHigh(2))
                                    : v.get<std::int64_t>() >= FieldLow(2));
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

bool InFieldRange(std::size_t j, std::int64_t v) noexcept
{
    if (j == 0) return v >= 0;
    if (j == SEED_FIELD) return v >= 0 && v <= std::numeric_limits<std::uint32_t>::max();
    return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
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
        if ((k > 0 && (p == end || *p++ != ',')) || !(p = ReadWhole(p, end, json, v)) || !InFieldRange(2, v))
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
    for (std::size_t j = 0; j < SCALAR_FIELDS; ++j) {
        if (j == SEED_FIELD && !seeded) continue;
        std::int64_t v = 0;
        if ((j > 0 && (p == end || *p++ != ',')) || !(p = ReadWhole(p, end, false, v)) || !InFieldRange(j, v))
            return false;
        SetScalarField(r, j, v);
    }
    if (p == end || *p++ != ',') return false;
    return ReadGrid(p, end, false, r) && p == end;
}

bool FastJsonLine(std::string_view line, SimRecord& r) noexcept
{
    static const std::array<std::string, SCALAR_FIELDS> keys = [] {
        std::array<std::string, SCALAR_FIELDS> k;
        for (std::size_t j = 0; j < SCALAR_FIELDS; ++j)
            k[j] = std::string(j == 0 ? "{\"" : ",\"") + FIELD_NAMES[j] + "\":";
        return k;
    }();
    const char* p = line.data();
    const char* end = p + line.size();
    r.seed = NO_SEED;
    for (std::size_t j = 0; j < SCALAR_FIELDS; ++j) {
        std::int64_t v = 0;
        if (j == SEED_FIELD && !Skip(p, end, keys[j])) continue;  // written before records had it
        if ((j != SEED_FIELD && !Skip(p, end, keys[j])) || !(p = ReadWhole(p, end, true, v)) ||
            !InFieldRange(j, v))
            return false;
        SetScalarField(r, j, v);
    }
    return Skip(p, end, ",\"grid\":[") && ReadGrid(p, end, true, r) && Skip(p, end, "]}") && p == end;
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

// The records of whole lines ("\n" after each), parsed apart from the table so
// two halves of a piece can be parsed at once.
struct LinesResult {
    std::vector<SimRecord> records;
    std::size_t lines = 0;  // lines parsed, the failed one included
    std::string reason;     // empty unless a line failed (the last one counted)
    std::size_t firstLineBytes = 0;
};

// `out` is emptied first; its storage is kept for the next piece.
void ParseLines(std::string_view text, RecordsFormat format, bool seeded, LinesResult& out)
{
    out.records.clear();
    out.lines = 0;
    out.reason.clear();
    out.firstLineBytes = 0;
    out.records.reserve(text.size() / 256 + 1);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t newline = text.find('\n', start);
        const std::string_view line = text.substr(start, newline - start);
        ++out.lines;
        if (out.firstLineBytes == 0) out.firstLineBytes = line.size() + 1;
        if (!ParseRecordLine(line, format, seeded, out.records.emplace_back(), out.reason)) {
            out.records.pop_back();
            return;
        }
        start = newline + 1;
    }
}

// Below this many bytes a second thread costs more than it saves.
constexpr std::size_t PARALLEL_BYTES = 256 * 1024;

// Feeds a records file line by line; remembers the table size at the start so
// a failure can take back what this file added.
class RecordsParser {
public:
    // `bytes`, the size of the whole text when known, lets the first file of
    // a table reserve room for all its records at once.
    RecordsParser(const std::string& fileName, RecordTable& into, std::uint64_t fileBytes = 0)
        : name(fileName), table(into), startSize(into.Size()), bytes(fileBytes)
    {
    }

    // `final` marks the last piece: a line without its "\n" is then complete.
    bool Feed(std::string_view piece, bool final, std::string& error)
    {
        std::size_t start = 0;
        // A line begun in the last piece, and the header line, go alone.
        while (start < piece.size() && (!pending.empty() || lineNumber == 0)) {
            const std::size_t newline = piece.find('\n', start);
            if (newline == std::string_view::npos) break;
            pending.append(piece.substr(start, newline - start));
            if (!Line(pending, error)) return false;
            pending.clear();
            start = newline + 1;
        }
        const std::size_t lastNewline = piece.rfind('\n');
        if (lastNewline != std::string_view::npos && lastNewline >= start) {
            if (!Lines(piece.substr(start, lastNewline + 1 - start), error)) return false;
            start = lastNewline + 1;
        }
        pending.append(piece.substr(start));
        if (pending.size() > MAX_LINE_BYTES) return Fail(lineNumber + 1, "line too long", error);
        if (final) {
            // Every line written ends with "\n": one without was cut short,
            // perhaps inside its last number.
            if (!pending.empty())
                return Fail(lineNumber + 1, "has no line end: the file is cut short", error);
            if (lineNumber == 0) return Fail(0, "empty file: not a simulation or records file", error);
        }
        return true;
    }

    // Line number of the first record: 2 under a CSV header, else 1.
    std::size_t FirstRecordLine() const noexcept { return format == RecordsFormat::Csv ? 2 : 1; }

    void Rollback()
    {
        RecordTable& t = table;
        for (auto* column : {&t.setting, &t.plays, &t.finalBalance, &t.big, &t.reg, &t.bigFirstHits,
                             &t.longestDrought, &t.lowestBalance, &t.highestBalance})
            column->resize(startSize);
        t.sim.resize(startSize);
        t.seed.resize(startSize);
        for (auto& column : t.grid) column.resize(startSize);
    }

private:
    bool Fail(std::size_t line, const std::string& reason, std::string& error)
    {
        error = Quoted(name) + (line > 0 ? " line " + std::to_string(line) : "") + ": " + reason;
        return false;
    }

    bool Line(std::string_view line, std::string& error)
    {
        if (lineNumber == 0) {
            if (line.size() > MAX_LINE_BYTES) return Fail(1, "line too long", error);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
            if (line == RecordsCsvHeader() || line == UnseededCsvHeader()) {
                format = RecordsFormat::Csv;
                seeded = line == RecordsCsvHeader();
                lineNumber = 1;
                return true;
            }
            if (line.empty() || line.front() != '{')
                return Fail(1, "not a simulation or records file (no records header)", error);
            format = RecordsFormat::JsonLines;
        }
        LinesResult result;
        ParseLines(std::string(line) + '\n', format, seeded, result);
        return Take(result, error);
    }

    // Whole lines: a large run is split at a line end and its halves parsed
    // on two threads; their records are added in order.
    bool Lines(std::string_view text, std::string& error)
    {
        const std::size_t middle = text.size() >= PARALLEL_BYTES && std::thread::hardware_concurrency() > 1
                                       ? text.find('\n', text.size() / 2) + 1
                                       : text.size();
        std::optional<std::jthread> worker;
        std::exception_ptr failure;
        if (middle < text.size()) {
            try {
                worker.emplace([&] {
                    try {
                        ParseLines(text.substr(middle), format, seeded, second);
                    } catch (...) {
                        failure = std::current_exception();
                    }
                });
            } catch (const std::system_error&) {
                // No thread to be had (a process limit): one is enough.
            }
        }
        if (worker) {
            ParseLines(text.substr(0, middle), format, seeded, first);
            worker.reset();
            if (failure) std::rethrow_exception(failure);
        } else {
            ParseLines(text, format, seeded, first);
            ParseLines({}, format, seeded, second);
        }
        return Take(first, error) && Take(second, error);
    }

    bool Take(const LinesResult& result, std::string& error)
    {
        if (table.Size() == startSize && !result.records.empty() && startSize == 0 && bytes > 0)
            Reserve(result.firstLineBytes);
        table.Append(result.records);
        lineNumber += result.lines;
        return result.reason.empty() || Fail(lineNumber, result.reason, error);
    }

    // Room for about as many records as lines of this length fill the file,
    // and a quarter more; pages never written cost no memory.
    void Reserve(std::size_t lineBytes) noexcept
    {
        try {
            table.Reserve(static_cast<std::size_t>(bytes / lineBytes + bytes / lineBytes / 4 + 16));
        } catch (const std::bad_alloc&) {
            // Growing as it reads still works, up to what memory allows.
        }
    }

    const std::string& name;
    RecordTable& table;
    std::size_t startSize;
    std::uint64_t bytes;
    RecordsFormat format = RecordsFormat::Csv;
    bool seeded = true;  // CSV: the header has the seed column; JSON lines tell per line
    std::size_t lineNumber = 0;
    std::string pending;
    LinesResult first;  // the halves of a piece, kept so their storage is reused
    LinesResult second;
};

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A simulation file from a pipe: its size is known only at its end. The
// first `got` bytes were read already.
bool ReadStreamedSimRecord(std::FILE* f, const std::string& path, const char* head, std::size_t got,
                           RecordTable& table, std::string& error)
{
    std::vector<unsigned char> bytes(head, head + got);
    std::vector<unsigned char> chunk(READ_CHUNK_BYTES);
    for (;;) {
        const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), f);
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
        if (n < chunk.size()) break;
    }
    if (std::ferror(f)) {
        error = "cannot read " + Quoted(path) + ": " + std::strerror(errno);
        return false;
    }
    if (bytes.size() < SIM_HEADER_BYTES) {
        error = Quoted(path) + ": not a simulation file (ends inside its header)";
        return false;
    }
    SimRecord record;
    std::string reason;
    if (!RecordFromSimBytes(bytes.data(), bytes.size(), record, reason)) {
        error = Quoted(path) + ": " + reason;
        return false;
    }
    table.Add(record);
    return true;
}

bool ReadSimFileRecord(std::FILE* f, const std::string& path, const char* head, std::size_t got,
                       RecordTable& table, std::string& error)
{
    struct stat info {};
    if (::fstat(::fileno(f), &info) != 0) {
        error = Quoted(path) + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) return ReadStreamedSimRecord(f, path, head, got, table, error);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t count = size < SIM_HEADER_BYTES ? 0 : (size - SIM_HEADER_BYTES) / SIM_RECORD_BYTES;
    if (size < SIM_HEADER_BYTES) {
        error = Quoted(path) + ": not a simulation file (ends inside its header)";
        return false;
    }
    // A simulation's record needs N before its first row: read the header and
    // the last whole record first, then stream the rows through a builder.
    unsigned char header[SIM_HEADER_BYTES];
    unsigned char last[SIM_RECORD_BYTES];
    auto readAt = [&](std::uint64_t offset, unsigned char* out, std::size_t n) {
        return std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 && std::fread(out, 1, n, f) == n;
    };
    if (!readAt(0, header, sizeof header) ||
        (count > 0 && !readAt(SIM_HEADER_BYTES + (count - 1) * SIM_RECORD_BYTES, last, sizeof last))) {
        error = Quoted(path) + ": read error";
        return false;
    }
    std::vector<unsigned char> probe(header, header + sizeof header);
    if (count > 0) probe.insert(probe.end(), last, last + sizeof last);
    SimRecord probeRecord;
    std::string reason;
    if (!RecordFromSimBytes(probe.data(), probe.size(), probeRecord, reason)) {
        error = Quoted(path) + ": " + reason;
        return false;
    }
    RecordBuilder builder(probeRecord.plays, probeRecord.setting, 0);
    SeriesCheck check(GetInt32(header + 4), GetInt32(header + 8));
    constexpr std::size_t CHUNK_ROWS = 16384;
    std::vector<unsigned char> buffer(CHUNK_ROWS * SIM_RECORD_BYTES);
    if (std::fseek(f, static_cast<long>(SIM_HEADER_BYTES), SEEK_SET) != 0) {
        error = Quoted(path) + ": read error";
        return false;
    }
    for (std::uint64_t done = 0; done < count;) {
        const auto rows = static_cast<std::size_t>(std::min<std::uint64_t>(CHUNK_ROWS, count - done));
        if (std::fread(buffer.data(), SIM_RECORD_BYTES, rows, f) != rows) {
            error = Quoted(path) + ": read error";
            return false;
        }
        for (std::size_t i = 0; i < rows; ++i) {
            const PlayRow row = DecodeRow(buffer.data() + i * SIM_RECORD_BYTES);
            check.Add(row);
            builder.Add(row);
        }
        done += rows;
    }
    if (const auto fault = check.Finish()) {
        error = fault->Message(path);
        return false;
    }
    SimRecord record;
    if (!builder.Finish(record)) {
        error = Quoted(path) + ": holds no plays";
        return false;
    }
    table.Add(record);
    return true;
}

}  // namespace

RecordsFormat RecordsFormatFor(const std::string& path)
{
    return EndsWith(path, ".jsonl") || EndsWith(path, ".ndjson") ? RecordsFormat::JsonLines
                                                                 : RecordsFormat::Csv;
}

bool IsJsonDocumentName(const std::string& path)
{
    return EndsWith(path, ".json");
}

namespace {

std::string CsvHeader(bool seeded)
{
    std::string header;
    for (std::size_t j = 0; j < SCALAR_FIELDS; ++j) {
        if (j == SEED_FIELD && !seeded) continue;
        if (!header.empty()) header += ',';
        header += FIELD_NAMES[j];
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

namespace {

void AppendRecordLine(std::string& line, const SimRecord& record, RecordsFormat format)
{
    if (format == RecordsFormat::Csv) {
        for (std::size_t j = 0; j < SCALAR_FIELDS; ++j) {
            if (j > 0) line += ',';
            if (j != SEED_FIELD || record.seed != NO_SEED) AppendInt(line, ScalarField(record, j));
        }
        for (const std::int32_t b : record.grid) {
            line += ',';
            AppendInt(line, b);
        }
    } else {
        line += '{';
        for (std::size_t j = 0; j < SCALAR_FIELDS; ++j) {
            if (j == SEED_FIELD && record.seed == NO_SEED) continue;
            line += '"';
            line += FIELD_NAMES[j];
            line += "\":";
            AppendInt(line, ScalarField(record, j));
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

}  // namespace

std::string RecordLine(const SimRecord& record, RecordsFormat format)
{
    std::string line;
    line.reserve(1024);
    AppendRecordLine(line, record, format);
    return line;
}

RecordsWriter::RecordsWriter() = default;
RecordsWriter::~RecordsWriter() = default;

bool RecordsWriter::Open(const std::string& path, std::string& error)
{
    if (IsJsonDocumentName(path)) {
        error = "cannot write '" + path + "': " + JSON_DOCUMENT_REFUSAL;
        return false;
    }
    file = std::make_unique<AtomicFileWriter>();
    format = RecordsFormatFor(path);
    writeErrno = 0;
    buffer.clear();
    const SimWriteResult opened = file->Open(path);
    if (!opened.Ok()) {
        error = opened.message;
        file.reset();
        return false;
    }
    if (format == RecordsFormat::Csv) buffer = RecordsCsvHeader() + '\n';
    return true;
}

bool RecordsWriter::Flush()
{
    if (writeErrno == 0 && !WriteAllBytes(file->Fd(), buffer.data(), buffer.size())) writeErrno = errno;
    buffer.clear();
    return writeErrno == 0;
}

bool RecordsWriter::Write(const SimRecord& record)
{
    if (!file || writeErrno != 0) return false;
    AppendRecordLine(buffer, record, format);
    return buffer.size() < WRITE_BUFFER_BYTES || Flush();
}

bool RecordsWriter::Commit(std::string& error)
{
    if (!file) {
        error = "cannot write a records file that is not open";
        return false;
    }
    Flush();
    const SimWriteResult result = writeErrno != 0 ? file->Fail(writeErrno) : file->Commit();
    file.reset();
    buffer.clear();
    if (!result.Ok()) error = result.message;
    return result.Ok();
}

bool ParseRecordsText(std::string_view text, const std::string& name, RecordTable& table, std::string& error)
{
    RecordsParser parser(name, table);
    if (parser.Feed(text, true, error)) return true;
    parser.Rollback();
    return false;
}

bool ReadStudyFile(const std::string& path, RecordTable& table, std::string& error)
{
    std::size_t firstRecordLine = 0;
    return ReadStudyFile(path, table, error, firstRecordLine);
}

bool ReadStudyFile(const std::string& path, RecordTable& table, std::string& error,
                   std::size_t& firstRecordLine)
{
    firstRecordLine = 0;
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = "cannot open " + Quoted(path) + ": " + std::strerror(errno);
        return false;
    }
    std::vector<char> buffer(READ_CHUNK_BYTES);
    std::size_t got = std::fread(buffer.data(), 1, 4, f.get());
    if (std::ferror(f.get())) {
        error = "cannot read " + Quoted(path) + ": " + std::strerror(errno);
        return false;
    }
    const unsigned char simId[4] = {SIM_FILE_ID, 0, 0, 0};
    if (got == 4 && std::memcmp(buffer.data(), simId, 4) == 0) {
        try {
            return ReadSimFileRecord(f.get(), path, buffer.data(), got, table, error);
        } catch (const std::bad_alloc&) {
            error = Quoted(path) + ": not enough memory";
            return false;
        }
    }
    struct stat info {};
    const bool sized = ::fstat(::fileno(f.get()), &info) == 0 && S_ISREG(info.st_mode);
    RecordsParser parser(path, table, sized ? static_cast<std::uint64_t>(info.st_size) : 0);
    try {
        bool ok = true;
        while (ok) {
            got += std::fread(buffer.data() + got, 1, buffer.size() - got, f.get());
            if (std::ferror(f.get())) {
                error = "cannot read " + Quoted(path) + ": " + std::strerror(errno);
                ok = false;
                break;
            }
            const bool final = std::feof(f.get()) != 0;
            ok = parser.Feed(std::string_view(buffer.data(), got), final, error);
            got = 0;
            if (final) break;
        }
        if (ok) {
            firstRecordLine = parser.FirstRecordLine();
            return true;
        }
    } catch (const std::bad_alloc&) {
        error = Quoted(path) + ": not enough memory for its records";
    }
    parser.Rollback();
    return false;
}
