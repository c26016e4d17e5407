#include "sim/WholeNumber.h"

#include <cstdint>
#include <limits>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

std::optional<SignedText> SplitSign(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    SignedText split;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        split.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    split.magnitude = text;
    return split;
}

WholeNumberRead ReadWholeNumber(std::string_view text)
{
    const auto split = SplitSign(text);
    if (!split) return {};
    // The magnitude of the most negative value, one beyond the most positive.
    constexpr std::uint64_t LIMIT = std::uint64_t{1} << 63;
    std::uint64_t magnitude = 0;
    bool tooLarge = false;
    for (const char c : split->magnitude) {
        if (c < '0' || c > '9') return {};
        if (tooLarge) continue;  // the rest must still be digits
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (magnitude > (LIMIT - digit) / 10)
            tooLarge = true;
        else
            magnitude = magnitude * 10 + digit;
    }
    if (tooLarge || (magnitude == LIMIT && !split->negative)) return {WholeNumberRead::Status::TooLarge, 0};
    const std::int64_t value = magnitude == LIMIT ? std::numeric_limits<std::int64_t>::min()
                               : split->negative  ? -static_cast<std::int64_t>(magnitude)
                                                  : static_cast<std::int64_t>(magnitude);
    return {WholeNumberRead::Status::Number, value};
}

std::optional<int> ParseWholeNumber(std::string_view text)
{
    const WholeNumberRead read = ReadWholeNumber(text);
    if (!read.Ok() || read.value < std::numeric_limits<int>::min() ||
        read.value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(read.value);
}

std::optional<SettingChoice> ParseSettingText(std::string_view text)
{
    if (text == "?") return SettingChoice{true, 0};
    const auto value = ParseWholeNumber(text);
    if (!value) return std::nullopt;
    return SettingChoice{false, *value};
}
