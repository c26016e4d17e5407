#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "PlaySeries.h"

// The simulation file: a 12-byte header (identification 5, setting, play
// count) and one 44-byte record per row, every field a little-endian int32.

constexpr std::int32_t SIM_FILE_ID = 5;
constexpr std::size_t SIM_HEADER_BYTES = 12;
constexpr std::size_t SIM_RECORD_BYTES = 44;

struct SimWriteResult {
    enum class Status {
        Written,
        CannotCreate,  // nothing was written and no file was touched
        WriteFailed,   // created but not completed; the target is left as it was
    };
    Status status = Status::Written;
    std::string message;  // names the file and the reason; empty when written

    bool Ok() const noexcept { return status == Status::Written; }
};

// Writes the file through a temporary file in the target's folder and renames
// it over the target, so a failure never leaves a damaged file under `path`
// and an older file of that name survives it. Targets that are not regular
// files (devices, pipes) are written in place.
SimWriteResult WriteSimFile(const std::string& path, std::int32_t setting, std::int32_t playCount,
                            const PlaySeries& series);

// Writes the bytes to the open descriptor; false with errno set on failure.
using FileContent = std::function<bool(int fd)>;

// The same write for any content (exports): temporary file, rename, and the
// same failures. Not limited to simulation files despite the result's name.
SimWriteResult WriteFileAtomically(const std::string& path, const FileContent& content);

// Writes all bytes to fd, retrying short writes; false with errno set.
bool WriteAllBytes(int fd, const void* data, std::size_t size);

struct SimReadResult {
    enum class Status {
        Read,
        CannotOpen,
        NotSimFile,  // shorter than the header or identification not 5
        ReadError,   // the medium failed; nothing is handed back
    };
    Status status = Status::Read;
    std::string message;
    std::int32_t setting = 0;
    std::int32_t playCount = 0;

    bool Ok() const noexcept { return status == Status::Read; }
};

// Reads the header and every whole record into `series` (cleared first); a cut
// last record is dropped. On any failure `series` is left empty.
SimReadResult ReadSimFile(const std::string& path, PlaySeries& series);

// The same, from bytes in memory (a file's whole content).
SimReadResult ReadSimBytes(const unsigned char* data, std::size_t size, PlaySeries& series);

// The file's bytes, for writers that are not files.
std::string EncodeSimFile(std::int32_t setting, std::int32_t playCount, const PlaySeries& series);
