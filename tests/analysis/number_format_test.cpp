#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "analysis/NumberFormat.h"

namespace {

struct GeneralCase {
    double value;
    const char* text;
};

TEST(NumberFormat, GeneralFormat)
{
    const GeneralCase cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {333.0, "333"},
        {-6420.0, "-6420"},
        {1.0 / 3.0, "0.333333333333333"},
        {1234.5, "1234.5"},
        {2000.0 / 257.0, "7.78210116731517"},
        // Exact binary ties at the 16th digit go away from zero.
        {std::ldexp(1.0, -22), "2.38418579101563E-7"},
        {-std::ldexp(1.0, -22), "-2.38418579101563E-7"},
        {999999999999999.5, "1E15"},
        {0.1 + 0.2, "0.3"},
        // Notation follows the rounded value.
        {0.0001, "0.0001"},
        {9.999999999999999e-5, "0.0001"},
        {0.00012345, "0.00012345"},
        {0.00001, "1E-5"},
        {1.0 / 200000.0, "5E-6"},
        {1.5e-7, "1.5E-7"},
        {999999999999999.0, "999999999999999"},
        {99999999999999.99, "100000000000000"},
        {1e15, "1E15"},
        {123456789012345678.0, "1.23456789012346E17"},
        {-1.5e100, "-1.5E100"},
        {DBL_MAX, "1.79769313486232E308"},
        {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
        {2679.0 / 3000.0 * 100.0, "89.3"},
    };
    for (const GeneralCase& c : cases) EXPECT_EQ(FormatGeneral(c.value), c.text) << "value " << c.value;
}

TEST(NumberFormat, Integers)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0"},
        {-123, "-123"},
        {2147483647, "2147483647"},
        {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatInteger(value), text) << "value " << value;
}

}  // namespace
