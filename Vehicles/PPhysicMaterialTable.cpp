#include "Vehicles/PPhysicMaterialTable.h"

void CPPhysicMaterialTable::Reset()
{
    for (CPPhysicMaterial& entry : m_entries)
        entry = CPPhysicMaterial();
}

bool CPPhysicMaterialTable::Set(int32_t index, float friction, float restitution, float third)
{
    if (index < 0 || index >= kCount)
        return false;
    m_entries[index].m_friction = friction;
    m_entries[index].m_restitution = restitution;
    m_entries[index].m_third = third;
    return true;
}

const CPPhysicMaterial* CPPhysicMaterialTable::Get(int32_t index) const
{
    return index >= 0 && index < kCount ? &m_entries[index] : nullptr;
}
