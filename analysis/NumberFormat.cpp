#include "analysis/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string FormatInteger(std::int64_t value)
{
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

namespace {

constexpr int SIGNIFICANT_DIGITS = 15;
// Enough fraction digits for the exact decimal expansion of any double
// (the longest, a subnormal, has 767 significant digits).
constexpr int EXACT_DIGITS = 800;

}  // namespace

std::string FormatGeneral(double value)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0.0) return "0";

    // glibc prints the exact expansion, so rounding it here happens once.
    char exact[EXACT_DIGITS + 40];
    std::snprintf(exact, sizeof exact, "%.*e", EXACT_DIGITS, std::fabs(value));
    // exact = "d<point>ddd...e[+-]xx"; the point is the locale's, so only
    // digits are read.
    char digits[SIGNIFICANT_DIGITS + 1];
    int count = 0;
    const char* e = std::strrchr(exact, 'e');
    for (const char* c = exact; c < e && count <= SIGNIFICANT_DIGITS; ++c)
        if (*c >= '0' && *c <= '9') digits[count++] = *c;
    int exponent = std::atoi(e + 1);

    // Ties away from zero: the 16th digit alone decides.
    if (digits[SIGNIFICANT_DIGITS] >= '5') {
        int k = SIGNIFICANT_DIGITS - 1;
        while (k >= 0 && digits[k] == '9') digits[k--] = '0';
        if (k >= 0) {
            ++digits[k];
        } else {
            digits[0] = '1';
            ++exponent;
        }
    }
    int length = SIGNIFICANT_DIGITS;
    while (length > 1 && digits[length - 1] == '0') --length;

    std::string text;
    text.reserve(32);
    if (value < 0) text += '-';
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            text += "0.";
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text.append(digits, static_cast<std::size_t>(length));
        } else {
            const int whole = exponent + 1;
            for (int k = 0; k < whole; ++k) text += k < length ? digits[k] : '0';
            if (length > whole) {
                text += '.';
                text.append(digits + whole, static_cast<std::size_t>(length - whole));
            }
        }
    } else {
        text += digits[0];
        if (length > 1) {
            text += '.';
            text.append(digits + 1, static_cast<std::size_t>(length - 1));
        }
        text += 'E';
        if (exponent < 0) text += '-';
        text += FormatInteger(std::abs(exponent));
    }
    return text;
}
