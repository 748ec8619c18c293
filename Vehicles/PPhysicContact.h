// What the stepper and the game exchange through the world's callbacks: the
// contact record the stepper fills for each contact it reports, the terrain
// triangles the game hands back for a body, and the callback signatures.
#pragma once

#include "Platform/D3DX9Math.h"

#include <cstdint>

class CPPhysicBodyHeader;

struct CPPhysicContact
{
    static constexpr int32_t kPartnerTerrain = 0;
    static constexpr int32_t kPartnerBody = 1;

    CPPhysicBodyHeader* m_body1 = nullptr;
    // Means nothing when the second partner is terrain.
    CPPhysicBodyHeader* m_body2 = nullptr;
    int32_t m_kind1 = kPartnerBody;
    int32_t m_kind2 = kPartnerBody;
    // World axes.
    D3DXVECTOR3 m_point;
    // Its length measures the strength of the impact.
    D3DXVECTOR3 m_impact;
    D3DXVECTOR4 m_normal;
};

// A level triangle: three indices into the vertex array (-1 when unset).
struct CPPhysicTerrainTriangle
{
    int32_t m_vertex[3] = { -1, -1, -1 };
};

// Called for each contact the stepper reports.
typedef void (*CPPhysicCollisionCallback)(CPPhysicContact* contact);

// Asked for the level triangles near a world-space box around `body`: the
// answer is an array of triangle indices with its length, and the triangle
// and vertex arrays those indices refer to with the number of triangles.
typedef void (*CPPhysicTerrainQueryCallback)(const D3DXVECTOR4* minimum, const D3DXVECTOR4* maximum,
                                             int32_t** indices, const CPPhysicTerrainTriangle** triangles,
                                             const D3DXVECTOR3** vertices, int32_t* indexCount,
                                             int32_t* triangleCount, CPPhysicBodyHeader* body);

// Receives the world's log messages, each ending in a line feed.
typedef void (*CPPhysicLogSink)(const char* message);
