// Clocks of the platform: the multimedia millisecond timer, the performance
// counter, the local time and Sleep. By default they read the real clocks;
// a test or the headless host can set any of them, after which that clock
// stands still until it is set again (Sleep then advances the set clocks
// instead of waiting, so code that waits in a loop finishes at once).
#pragma once

#include "Platform/Win32.h"

DWORD timeGetTime();
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
void GetLocalTime(SYSTEMTIME* time);
void Sleep(DWORD milliseconds);

namespace PlatformClock
{
// The performance counter runs in nanoseconds.
constexpr LONGLONG kPerformanceFrequency = 1000000000;

// Fixes timeGetTime's value (milliseconds) until set again or reset.
void SetTime(DWORD milliseconds);
// Fixes the performance counter's value (in counter ticks).
void SetPerformanceCounter(LONGLONG ticks);
// Fixes the local time.
void SetLocalTime(const SYSTEMTIME& time);
// Moves every set clock forward; the real clocks are not affected.
void Advance(DWORD milliseconds);
// Back to the real clocks.
void UseRealClocks();
}
