#include "Vehicles/PPhysicCollisionTable.h"

namespace
{
bool IsGroup(int32_t group)
{
    return group >= 0 && group < CPPhysicCollisionTable::kGroupCount;
}
}

void CPPhysicCollisionTable::Reset()
{
    for (auto& row : m_pairs) {
        for (int32_t& value : row)
            value = 1;
    }
    for (int32_t& value : m_terrain)
        value = 1;
}

void CPPhysicCollisionTable::SetPair(int32_t a, int32_t b, int32_t response)
{
    if (a == kTerrainGroup && b == kTerrainGroup)
        return;
    if (a == kTerrainGroup) {
        if (IsGroup(b))
            m_terrain[b] = response;
        return;
    }
    if (b == kTerrainGroup) {
        if (IsGroup(a))
            m_terrain[a] = response;
        return;
    }
    if (!IsGroup(a) || !IsGroup(b))
        return;
    m_pairs[a][b] = response;
    m_pairs[b][a] = response;
}
