#include "Platform/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace
{
bool g_TimeSet = false;
DWORD g_Time = 0;
bool g_CounterSet = false;
LONGLONG g_Counter = 0;
bool g_LocalSet = false;
SYSTEMTIME g_Local = {};

LONGLONG SteadyNanoseconds()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Advances a set local time by whole milliseconds, carrying into seconds,
// minutes, hours, days, months and years.
void AdvanceLocal(SYSTEMTIME& t, DWORD milliseconds)
{
    static const int kDaysInMonth[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    uint64_t ms = t.wMilliseconds + static_cast<uint64_t>(milliseconds);
    t.wMilliseconds = static_cast<WORD>(ms % 1000);
    uint64_t seconds = t.wSecond + ms / 1000;
    t.wSecond = static_cast<WORD>(seconds % 60);
    uint64_t minutes = t.wMinute + seconds / 60;
    t.wMinute = static_cast<WORD>(minutes % 60);
    uint64_t hours = t.wHour + minutes / 60;
    t.wHour = static_cast<WORD>(hours % 24);
    uint64_t days = hours / 24;
    while (days > 0) {
        --days;
        t.wDayOfWeek = static_cast<WORD>((t.wDayOfWeek + 1) % 7);
        int month = (t.wMonth >= 1 && t.wMonth <= 12) ? t.wMonth : 1;
        int length = kDaysInMonth[month - 1] + ((month == 2 && IsLeapYear(t.wYear)) ? 1 : 0);
        if (t.wDay < length) {
            ++t.wDay;
        } else {
            t.wDay = 1;
            if (month == 12) {
                t.wMonth = 1;
                ++t.wYear;
            } else {
                t.wMonth = static_cast<WORD>(month + 1);
            }
        }
    }
}
}

DWORD timeGetTime()
{
    if (g_TimeSet)
        return g_Time;
    return static_cast<DWORD>(SteadyNanoseconds() / 1000000);
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count)
{
    if (!count)
        return FALSE;
    count->QuadPart = g_CounterSet ? g_Counter : SteadyNanoseconds();
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (!frequency)
        return FALSE;
    frequency->QuadPart = PlatformClock::kPerformanceFrequency;
    return TRUE;
}

void GetLocalTime(SYSTEMTIME* time)
{
    if (!time)
        return;
    if (g_LocalSet) {
        *time = g_Local;
        return;
    }
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local = {};
    localtime_r(&seconds, &local);
    time->wYear = static_cast<WORD>(local.tm_year + 1900);
    time->wMonth = static_cast<WORD>(local.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time->wDay = static_cast<WORD>(local.tm_mday);
    time->wHour = static_cast<WORD>(local.tm_hour);
    time->wMinute = static_cast<WORD>(local.tm_min);
    time->wSecond = static_cast<WORD>(local.tm_sec);
    time->wMilliseconds =
        static_cast<WORD>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
}

void Sleep(DWORD milliseconds)
{
    if (g_TimeSet || g_CounterSet || g_LocalSet) {
        PlatformClock::Advance(milliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace PlatformClock
{
void SetTime(DWORD milliseconds)
{
    g_TimeSet = true;
    g_Time = milliseconds;
}

void SetPerformanceCounter(LONGLONG ticks)
{
    g_CounterSet = true;
    g_Counter = ticks;
}

void SetLocalTime(const SYSTEMTIME& time)
{
    g_LocalSet = true;
    g_Local = time;
}

void Advance(DWORD milliseconds)
{
    if (g_TimeSet)
        g_Time += milliseconds;
    if (g_CounterSet)
        g_Counter += static_cast<LONGLONG>(milliseconds) * (kPerformanceFrequency / 1000);
    if (g_LocalSet)
        AdvanceLocal(g_Local, milliseconds);
}

void UseRealClocks()
{
    g_TimeSet = false;
    g_CounterSet = false;
    g_LocalSet = false;
}
}
