// Work counters for the stepper's timing: nine 32-bit counters, the
// performance-counter frequency (one value for the whole process), the
// smallest cost of two back-to-back counter reads, and the bit length of the
// frequency's high 32 bits. The world calibrates it once when it is created;
// nothing in the game reads it.
#pragma once

#include <cstdint>

class CPPhysicPerfCounter
{
public:
    static constexpr int32_t kCounterCount = 9;
    static constexpr int32_t kStartingReadCost = 200;
    static constexpr int32_t kCalibrationRounds = 20;

    // All counters and measurements cleared.
    void Create();
    // Clears the counters, reads the frequency (stopping there when it cannot
    // be read) and measures the read cost and the frequency's high bit length.
    void Calibrate();

    static int64_t GetFrequency() { return s_frequency; }

    uint32_t m_counters[kCounterCount] = {};
    // In counter ticks.
    int32_t m_readCost = 0;
    int32_t m_frequencyHighBits = 0;

private:
    static int64_t s_frequency;
};
