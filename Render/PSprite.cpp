#include "Render/PSprite.h"

#include "Core/PGameObject.h"
#include "Core/PUtils.h"
#include "Render/PMaterial.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PVertexModifier.h"

#include <algorithm>

namespace
{
// Cones between this and 0 hide the sprite; at or below it they give a
// fixed alpha.
constexpr float kFixedAlphaCone = -0.1f;
// How far the alpha drops from the axis to the rim of the cone.
constexpr float kRimFade = 0.7f;

D3DCOLOR GreyOf(int32_t alpha)
{
    const uint32_t byte = static_cast<uint32_t>(std::min(std::max(alpha, 0), 255));
    return byte * 0x01010101u;
}

// The owner's world position.
D3DXVECTOR3 WorldPosition(const CPGameObject& owner)
{
    const D3DXMATRIX& world = owner.GetWorldMatrix();
    return D3DXVECTOR3(world._41, world._42, world._43);
}
}

CPSprite::CPSprite(float size)
    : m_size(size)
{
}

CPSprite::~CPSprite()
{
    for (CPVertexModifier* modifier : m_modifiers)
        delete modifier;
}

int32_t CPSprite::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPSprite));
}

std::string CPSprite::GetTypeName() const
{
    return "CPSprite";
}

CPSmartPtr<CPMaterial> CPSprite::GetMaterial() const
{
    return m_material;
}

void CPSprite::SetMaterial(const CPSmartPtr<CPMaterial>& material)
{
    m_material = material;
}

void CPSprite::AddModifier(CPVertexModifier* modifier)
{
    if (!modifier)
        return;
    m_modifiers.push_back(modifier);
    m_modifiersOn = 1;
}

bool CPSprite::IsInRange()
{
    bool visible = false;
    const CPPerspectiveCamera* camera = g_ActiveCamera;
    if (!camera || !m_owner) {
        visible = false;
    } else if (m_cone == 0.0f) {
        visible = true;
    } else if (m_cone > 0.0f) {
        const D3DXVECTOR3 position = WorldPosition(*m_owner);
        D3DXVECTOR3 toCamera = camera->m_eye - position;
        toCamera.z = 0.0f;
        // The axis turns with the whole object tree, so take the root's
        // rotation.
        const CPGameObject* root = m_owner;
        while (CPGameObject* parent = root->GetParent().Get())
            root = parent;
        D3DXMATRIX rotation;
        D3DXMatrixRotationQuaternion(&rotation, &root->GetRotation());
        D3DXVECTOR3 axis;
        D3DXVec3TransformNormal(&axis, &m_axis, &rotation);
        D3DXVec3Normalize(&toCamera, &toCamera);
        D3DXVec3Normalize(&axis, &axis);
        const float angle = SafeAcos(D3DXVec3Dot(&toCamera, &axis));
        if (angle <= m_cone) {
            visible = true;
            m_colour = GreyOf(static_cast<int32_t>((1.0f - angle / m_cone * kRimFade) * 255.0f));
        }
    } else if (m_cone <= kFixedAlphaCone) {
        visible = true;
        m_colour = GreyOf(static_cast<int32_t>(std::min(-m_cone, 1.0f) * 255.0f));
    }
    m_visible = visible ? 1 : 0;
    return visible;
}

int32_t CPSprite::GetVertexCount()
{
    return IsInRange() ? kVertexCount : 0;
}

int32_t CPSprite::GetIndexCount()
{
    return IsInRange() ? kIndexCount : 0;
}

void CPSprite::FillBuffers(CPVertex* vertices, uint16_t* indices, int32_t baseIndex, int32_t)
{
    if (!IsInRange())
        return;
    // Facing the camera: its inverse view turns the square, the owner places it.
    D3DXMATRIX facing = g_ActiveCamera->GetInverseView();
    const D3DXVECTOR3 position = WorldPosition(*m_owner);
    facing._41 = position.x;
    facing._42 = position.y;
    facing._43 = position.z;
    D3DXMATRIX roll;
    D3DXMatrixRotationZ(&roll, m_roll);
    D3DXMATRIX placement;
    D3DXMatrixMultiply(&placement, &roll, &facing);

    const D3DXVECTOR3 corners[kVertexCount] = {
        D3DXVECTOR3(-m_size, -m_size, 0.0f),
        D3DXVECTOR3(m_size, -m_size, 0.0f),
        D3DXVECTOR3(m_size, m_size, 0.0f),
        D3DXVECTOR3(-m_size, m_size, 0.0f),
    };
    const float u[kVertexCount] = { m_uMin, m_uMax, m_uMax, m_uMin };
    const float v[kVertexCount] = { m_vMin, m_vMin, m_vMax, m_vMax };
    CPVertex square[kVertexCount];
    for (int32_t i = 0; i < kVertexCount; ++i) {
        D3DXVec3TransformCoord(&square[i].position, &corners[i], &placement);
        square[i].diffuse = m_colour;
        square[i].u1 = u[i];
        square[i].v1 = v[i];
    }
    if (m_modifiersOn) {
        for (CPVertexModifier* modifier : m_modifiers)
            modifier->Apply(square, square, kVertexCount);
    }
    std::copy(square, square + kVertexCount, vertices);
    const uint16_t pattern[kIndexCount] = { 0, 2, 1, 0, 3, 2 };
    for (const uint16_t index : pattern)
        *indices++ = static_cast<uint16_t>(index + baseIndex);
}

void CPSprite::CopySettings(const CPSprite& source)
{
    m_material = source.m_material;
    m_roll = source.m_roll;
    m_colour = source.m_colour;
    m_uMin = source.m_uMin;
    m_vMin = source.m_vMin;
    m_uMax = source.m_uMax;
    m_vMax = source.m_vMax;
    m_axis = source.m_axis;
    m_cone = source.m_cone;
}
