#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "slot/MachineCodes.h"

// The one reading of a whole number, wherever a user types or passes one:
// optional blanks (spaces, tabs) around, one optional sign ("+7", "-0" is 0),
// ASCII digits, leading zeros allowed. Anything else (empty, letters,
// full-width digits, "1.5", "1e3", "0x10", a blank inside) is no number.
struct WholeNumberRead {
    enum class Status { Number, NotANumber, TooLarge };
    Status status = Status::NotANumber;
    std::int64_t value = 0;  // when Number

    bool Ok() const noexcept { return status == Status::Number; }
};
// TooLarge: a number beyond 64 bits.
WholeNumberRead ReadWholeNumber(std::string_view text);

// The same reading, for a value within 32 bits; nullopt otherwise.
std::optional<int> ParseWholeNumber(std::string_view text);

// The frame every number shares, decimals too: the blanks around and the
// sign taken off. nullopt when no magnitude is left.
struct SignedText {
    bool negative = false;
    std::string_view magnitude;
};
std::optional<SignedText> SplitSign(std::string_view text);

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
