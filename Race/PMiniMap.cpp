#include "Race/PMiniMap.h"

#include "Core/PGlobals.h"
#include "Race/PLevel.h"
#include "Race/PRaceLinks.h"
#include "Render/PLayerEntry.h"
#include "Render/PMaterial.h"
#include "Startup/PConfigVars.h"

#include <algorithm>

namespace
{
constexpr float kZoom = 0.175f;
constexpr float kCloseZoom = 0.07f;
const char* const kEffect = "interface3.fx";
const char* const kMaskTexture = "mapblur.tga";
const char* const kEdgeTexture = "mapblur2.tga";
const char* const kIconObject = "minimap_obj.rdf";
const char* const kArrowName = "arrow";
const char* const kCheckpointName = "checkpoint";
constexpr float kQuarterTurn = 1.5707964f;
// The square's two triangles over its four corners.
const uint16_t kTriangles[6] = { 0, 1, 2, 0, 2, 3 };
}

CPMiniMap::CPMiniMap() = default;

CPMiniMap::~CPMiniMap()
{
    material = nullptr;
    activeArrow = nullptr;
    checkpointIcon = nullptr;
    arrow = nullptr;
    iconSet = nullptr;
    target = nullptr;
}

int32_t CPMiniMap::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPMiniMap));
}

std::string CPMiniMap::GetTypeName() const
{
    return "CPMiniMap";
}

CPSmartPtr<CPMaterial> CPMiniMap::GetMaterial() const
{
    return material;
}

std::vector<std::string> CPMiniMap::TexturesForLevel(int32_t levelIndex, float& mapZoom)
{
    std::vector<std::string> textures = { kMaskTexture };
    mapZoom = kZoom;
    if (levelIndex >= 1 && levelIndex <= 12) {
        // Levels 1, 5 and 9 share the first map, and so on.
        textures.push_back("level" + std::to_string((levelIndex - 1) % 4 + 1) + "\\map.tga");
        if (levelIndex >= 4 && levelIndex % 4 == 0)
            mapZoom = kCloseZoom;
    }
    textures.push_back(kEdgeTexture);
    return textures;
}

void CPMiniMap::Load(const std::string&, float width, float depth, int32_t)
{
    const CPLevel* level = GetLevel();
    const std::vector<std::string> textures = TexturesForLevel(level ? level->levelIndex : 0, zoom);
    material = GetRaceMaterial(kLayerMinimap, kEffect, textures);
    mapWidth = width;
    mapHeight = depth;
    if (mapWidth > mapHeight)
        mapHeight = mapWidth;
    else if (mapHeight > mapWidth)
        mapWidth = mapHeight;
    screenX = kMargin;
    screenY = static_cast<float>(g_CfgScreenHeight) - kSize - kMargin;
    iconSet = LoadRaceObject(kIconObject, kLayerWindows);
    if (iconSet) {
        arrow = iconSet->FindChild(kArrowName);
        checkpointIcon = iconSet->FindChild(kCheckpointName);
    }
    if (arrow)
        arrow->SetVisible(false);
    if (checkpointIcon)
        checkpointIcon->SetVisible(false);
}

void CPMiniMap::UpdatePosition(const D3DXVECTOR3& position, float angle)
{
    mapX = mapWidth * 0.5f + position.x;
    mapY = mapHeight * 0.5f + position.y;
    heading = angle;
}

void CPMiniMap::SetTarget(const CPSmartPtr<CPGameObject>& object)
{
    target = object;
    if (target) {
        if (arrow)
            arrow->SetVisible(true);
        if (checkpointIcon)
            checkpointIcon->SetVisible(true);
        activeArrow = arrow;
    } else {
        activeArrow = nullptr;
        if (checkpointIcon)
            checkpointIcon->SetVisible(false);
    }
}

void CPMiniMap::FillBuffers(CPVertex* vertices, uint16_t* indices, int32_t baseIndex, int32_t)
{
    D3DXMATRIX rotation;
    D3DXMATRIX translation;
    D3DXMATRIX transform;
    D3DXMatrixRotationYawPitchRoll(&rotation, 0.0f, 0.0f, heading + kQuarterTurn);
    D3DXMatrixTranslation(&translation, mapWidth != 0.0f ? mapX / mapWidth : 0.0f,
                          mapHeight != 0.0f ? mapY / mapHeight : 0.0f, 0.0f);
    D3DXMatrixMultiply(&transform, &rotation, &translation);

    struct Corner
    {
        float x, y, cx, cy, u, v;
    };
    const float z = zoom;
    const Corner corners[4] = {
        { screenX + kSize, screenY, z, -z, 1.0f, 0.0f },
        { screenX, screenY, -z, -z, 0.0f, 0.0f },
        { screenX, screenY + kSize, -z, z, 0.0f, 1.0f },
        { screenX + kSize, screenY + kSize, z, z, 1.0f, 1.0f },
    };
    for (int i = 0; i < 4; ++i) {
        const D3DXVECTOR3 corner(corners[i].cx, corners[i].cy, 0.0f);
        D3DXVECTOR3 sampled;
        D3DXVec3TransformCoord(&sampled, &corner, &transform);
        CPVertex& vertex = vertices[i];
        vertex.position = D3DXVECTOR3(corners[i].x, corners[i].y, 0.0f);
        vertex.u1 = sampled.x;
        vertex.v1 = sampled.y;
        vertex.u2 = corners[i].u;
        vertex.v2 = corners[i].v;
    }
    for (int i = 0; i < 6; ++i)
        indices[i] = static_cast<uint16_t>(baseIndex + kTriangles[i]);
}

void CPMiniMap::CopyIndices(uint16_t* destination, int32_t, int32_t& first, int32_t& last)
{
    std::copy(kTriangles, kTriangles + 6, destination);
    first = kTriangles[0];
    last = kTriangles[5];
}
