#pragma once

#include <charconv>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Collects output text and, given a sink, hands it over a megabyte at a time,
// so a long play list never has to be whole in memory; after the first
// refusal it drops everything and Finish reports the failure. Without a sink
// it keeps the whole text.
class ChunkedText {
public:
    using Sink = std::function<bool(std::string_view bytes)>;
    static constexpr std::size_t CHUNK_BYTES = std::size_t{1} << 20;

    ChunkedText() { text.reserve(4096); }
    explicit ChunkedText(Sink out) : sink(std::move(out)) { text.reserve(CHUNK_BYTES + 4096); }

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
        if (sink && text.size() >= CHUNK_BYTES) Flush();
    }
    [[nodiscard]] bool Finish()
    {
        if (!sink) return true;
        Flush();
        return ok;
    }

private:
    void Flush()
    {
        if (ok && !text.empty() && !sink(text)) ok = false;
        text.clear();
    }

    Sink sink;
    std::string text;
    bool ok = true;
};
