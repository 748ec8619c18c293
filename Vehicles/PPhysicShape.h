// One collision geometry of a simulator body: a box or a cylinder placed in
// the body's frame by a local transform. The cylinder's axis is the local Y
// axis (row 1 of the transform). Geometries come from the world's pool and
// stay on their body; a body's bounding record is a box of this same layout.
#pragma once

#include "Platform/D3DX9Math.h"

#include <cstdint>

class CPPhysicShape
{
public:
    static constexpr int32_t kTypeBox = 3;
    static constexpr int32_t kTypeCylinder = 5;

    CPPhysicShape();

    // A 1 x 1 x 1 box with an identity transform, material 0 and the
    // stepper's defaults.
    void Reset();

    // Full sizes; stores the half sizes and the bounding radius (the length
    // of the half-size vector).
    void SetBox(float x, float y, float z);
    void SetBoxSize(float x, float y, float z) { SetBox(x, y, z); }
    void SetBoxSizeFromVector(const D3DXVECTOR4& size) { SetBox(size.x, size.y, size.z); }
    // Radius, squared radius and half height; the bounding radius is kept.
    void SetCylinder(float diameter, float height);
    void SetTransform(const D3DXMATRIX& transform);
    // Stores the index into the world's material table and returns it.
    int32_t SetMaterialIndex(int32_t index);
    int32_t GetType() const { return m_type; }

    // Axis-aligned bounds in the body's frame. A cylinder reaches r + h
    // along its own axis. False, leaving both untouched, for other types.
    bool ComputeBounds(D3DXVECTOR3* minimum, D3DXVECTOR3* maximum) const;
    // Radius about the body's origin that holds the geometry; 0 for other types.
    float ComputeBoundingRadius() const;

    // Box: half sizes. Cylinder: radius, squared radius, half height.
    D3DXVECTOR3 m_size;
    D3DXMATRIX m_transform;
    float m_boundingRadius = 0.0f;
    int32_t m_type = kTypeBox;
    int32_t m_materialIndex = 0;

    // The stepper's own values, set by Reset.
    D3DXVECTOR4 m_stepperInertia;
    float m_stepperValues[2] = {};
    float m_stepperWork[4] = {};

    // The body's geometry list (or the pool's free list) and the pool's byte.
    CPPhysicShape* m_prev = nullptr;
    CPPhysicShape* m_next = nullptr;
    uint8_t m_inUse = 0;
};
