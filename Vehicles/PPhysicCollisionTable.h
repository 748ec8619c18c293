// How collision groups respond to each other: one value per ordered pair of
// the groups 0 to 63, kept symmetric, and one value per group against the
// terrain (group -1). Every value starts as 1; the game also uses 3 and 0.
// What a value means to a contact is the stepper's.
#pragma once

#include <cstdint>

class CPPhysicCollisionTable
{
public:
    static constexpr int32_t kGroupCount = 64;
    static constexpr int32_t kTerrainGroup = -1;

    // Every pair and terrain value back to 1.
    void Reset();
    void Set(int32_t a, int32_t b, int32_t response) { SetPair(a, b, response); }
    // a or b -1 sets the other group's terrain value (both -1: nothing);
    // otherwise both [a][b] and [b][a]. A group outside -1 and 0 to 63 lies
    // outside the table and is ignored.
    void SetPair(int32_t a, int32_t b, int32_t response);

    int32_t m_pairs[kGroupCount][kGroupCount];
    int32_t m_terrain[kGroupCount];
};
