// The stored form of a time-mode ghost sample: 68 bytes of little-endian
// 32-bit floats with the part flag at byte 28 and three zero padding bytes,
// the same bytes on every machine.
#pragma once

#include "Race/PRaceRecords.h"

#include <cstddef>
#include <cstdint>

constexpr size_t kGhostSampleBytes = 68;

// Writes the sample's 68 bytes; the padding is written as zeros.
void StoreGhostSample(const CPGhostSample& sample, uint8_t* bytes);
// The sample of 68 stored bytes; the padding is not read.
CPGhostSample LoadGhostSample(const uint8_t* bytes);
