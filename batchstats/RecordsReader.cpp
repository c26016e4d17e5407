#include "batchstats/RecordsReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "batchstats/RecordLines.h"
#include "sim/SeriesCheck.h"
#include "sim/SimFile.h"

namespace {

constexpr std::size_t READ_CHUNK_BYTES = 1 << 20;

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
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

    void Rollback() { table.Resize(startSize); }

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
Status ReadStreamedSimRecord(std::FILE* f, const std::string& path, const char* head, std::size_t got,
                             RecordTable& table)
{
    std::vector<unsigned char> bytes(head, head + got);
    std::vector<unsigned char> chunk(READ_CHUNK_BYTES);
    for (;;) {
        const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), f);
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
        if (n < chunk.size()) break;
    }
    if (std::ferror(f))
        return {StatusCode::ReadFailed, "cannot read " + Quoted(path) + ": " + std::strerror(errno)};
    if (bytes.size() < SIM_HEADER_BYTES)
        return {StatusCode::NotValid, Quoted(path) + ": not a simulation file (ends inside its header)"};
    SimRecord record;
    std::string reason;
    if (!RecordFromSimBytes(bytes.data(), bytes.size(), record, reason))
        return {StatusCode::NotValid, Quoted(path) + ": " + reason};
    table.Add(record);
    return Status::Success();
}

Status ReadSimFileRecord(std::FILE* f, const std::string& path, const char* head, std::size_t got,
                         RecordTable& table)
{
    struct stat info {};
    if (::fstat(::fileno(f), &info) != 0)
        return {StatusCode::ReadFailed, Quoted(path) + ": " + std::strerror(errno)};
    if (!S_ISREG(info.st_mode)) return ReadStreamedSimRecord(f, path, head, got, table);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t count = size < SIM_HEADER_BYTES ? 0 : (size - SIM_HEADER_BYTES) / SIM_RECORD_BYTES;
    if (size < SIM_HEADER_BYTES)
        return {StatusCode::NotValid, Quoted(path) + ": not a simulation file (ends inside its header)"};
    // A simulation's record needs N before its first row: read the header and
    // the last whole record first, then stream the rows through a builder.
    unsigned char header[SIM_HEADER_BYTES];
    unsigned char last[SIM_RECORD_BYTES];
    auto readAt = [&](std::uint64_t offset, unsigned char* out, std::size_t n) {
        return std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 && std::fread(out, 1, n, f) == n;
    };
    if (!readAt(0, header, sizeof header) ||
        (count > 0 && !readAt(SIM_HEADER_BYTES + (count - 1) * SIM_RECORD_BYTES, last, sizeof last)))
        return {StatusCode::ReadFailed, Quoted(path) + ": read error"};
    std::vector<unsigned char> probe(header, header + sizeof header);
    if (count > 0) probe.insert(probe.end(), last, last + sizeof last);
    SimRecord probeRecord;
    std::string reason;
    if (!RecordFromSimBytes(probe.data(), probe.size(), probeRecord, reason))
        return {StatusCode::NotValid, Quoted(path) + ": " + reason};
    RecordBuilder builder(probeRecord.plays, probeRecord.setting, 0);
    SeriesCheck check(GetInt32(header + 4), GetInt32(header + 8));
    constexpr std::size_t CHUNK_ROWS = 16384;
    std::vector<unsigned char> buffer(CHUNK_ROWS * SIM_RECORD_BYTES);
    if (std::fseek(f, static_cast<long>(SIM_HEADER_BYTES), SEEK_SET) != 0)
        return {StatusCode::ReadFailed, Quoted(path) + ": read error"};
    for (std::uint64_t done = 0; done < count;) {
        const auto rows = static_cast<std::size_t>(std::min<std::uint64_t>(CHUNK_ROWS, count - done));
        if (std::fread(buffer.data(), SIM_RECORD_BYTES, rows, f) != rows)
            return {StatusCode::ReadFailed, Quoted(path) + ": read error"};
        for (std::size_t i = 0; i < rows; ++i) {
            const PlayRow row = DecodeRow(buffer.data() + i * SIM_RECORD_BYTES);
            check.Add(row);
            builder.Add(row);
        }
        done += rows;
    }
    if (const auto fault = check.Finish()) return {StatusCode::NotValid, fault->Message(path)};
    SimRecord record;
    if (!builder.Finish(record)) return {StatusCode::NotValid, Quoted(path) + ": holds no plays"};
    table.Add(record);
    return Status::Success();
}

}  // namespace

Status ParseRecordsText(std::string_view text, const std::string& name, RecordTable& table)
{
    RecordsParser parser(name, table);
    std::string error;
    if (parser.Feed(text, true, error)) return Status::Success();
    parser.Rollback();
    return {StatusCode::NotValid, error};
}

Result<std::size_t> ReadStudyFile(const std::string& path, RecordTable& table)
{
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f)
        return Status(StatusCode::CannotOpen, "cannot open " + Quoted(path) + ": " + std::strerror(errno));
    std::vector<char> buffer(READ_CHUNK_BYTES);
    std::size_t got = std::fread(buffer.data(), 1, 4, f.get());
    if (std::ferror(f.get()))
        return Status(StatusCode::ReadFailed, "cannot read " + Quoted(path) + ": " + std::strerror(errno));
    const unsigned char simId[4] = {SIM_FILE_ID, 0, 0, 0};
    if (got == 4 && std::memcmp(buffer.data(), simId, 4) == 0) {
        Status read;
        try {
            read = ReadSimFileRecord(f.get(), path, buffer.data(), got, table);
        } catch (const std::bad_alloc&) {
            return Status(StatusCode::TooLarge, Quoted(path) + ": not enough memory");
        }
        if (!read.Ok()) return read;
        return std::size_t{0};
    }
    struct stat info {};
    const bool sized = ::fstat(::fileno(f.get()), &info) == 0 && S_ISREG(info.st_mode);
    RecordsParser parser(path, table, sized ? static_cast<std::uint64_t>(info.st_size) : 0);
    Status failure;
    try {
        std::string error;
        for (;;) {
            got += std::fread(buffer.data() + got, 1, buffer.size() - got, f.get());
            if (std::ferror(f.get())) {
                failure = {StatusCode::ReadFailed,
                           "cannot read " + Quoted(path) + ": " + std::strerror(errno)};
                break;
            }
            const bool final = std::feof(f.get()) != 0;
            if (!parser.Feed(std::string_view(buffer.data(), got), final, error)) {
                failure = {StatusCode::NotValid, error};
                break;
            }
            got = 0;
            if (final) return parser.FirstRecordLine();
        }
    } catch (const std::bad_alloc&) {
        failure = {StatusCode::TooLarge, Quoted(path) + ": not enough memory for its records"};
    }
    parser.Rollback();
    return failure;
}
