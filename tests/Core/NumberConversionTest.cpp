#include "Core/PUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(NumberConversion, TruncateToIntCutsTowardZeroAndSaturates)
{
    const struct
    {
        double value;
        int32_t expected;
    } cases[] = {
        { 4.9, 4 }, { -4.9, -4 }, { -2.7, -2 }, { 2.9, 2 }, { -0.5, 0 }, { 0.0, 0 },
        { 2147483647.9, 2147483647 }, { -2147483648.9, -2147483647 - 1 },
        { 1e300, 2147483647 }, { -1e300, -2147483647 - 1 },
        { std::numeric_limits<double>::infinity(), 2147483647 }, { NAN, 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(TruncateToInt(c.value), c.expected) << c.value;
}

TEST(NumberConversion, StringToIntFollowsAtoi)
{
    const struct
    {
        const char* text;
        int32_t expected;
    } cases[] = {
        { "42", 42 }, { "  -17x", -17 }, { "+3", 3 }, { "abc", 0 }, { "", 0 }, { "007", 7 },
        { "99999999999", 2147483647 }, { "-99999999999", -2147483647 - 1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(StringToInt(c.text), c.expected) << c.text;
    EXPECT_EQ(StringToInt(nullptr), 0);
}
