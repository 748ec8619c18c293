#include "Core/PHandle.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(Handle, FullWidthAddressesSurviveTheTextForm)
{
    const uintptr_t addresses[] = { 0x7ffd12345678u, 0x5555aaaabbbbu, 0x1u, UINTPTR_MAX, 0x8000000000000000u };
    for (uintptr_t address : addresses) {
        const void* handle = reinterpret_cast<void*>(address);
        EXPECT_EQ(StringToHandle(HandleToString(handle)), handle) << HandleToString(handle);
    }
    EXPECT_EQ(HandleToString(nullptr), "0");
    EXPECT_EQ(HandleToString(reinterpret_cast<void*>(uintptr_t{ 140737488355328u })), "140737488355328");
}

TEST(Handle, ReadsTextByTheRulesOfAtoi)
{
    struct Case
    {
        const char* text;
        intptr_t value;
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
        { "9223372036854775807", INTPTR_MAX },
    };
    for (const Case& c : cases)
        EXPECT_EQ(reinterpret_cast<intptr_t>(StringToHandle(c.text)), c.value) << '"' << c.text << '"';
    EXPECT_EQ(StringToHandle(static_cast<const char*>(nullptr)), nullptr);
}
