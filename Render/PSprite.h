// Sprite body of a game object (kind 3): a square of the given half side that
// always faces the active camera, with a colour, a texture rectangle and a
// roll. A facing axis and a cone can limit from where it is seen and fade it
// towards the rim of the cone; a negative cone gives a fixed alpha instead.
#pragma once

#include "Platform/D3DX9Math.h"
#include "Render/PRenderable.h"

#include <cstdint>
#include <string>
#include <vector>

class CPGameObject;
class CPVertexModifier;

class CPSprite : public CPRenderable
{
public:
    static constexpr int32_t kVertexCount = 4;
    static constexpr int32_t kIndexCount = 6;

    explicit CPSprite(float size);
    // Deletes the vertex modifiers and releases the material.
    ~CPSprite() override;

    int32_t GetObjectSize() const override;
    // "CPSprite".
    std::string GetTypeName() const override;

    // Never hidden: a sprite always goes through the batches.
    bool IsHidden() const override { return false; }
    void SetHidden(bool) override {}
    // 4 and 6 while IsInRange, else 0.
    int32_t GetVertexCount() override;
    int32_t GetIndexCount() override;
    // The square turned to the active camera at the owner's world position,
    // then through the modifiers; indices base + 0, 2, 1, 0, 3, 2. Nothing
    // when out of range.
    void FillBuffers(CPVertex* vertices, uint16_t* indices, int32_t baseIndex, int32_t unused) override;
    void CopyIndices(uint16_t*, int32_t, int32_t&, int32_t&) override {}
    CPSmartPtr<CPMaterial> GetMaterial() const override;
    void SetMaterial(const CPSmartPtr<CPMaterial>& material);

    // Whether the sprite is seen now, by its cone (and, for a positive cone,
    // the colour's alpha in all four channels). Without an active camera or
    // an owner it is not seen. The answer is kept as the visible flag.
    bool IsInRange();

    // Takes the material, roll, colour, texture rectangle, axis and cone of
    // another sprite (its size is given at construction).
    void CopySettings(const CPSprite& source);
    // Takes ownership; the modifiers run in the order they were added.
    void AddModifier(CPVertexModifier* modifier);
    const std::vector<CPVertexModifier*>& GetModifiers() const { return m_modifiers; }

    CPGameObject* GetOwner() const { return m_owner; }
    void SetOwner(CPGameObject* owner) { m_owner = owner; }
    float GetSize() const { return m_size; }
    void SetAxisAndCone(const D3DXVECTOR3& axis, float cone)
    {
        m_axis = axis;
        m_cone = cone;
    }
    bool IsVisible() const { return m_visible != 0; }

    // Radians about the view direction.
    float m_roll = 0.0f;
    D3DCOLOR m_colour = 0xffffffff;
    float m_uMin = 0.0f;
    float m_vMin = 0.0f;
    float m_uMax = 1.0f;
    float m_vMax = 1.0f;
    // Facing axis in the root object's frame, and the cone around it (radians;
    // 0 = always seen, -1..-0.1 = a fixed alpha).
    D3DXVECTOR3 m_axis;
    float m_cone = 0.0f;

private:
    uint8_t m_modifiersOn = 0;
    std::vector<CPVertexModifier*> m_modifiers;
    CPGameObject* m_owner = nullptr;
    CPSmartPtr<CPMaterial> m_material;
    float m_size;
    uint8_t m_visible = 1;
};
