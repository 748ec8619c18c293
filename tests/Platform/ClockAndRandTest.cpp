#include "Platform/CRand.h"
#include "Platform/Clock.h"

#include <gtest/gtest.h>

TEST(CRand, FollowsTheRuntimeSequenceFromSeedOne)
{
    crt::srand(1);
    const int expected[] = { 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358 };
    for (int value : expected)
        EXPECT_EQ(crt::rand(), value);

    crt::srand(12345);
    for (int i = 0; i < 10000; ++i) {
        const int value = crt::rand();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, crt::kRandMax);
    }
    crt::srand(1);
}

TEST(Clock, SetClocksStandStillAndSleepAdvancesThem)
{
    PlatformClock::SetTime(1000);
    PlatformClock::SetPerformanceCounter(5);
    SYSTEMTIME start = { 2026, 12, 4, 31, 23, 59, 59, 900 }; // a Thursday, New Year's Eve
    PlatformClock::SetLocalTime(start);

    EXPECT_EQ(timeGetTime(), 1000u);
    Sleep(250);
    EXPECT_EQ(timeGetTime(), 1250u);

    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    ASSERT_TRUE(QueryPerformanceCounter(&counter));
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(counter.QuadPart, 5 + 250 * frequency.QuadPart / 1000);

    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(now.wYear, 2027);
    EXPECT_EQ(now.wMonth, 1);
    EXPECT_EQ(now.wDay, 1);
    EXPECT_EQ(now.wDayOfWeek, 5);
    EXPECT_EQ(now.wHour, 0);
    EXPECT_EQ(now.wMinute, 0);
    EXPECT_EQ(now.wSecond, 0);
    EXPECT_EQ(now.wMilliseconds, 150);

    PlatformClock::UseRealClocks();
    const DWORD a = timeGetTime();
    Sleep(2);
    EXPECT_GE(timeGetTime(), a + 2);
}
