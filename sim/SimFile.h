#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "sim/AtomicFile.h"
#include "sim/PlaySeries.h"

// The simulation file: a 12-byte header (identification 5, setting, play
// count) and one 44-byte record per row, every field a little-endian int32.

constexpr std::int32_t SIM_FILE_ID = 5;
constexpr std::size_t SIM_HEADER_BYTES = 12;
constexpr std::size_t SIM_RECORD_BYTES = 44;

// One little-endian int32 of the file.
inline std::int32_t GetInt32(const unsigned char* in) noexcept
{
    const std::uint32_t u = static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
                            static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
    return static_cast<std::int32_t>(u);
}

// One record of the file as a row; inline, as readers decode millions.
inline PlayRow DecodeRow(const unsigned char* in) noexcept
{
    PlayRow row;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&row, in, SIM_RECORD_BYTES);
    } else {
        for (int j = 0; j < PlayRow::FIELD_COUNT; ++j) row.SetField(j, GetInt32(in + 4 * j));
    }
    return row;
}

// Writes the file through WriteFileAtomically, so a failure never leaves a
// damaged file under `path` and an older file of that name survives it.
[[nodiscard]] WriteResult WriteSimFile(const std::string& path, std::int32_t setting, std::int32_t playCount,
                                       const PlaySeries& series, WriteOptions options = {});

// Streams the file's bytes to an open descriptor (stdout), in place; false with
// errno set on failure.
[[nodiscard]] bool WriteSimTo(int fd, std::int32_t setting, std::int32_t playCount, const PlaySeries& series);

// The message of a NotSimFile result; the window shows it for any file it
// cannot show, the command line after the file's name.
inline constexpr const char* NOT_SIM_FILE_MESSAGE = "このファイルは、Mirvosimファイルではありません。";

struct [[nodiscard]] SimReadResult {
    enum class Status {
        Read,
        CannotOpen,
        NotSimFile,  // shorter than the header or identification not 5
        ReadError,   // the medium failed; nothing is handed back
        TooLarge,    // more records than the caller's limit; nothing is handed back
    };
    Status status = Status::Read;
    std::string message;
    std::int32_t setting = 0;
    std::int32_t playCount = 0;

    bool Ok() const noexcept { return status == Status::Read; }
};

// Reads the header and every whole record into `series` (cleared first); a cut
// last record is dropped. On any failure `series` is left empty. More than
// `maxRows` records (a huge file, an endless pipe) are refused as TooLarge
// without holding more than about that many rows.
[[nodiscard]] SimReadResult ReadSimFile(const std::string& path, PlaySeries& series,
                                        std::size_t maxRows = MaxSeriesRows());

// The same, from bytes in memory (a file's whole content).
[[nodiscard]] SimReadResult ReadSimBytes(const unsigned char* data, std::size_t size, PlaySeries& series);

// The file's bytes, for writers that are not files.
std::string EncodeSimFile(std::int32_t setting, std::int32_t playCount, const PlaySeries& series);
