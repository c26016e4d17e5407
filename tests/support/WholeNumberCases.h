#pragma once

#include <cstdint>
#include <optional>

// Every place that reads a whole number reads these texts alike: the core
// reader, the command line's integer options, --prior's weights and the
// window's seed field. `value` is the number, nullopt for a text that is no
// whole number; `decimal` marks those a decimal weight still is.
struct WholeNumberCase {
    const char* text;
    std::optional<std::int64_t> value;
    bool decimal = false;
};

inline constexpr WholeNumberCase WHOLE_NUMBER_CASES[] = {
    {"1", 1},
    {"8000", 8000},
    {" 12 ", 12},
    {"\t5\t", 5},
    {"+7", 7},
    {" +7", 7},
    {"-5", -5},
    {"-0", 0},
    {"+0", 0},
    {"007", 7},
    {"00000000042", 42},
    {"2147483647", 2147483647},
    {"-2147483648", -2147483648},
    {"2147483648", 2147483648},
    {"4294967295", 4294967295},
    {"4294967296", 4294967296},
    {"9223372036854775807", INT64_MAX},
    {"-9223372036854775808", INT64_MIN},
    {"9223372036854775808", std::nullopt, true},
    {"99999999999999999999", std::nullopt, true},
    {"1.5", std::nullopt, true},
    {"1e3", std::nullopt, true},
    {"", std::nullopt},
    {"   ", std::nullopt},
    {"+", std::nullopt},
    {"-", std::nullopt},
    {"++1", std::nullopt},
    {"+-1", std::nullopt},
    {"- 1", std::nullopt},
    {"1 2", std::nullopt},
    {"abc", std::nullopt},
    {"12a", std::nullopt},
    {"0x10", std::nullopt},
    {"1\n", std::nullopt},
    {"\xef\xbc\x91", std::nullopt},  // full-width 1
    {"\xe3\x80\x80"
     "1",
     std::nullopt},  // after a full-width space
};
