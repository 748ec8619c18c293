// Records kept across races: one sample of the time-attack ghost (a plain
// 68-byte record stored unchanged in level records and save files) and one
// entry of a level's best-lap table.
#pragma once

#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <string>

struct CPGhostSample
{
    D3DXVECTOR3 position;
    D3DXQUATERNION rotation;
    // Non-zero: the part "bike" is shown, zero: "bike01".
    uint8_t bikePartFlag = 0;
    uint8_t padding[3] = {};
    D3DXQUATERNION riderRotation;
    D3DXQUATERNION bodyRotation;
    float sampleTime = 0.0f;
};

static_assert(sizeof(CPGhostSample) == 68, "ghost samples are stored byte for byte");

struct CPRecordEntry
{
    std::string name;
    int32_t minutes = 0;
    int32_t seconds = 0;
    int32_t hundredths = 0;
};
