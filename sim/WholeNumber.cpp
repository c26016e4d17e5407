#include "sim/WholeNumber.h"

#include <cstdint>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

std::optional<int> ParseWholeNumber(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    if (begin == end) return std::nullopt;

    bool negative = false;
    if (text[begin] == '+' || text[begin] == '-') {
        negative = text[begin] == '-';
        ++begin;
    }
    if (begin == end) return std::nullopt;

    std::int64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > 2147483647LL || value < -2147483648LL) return std::nullopt;
    return static_cast<int>(value);
}

std::optional<SettingChoice> ParseSettingText(std::string_view text)
{
    if (text == "?") return SettingChoice{true, 0};
    const auto value = ParseWholeNumber(text);
    if (!value) return std::nullopt;
    return SettingChoice{false, *value};
}
