#include "SimFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t CHUNK_ROWS = 16384;  // about 700 KB per write or read

const char* const NOT_SIM_FILE_MESSAGE = "このファイルは、Mirvosimファイルではありません。";

void PutInt32(unsigned char* out, std::int32_t value) noexcept
{
    const auto u = static_cast<std::uint32_t>(value);
    out[0] = static_cast<unsigned char>(u);
    out[1] = static_cast<unsigned char>(u >> 8);
    out[2] = static_cast<unsigned char>(u >> 16);
    out[3] = static_cast<unsigned char>(u >> 24);
}

std::int32_t GetInt32(const unsigned char* in) noexcept
{
    const std::uint32_t u = static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
                            static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
    return static_cast<std::int32_t>(u);
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

PlayRow DecodeRow(const unsigned char* in) noexcept
{
    PlayRow row;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&row, in, SIM_RECORD_BYTES);
    } else {
        for (int j = 0; j < PlayRow::FIELD_COUNT; ++j) row.SetField(j, GetInt32(in + 4 * j));
    }
    return row;
}

void EncodeHeader(std::int32_t setting, std::int32_t playCount, unsigned char* out) noexcept
{
    PutInt32(out, SIM_FILE_ID);
    PutInt32(out + 4, setting);
    PutInt32(out + 8, playCount);
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string Reason(int error) { return std::strerror(error); }

// Writes all bytes, retrying short writes; false with errno set on failure.
bool WriteAll(int fd, const unsigned char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Streams the header and every record to fd; false with errno set on failure.
bool WriteContent(int fd, std::int32_t setting, std::int32_t playCount, const PlaySeries& series)
{
    unsigned char header[SIM_HEADER_BYTES];
    EncodeHeader(setting, playCount, header);
    if (!WriteAll(fd, header, sizeof header)) return false;

    const std::size_t total = series.Size();
    if (total == 0) return true;
    std::vector<unsigned char> buffer(std::min(total, CHUNK_ROWS) * SIM_RECORD_BYTES);
    const PlayRow* rows = series.Rows().data();
    for (std::size_t done = 0; done < total;) {
        const std::size_t count = std::min(CHUNK_ROWS, total - done);
        EncodeRows(rows + done, count, buffer.data());
        if (!WriteAll(fd, buffer.data(), count * SIM_RECORD_BYTES)) return false;
        done += count;
    }
    return true;
}

SimWriteResult Failure(SimWriteResult::Status status, std::string message)
{
    return SimWriteResult{status, std::move(message)};
}

SimWriteResult WriteInPlace(const std::string& path, const FileContent& content)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return Failure(SimWriteResult::Status::CannotCreate, "cannot create " + Quoted(path) + ": " + Reason(errno));
    const bool written = content(fd);
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed)
        return Failure(SimWriteResult::Status::WriteFailed,
                       "cannot write " + Quoted(path) + ": " + Reason(written ? errno : writeError));
    return {};
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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

SimWriteResult WriteSimFile(const std::string& path, std::int32_t setting, std::int32_t playCount,
                            const PlaySeries& series)
{
    return WriteFileAtomically(path, [&](int fd) { return WriteContent(fd, setting, playCount, series); });
}

bool WriteAllBytes(int fd, const void* data, std::size_t size)
{
    return WriteAll(fd, static_cast<const unsigned char*>(data), size);
}

SimWriteResult WriteFileAtomically(const std::string& path, const FileContent& content)
{
    if (path.empty()) return Failure(SimWriteResult::Status::CannotCreate, "cannot create a file without a name");

    std::string target = path;
    struct stat linkInfo {};
    if (::lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        // Replace the file the link points to, not the link.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
    }

    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode))
        return Failure(SimWriteResult::Status::CannotCreate, "cannot create " + Quoted(path) + ": " + Reason(EISDIR));
    if (exists && !S_ISREG(info.st_mode)) return WriteInPlace(target, content);
    // A file the user may not write is not replaced behind their back.
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return Failure(SimWriteResult::Status::CannotCreate, "cannot create " + Quoted(path) + ": " + Reason(errno));

    std::string temp = FolderOf(target) + "/." + NameOf(target) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return Failure(SimWriteResult::Status::CannotCreate, "cannot create " + Quoted(path) + ": " + Reason(errno));

    mode_t mode = 0;
    if (exists) {
        mode = info.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);

    const bool written = content(fd);
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        const int error = written ? errno : writeError;
        ::unlink(temp.c_str());
        return Failure(SimWriteResult::Status::WriteFailed, "cannot write " + Quoted(path) + ": " + Reason(error));
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return Failure(SimWriteResult::Status::CannotCreate, "cannot create " + Quoted(path) + ": " + Reason(error));
    }
    return {};
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

SimReadResult ReadSimFile(const std::string& path, PlaySeries& series)
{
    series.Clear();
    SimReadResult result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.status = SimReadResult::Status::CannotOpen;
        result.message = "cannot open " + Quoted(path) + ": " + Reason(errno);
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        result.status = SimReadResult::Status::CannotOpen;
        result.message = "cannot open " + Quoted(path) + ": " + Reason(EISDIR);
        return result;
    }

    SimDecoder decoder(series);
    std::vector<unsigned char> buffer(CHUNK_ROWS * SIM_RECORD_BYTES);
    bool reserved = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            series.Clear();
            result.status = SimReadResult::Status::ReadError;
            result.message = "cannot read " + Quoted(path) + ": " + Reason(error);
            return result;
        }
        if (n == 0) break;
        decoder.Feed(buffer.data(), static_cast<std::size_t>(n));
        if (decoder.HeaderDone() && !decoder.IsSimFile()) break;
        if (decoder.IsSimFile() && !reserved && S_ISREG(info.st_mode) && info.st_size > 0) {
            // The size on disk, never a value in the file, bounds the reservation.
            series.Reserve(static_cast<std::size_t>(info.st_size) / SIM_RECORD_BYTES);
            reserved = true;
        }
    }
    ::close(fd);
    if (!decoder.IsSimFile()) {
        series.Clear();
        return NotSimFile();
    }
    result.setting = decoder.setting;
    result.playCount = decoder.playCount;
    return result;
}
