// Sprite body of a game object (kind 3): a square of the given half side that
// always faces the camera, with a colour, a texture rectangle and a roll. A
// facing axis and a cone can limit from where it is seen.
#pragma once

#include "Platform/D3DX9Math.h"
#include "Render/PRenderable.h"

#include <cstdint>
#include <string>

class CPGameObject;

class CPSprite : public CPRenderable
{
public:
    explicit CPSprite(float size);
    ~CPSprite() override;

    int32_t GetObjectSize() const override;
    // "CPSprite".
    std::string GetTypeName() const override;

    // Never hidden: a sprite always goes through the batches.
    bool IsHidden() const override { return false; }
    void SetHidden(bool) override {}
    CPSmartPtr<CPMaterial> GetMaterial() const override;
    void SetMaterial(const CPSmartPtr<CPMaterial>& material);

    // Takes the material, roll, colour, texture rectangle, axis and cone of
    // another sprite (its size is given at construction).
    void CopySettings(const CPSprite& source);

    CPGameObject* GetOwner() const { return m_owner; }
    void SetOwner(CPGameObject* owner) { m_owner = owner; }
    float GetSize() const { return m_size; }
    void SetAxisAndCone(const D3DXVECTOR3& axis, float cone)
    {
        m_axis = axis;
        m_cone = cone;
    }
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
    CPGameObject* m_owner = nullptr;
    CPSmartPtr<CPMaterial> m_material;
    float m_size;
};
