// The engine's one vertex: position, normal, two colours and two pairs of
// texture coordinates, 48 bytes with no padding. Meshes, render bodies,
// morph animations and vertex buffers all hold it in this layout, which is
// also its layout in the binary mesh files.
#pragma once

#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <type_traits>

struct CPVertex
{
    // D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2.
    static constexpr uint32_t kFvf = 0x2D2;

    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DCOLOR diffuse = 0;
    D3DCOLOR specular = 0;
    float u1 = 0.0f;
    float v1 = 0.0f;
    float u2 = 0.0f;
    float v2 = 0.0f;
};

static_assert(sizeof(CPVertex) == 48, "vertex layout of files and buffers");
static_assert(std::is_trivially_copyable<CPVertex>::value, "vertices are copied as bytes");
