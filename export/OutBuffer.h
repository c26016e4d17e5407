#pragma once

#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "export/Export.h"

// PlayRow field index of each raw play-list column, in RAW_FIELD_NAMES order.
constexpr std::array<int, PlayRow::FIELD_COUNT> RAW_FIELD_INDEX{2, 0, 6, 3, 1, 4, 5, 7, 8, 9, 10};

// Collects output and hands it to the sink a megabyte at a time; after the
// first refusal it drops everything and Finish reports the failure.
class OutBuffer {
public:
    static constexpr std::size_t CHUNK_BYTES = std::size_t{1} << 20;

    explicit OutBuffer(const ExportSink& sink) : sink(sink) { text.reserve(CHUNK_BYTES + 4096); }

    std::string& Text() noexcept { return text; }
    void Put(std::string_view part) { text += part; }
    void Put(char c) { text += c; }
    void Integer(std::int64_t value)
    {
        char digits[24];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    }
    // Call at line ends: cheap unless a chunk is full.
    void MaybeFlush()
    {
        if (text.size() >= CHUNK_BYTES) Flush();
    }
    bool Finish()
    {
        Flush();
        return ok;
    }

private:
    void Flush()
    {
        if (ok && !text.empty() && !sink(text)) ok = false;
        text.clear();
    }

    const ExportSink& sink;
    std::string text;
    bool ok = true;
};
