// The race minimap: a 200 x 200 pixel square 40 pixels from the lower left
// corner of the screen showing the level's map texture around the followed
// vehicle, turned with its heading, under a soft-edged mask. It is a render
// body of four vertices and six indices. It also keeps the two pointer
// objects of the in-race display: an arrow and a checkpoint icon.
#pragma once

#include "Core/PGameObject.h"
#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"
#include "Render/PRenderable.h"
#include "Render/PVertex.h"

#include <cstdint>
#include <string>
#include <vector>

class CPMaterial;

class CPMiniMap : public CPRenderable
{
public:
    static constexpr float kSize = 200.0f;
    static constexpr float kMargin = 40.0f;

    CPMiniMap();
    ~CPMiniMap() override;

    int32_t GetObjectSize() const override;
    // "CPMiniMap".
    std::string GetTypeName() const override;
    bool IsHidden() const override { return false; }
    void SetHidden(bool) override {}
    CPSmartPtr<CPMaterial> GetMaterial() const override;
    int32_t GetVertexCount() override { return 4; }
    int32_t GetIndexCount() override { return 6; }
    // Writes the four corners of the square and its two triangles from the
    // base index.
    void FillBuffers(CPVertex* vertices, uint16_t* indices, int32_t baseIndex, int32_t unused) override;
    // The two triangles' raw indices, 0 to 3.
    void CopyIndices(uint16_t* destination, int32_t unused, int32_t& first, int32_t& last) override;

    // The material (by the current level's index), the screen placement and
    // the icon objects. The level name is not used.
    void Load(const std::string& levelName, float width, float depth, int32_t unused);
    void UpdatePosition(const D3DXVECTOR3& position, float angle);
    // Points the icons at a checkpoint; null hides the checkpoint icon.
    void SetTarget(const CPSmartPtr<CPGameObject>& object);
    // The textures Load asks for, in order.
    static std::vector<std::string> TexturesForLevel(int32_t levelIndex, float& zoom);

    float mapX = 0.0f;
    float mapY = 0.0f;
    float mapWidth = 0.0f;
    float mapHeight = 0.0f;
    float heading = 0.0f;
    float screenX = 0.0f;
    float screenY = 0.0f;
    CPSmartPtr<CPGameObject> target;
    CPSmartPtr<CPGameObject> iconSet;
    CPSmartPtr<CPGameObject> arrow;
    CPSmartPtr<CPGameObject> checkpointIcon;
    CPSmartPtr<CPGameObject> activeArrow;
    CPSmartPtr<CPMaterial> material;
    float zoom = 0.0f;
};
