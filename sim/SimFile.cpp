#include "sim/SimFile.h"

#include "sim/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t CHUNK_ROWS = 16384;  // about 700 KB per write or read

void PutInt32(unsigned char* out, std::int32_t value) noexcept
{
    const auto u = static_cast<std::uint32_t>(value);
    out[0] = static_cast<unsigned char>(u);
    out[1] = static_cast<unsigned char>(u >> 8);
    out[2] = static_cast<unsigned char>(u >> 16);
    out[3] = static_cast<unsigned char>(u >> 24);
}

void EncodeRows(const PlayRow* rows, std::size_t count, unsigned char* out) noexcept
{
    if (count == 0) return;  // an empty series has no storage to copy from
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, rows, count * SIM_RECORD_BYTES);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            for (int j = 0; j < PlayRow::FIELD_COUNT; ++j)
                PutInt32(out + i * SIM_RECORD_BYTES + 4 * j, rows[i].Field(j));
    }
}

void EncodeHeader(std::int32_t setting, std::int32_t playCount, unsigned char* out) noexcept
{
    PutInt32(out, SIM_FILE_ID);
    PutInt32(out + 4, setting);
    PutInt32(out + 8, playCount);
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

std::string Reason(int error)
{
    return std::strerror(error);
}

// Streams the header and every record to fd; false with errno set on failure.
bool WriteContent(int fd, std::int32_t setting, std::int32_t playCount, const PlaySeries& series)
{
    unsigned char header[SIM_HEADER_BYTES];
    EncodeHeader(setting, playCount, header);
    if (!WriteAllBytes(fd, header, sizeof header)) return false;

    const std::size_t total = series.Size();
    if (total == 0) return true;
    std::vector<unsigned char> buffer(std::min(total, CHUNK_ROWS) * SIM_RECORD_BYTES);
    const PlayRow* rows = series.Rows().data();
    for (std::size_t done = 0; done < total;) {
        const std::size_t count = std::min(CHUNK_ROWS, total - done);
        EncodeRows(rows + done, count, buffer.data());
        if (!WriteAllBytes(fd, buffer.data(), count * SIM_RECORD_BYTES)) return false;
        done += count;
    }
    return true;
}

}  // namespace

std::string EncodeSimFile(std::int32_t setting, std::int32_t playCount, const PlaySeries& series)
{
    std::string bytes(SIM_HEADER_BYTES + series.Size() * SIM_RECORD_BYTES, '\0');
    auto* out = reinterpret_cast<unsigned char*>(bytes.data());
    EncodeHeader(setting, playCount, out);
    EncodeRows(series.Rows().data(), series.Size(), out + SIM_HEADER_BYTES);
    return bytes;
}

bool WriteSimTo(int fd, std::int32_t setting, std::int32_t playCount, const PlaySeries& series)
{
    return WriteContent(fd, setting, playCount, series);
}

WriteResult WriteSimFile(const std::string& path, std::int32_t setting, std::int32_t playCount,
                         const PlaySeries& series, WriteOptions options)
{
    return WriteFileAtomically(
        path, [&](int fd) { return WriteContent(fd, setting, playCount, series); }, options);
}

namespace {

// Feeds bytes in arbitrary pieces and keeps whole records only.
class SimDecoder {
public:
    explicit SimDecoder(PlaySeries& out) : series(out) {}

    void Feed(const unsigned char* data, std::size_t size)
    {
        while (size > 0) {
            if (fill == 0 && headerDone) {
                // Fast path: whole records straight from the input.
                const std::size_t whole = size / SIM_RECORD_BYTES;
                for (std::size_t i = 0; i < whole; ++i) series.Append(DecodeRow(data + i * SIM_RECORD_BYTES));
                data += whole * SIM_RECORD_BYTES;
                size -= whole * SIM_RECORD_BYTES;
                if (size == 0) return;
            }
            const std::size_t want = (headerDone ? SIM_RECORD_BYTES : SIM_HEADER_BYTES) - fill;
            const std::size_t take = std::min(want, size);
            std::memcpy(pending + fill, data, take);
            fill += take;
            data += take;
            size -= take;
            if (fill < (headerDone ? SIM_RECORD_BYTES : SIM_HEADER_BYTES)) return;
            if (!headerDone) {
                identification = GetInt32(pending);
                setting = GetInt32(pending + 4);
                playCount = GetInt32(pending + 8);
                headerDone = true;
                if (identification != SIM_FILE_ID) return;
            } else {
                series.Append(DecodeRow(pending));
            }
            fill = 0;
        }
    }

