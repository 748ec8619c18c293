#include "Core/PHandle.h"
#include "Core/PManagedObject.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(Handle, FullWidthIdsSurviveTheTextForm)
{
    const uint64_t ids[] = { 0x7ffd12345678u, 0x5555aaaabbbbu, 0x1u, UINT64_MAX, 0x8000000000000000u };
    for (uint64_t id : ids)
        EXPECT_EQ(StringToHandle(HandleToString(id)), id) << HandleToString(id);
    EXPECT_EQ(HandleToString(uint64_t{ 0 }), "0");
    EXPECT_EQ(HandleToString(static_cast<const CPManagedObject*>(nullptr)), "0");
    EXPECT_EQ(HandleToString(uint64_t{ 140737488355328u }), "140737488355328");
    EXPECT_EQ(HandleToString(UINT64_MAX), "-1"); // signed, as atoi reads it back
}

TEST(Handle, ReadsTextByTheRulesOfAtoi)
{
    struct Case
    {
        const char* text;
        int64_t value;
    };
    const Case cases[] = {
        { "0", 0 },
        { "", 0 },
        { "abc", 0 },
        { "  \t42", 42 },
        { "+17", 17 },
        { "-5", -5 },
        { "123abc", 123 },
        { "12 34", 12 },
        { "9223372036854775807", INT64_MAX },
    };
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<int64_t>(StringToHandle(c.text)), c.value) << '"' << c.text << '"';
    EXPECT_EQ(StringToHandle(static_cast<const char*>(nullptr)), 0u);
}
