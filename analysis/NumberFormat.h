#pragma once

#include <cstdint>
#include <string>

// Integers: plain decimal, "-" when negative.
std::string FormatInteger(std::int64_t value);

// The general number format: rounded once, from the exact binary value, to 15
// significant digits with ties away from zero; fixed-point when the rounded
// magnitude is 0 or in [0.0001, 1e15), otherwise scientific ("5E-6",
// "1.5E-7", "1E15"). Trailing zeros and a bare point are dropped.
std::string FormatGeneral(double value);