    // True once a header with the right identification has been seen; records
    // are only fed after that.
    bool HeaderDone() const noexcept { return headerDone; }
    bool IsSimFile() const noexcept { return headerDone && identification == SIM_FILE_ID; }

    std::int32_t setting = 0;
    std::int32_t playCount = 0;

private:
    PlaySeries& series;
    unsigned char pending[SIM_RECORD_BYTES] = {};
    std::size_t fill = 0;
    bool headerDone = false;
    std::int32_t identification = 0;
};

SimReadResult NotSimFile()
{
    SimReadResult result;
    result.status = SimReadResult::Status::NotSimFile;
    result.message = NOT_SIM_FILE_MESSAGE;
    return result;
}

}  // namespace

SimReadResult ReadSimBytes(const unsigned char* data, std::size_t size, PlaySeries& series)
{
    series.Clear();
    if (size < SIM_HEADER_BYTES) return NotSimFile();
    SimDecoder decoder(series);
    decoder.Feed(data, SIM_HEADER_BYTES);
    if (!decoder.IsSimFile()) return NotSimFile();
    series.Reserve((size - SIM_HEADER_BYTES) / SIM_RECORD_BYTES);
    decoder.Feed(data + SIM_HEADER_BYTES, size - SIM_HEADER_BYTES);
    SimReadResult result;
    result.setting = decoder.setting;
    result.playCount = decoder.playCount;
    return result;
}

SimReadResult ReadSimFile(const std::string& path, PlaySeries& series, std::size_t maxRows)
{
    series.Clear();
    SimReadResult result;
    const auto fail = [&](SimReadResult::Status status, std::string message) {
        series.Clear();
        series.ShrinkToFit();
        result.status = status;
        result.message = std::move(message);
        return result;
    };
    const auto tooLarge = [&] {
        return fail(SimReadResult::Status::TooLarge, "cannot read " + Quoted(path) + ": more than " +
                                                         std::to_string(maxRows) +
                                                         " records do not fit in this machine's memory");
    };

    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.IsOpen())
        return fail(SimReadResult::Status::CannotOpen, "cannot open " + Quoted(path) + ": " + Reason(errno));
    struct stat info {};
    if (::fstat(file.Get(), &info) == 0 && S_ISDIR(info.st_mode))
        return fail(SimReadResult::Status::CannotOpen, "cannot open " + Quoted(path) + ": " + Reason(EISDIR));
    const bool sized = S_ISREG(info.st_mode) && info.st_size > 0;
    const std::size_t sizedRows =
        sized && static_cast<std::uint64_t>(info.st_size) >= SIM_HEADER_BYTES
            ? static_cast<std::size_t>((static_cast<std::uint64_t>(info.st_size) - SIM_HEADER_BYTES) /
                                       SIM_RECORD_BYTES)
            : 0;

    SimDecoder decoder(series);
    std::vector<unsigned char> buffer(CHUNK_ROWS * SIM_RECORD_BYTES);
    bool reserved = false;
    for (;;) {
        const ssize_t n = ::read(file.Get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(SimReadResult::Status::ReadError,
                        "cannot read " + Quoted(path) + ": " + Reason(errno));
        }
        if (n == 0) break;
        if (decoder.IsSimFile()) {
            if (!reserved && sized) {
                // The size on disk, never a value in the file, bounds the reservation.
                if (sizedRows > maxRows) return tooLarge();
                series.Reserve(sizedRows);
                reserved = true;
            } else if (!sized && series.Capacity() - series.Size() < CHUNK_ROWS) {
                // A stream grows in steps that stop at the limit, so an
                // endless one is refused before it can take more.
                const std::size_t wanted = std::max(series.Capacity() * 2, CHUNK_ROWS);
                series.Reserve(
                    std::min(wanted, maxRows < SIZE_MAX - CHUNK_ROWS ? maxRows + CHUNK_ROWS : maxRows));
            }
        }
        decoder.Feed(buffer.data(), static_cast<std::size_t>(n));
        if (decoder.HeaderDone() && !decoder.IsSimFile()) break;
        if (series.Size() > maxRows) return tooLarge();
    }
    if (!decoder.IsSimFile()) {
        series.Clear();
        return NotSimFile();
    }
    result.setting = decoder.setting;
    result.playCount = decoder.playCount;
    return result;
}
