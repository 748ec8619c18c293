#include "Vehicles/PPhysicPerfCounter.h"

#include "Platform/Clock.h"

int64_t CPPhysicPerfCounter::s_frequency = 0;

void CPPhysicPerfCounter::Create()
{
    *this = CPPhysicPerfCounter();
}

void CPPhysicPerfCounter::Calibrate()
{
    for (uint32_t& counter : m_counters)
        counter = 0;
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency))
        return;
    s_frequency = frequency.QuadPart;

    m_readCost = kStartingReadCost;
    for (int32_t round = 0; round < kCalibrationRounds; ++round) {
        LARGE_INTEGER first;
        LARGE_INTEGER second;
        QueryPerformanceCounter(&first);
        QueryPerformanceCounter(&second);
        const int32_t cost = static_cast<int32_t>(second.u.LowPart - first.u.LowPart);
        if (cost >= 0 && cost < m_readCost)
            m_readCost = cost;
    }

    uint32_t high = static_cast<uint32_t>(frequency.u.HighPart);
    m_frequencyHighBits = 0;
    while (high) {
        high >>= 1;
        ++m_frequencyHighBits;
    }
}
