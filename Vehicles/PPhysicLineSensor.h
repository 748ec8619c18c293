// A line sensor: a segment fixed in its body's frame, from the start point to
// start + direction. Each step the stepper casts it and records the nearest
// hit: the depth is the part of the line beyond the hit (0 when the line
// meets nothing), with the surface normal and contact point in world axes.
// The game's vehicles use one per wheel as the suspension probe.
#pragma once

#include "Platform/D3DX9Math.h"

#include <cstdint>

class CPPhysicLineSensor
{
public:
    // Stores both; derives the unit direction and the length (both zero for
    // a direction shorter than 1e-3).
    void SetLineSensor(const D3DXVECTOR4& start, const D3DXVECTOR4& direction);

    // Vector results are written to out, which is returned.
    D3DXVECTOR4* GetLinePosition(D3DXVECTOR4* out) const;
    D3DXVECTOR4* GetLineUnitVector(D3DXVECTOR4* out) const;
    float GetDetectDepth() const { return m_detectDepth; }
    D3DXVECTOR4* GetDetectNormal(D3DXVECTOR4* out) const;
    D3DXVECTOR4* GetDetectContactPoint(D3DXVECTOR4* out) const;

    D3DXVECTOR4 m_start;
    D3DXVECTOR4 m_direction;
    D3DXVECTOR4 m_unitDirection;
    float m_length = 0.0f;
    int32_t m_stepperField = 0;

    // Written by the stepper: the result of the last step that cast the line.
    D3DXVECTOR4 m_detectNormal;
    D3DXVECTOR4 m_detectContactPoint;
    float m_detectDepth = 0.0f;
    int32_t m_stepperFields[2] = {};

    // The body's sensor list (or the pool's free list) and the pool's byte.
    CPPhysicLineSensor* m_prev = nullptr;
    CPPhysicLineSensor* m_next = nullptr;
    uint8_t m_inUse = 0;
};
