#pragma once

#include <optional>
#include <string_view>

#include "slot/MachineCodes.h"

// Parses a whole number as the input fields and the command line accept it:
// optional blanks around, an optional sign, ASCII digits, a value within
// 32 bits. Anything else (empty, letters, full-width digits, "1.5", overflow)
// gives nullopt.
std::optional<int> ParseWholeNumber(std::string_view text);

// The setting field: exactly "?" (hidden) or a whole number (not range-checked).
struct SettingChoice {
    bool hidden = false;
    int value = 1;
};
std::optional<SettingChoice> ParseSettingText(std::string_view text);

constexpr bool IsValidSetting(int setting)
{
    return setting >= SETTING_MIN && setting <= SETTING_MAX;
}
