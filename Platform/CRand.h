// The C runtime's random generator as the game relies on it: a linear
// congruential rule with a 15-bit result (0..32767), start seed 1. The host
// C library's own rand has another range and sequence, so the engine calls
// these instead, through one shared seed.
#pragma once

#include <cstdint>

namespace crt
{
constexpr int kRandMax = 32767;

// Next value: seed = seed * 214013 + 2531011; result = (seed >> 16) & 0x7FFF.
int rand();
void srand(uint32_t seed);
}
