// The world's surface materials: 256 entries of friction, restitution and a
// third coefficient, indexed by a geometry's material index. How two touching
// materials combine is the stepper's choice.
#pragma once

#include <cstdint>

struct CPPhysicMaterial
{
    float m_friction = 0.5f;
    float m_restitution = 0.4f;
    float m_third = 1.0f;
};

class CPPhysicMaterialTable
{
public:
    static constexpr int32_t kCount = 256;

    // Every entry back to friction 0.5, restitution 0.4, third coefficient 1.
    void Reset();
    // False, storing nothing, for an index outside 0 to 255.
    bool Set(int32_t index, float friction, float restitution, float third);
    // Null for an index outside the table.
    const CPPhysicMaterial* Get(int32_t index) const;

    CPPhysicMaterial m_entries[kCount];
};
