#include "Render/PRenderObject.h"

#include "Core/PGameObject.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "Render/PVertexModifier.h"

#include <algorithm>

namespace
{
// Position by the whole matrix (rotation and translation), without the
// projective divide.
D3DXVECTOR3 TransformPosition(const D3DXVECTOR3& p, const D3DXMATRIX& m)
{
    return D3DXVECTOR3(p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
                       p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43);
}

// Direction by the rotation part only; not renormalised.
D3DXVECTOR3 TransformDirection(const D3DXVECTOR3& n, const D3DXMATRIX& m)
{
    return D3DXVECTOR3(n.x * m._11 + n.y * m._21 + n.z * m._31, n.x * m._12 + n.y * m._22 + n.z * m._32,
                       n.x * m._13 + n.y * m._23 + n.z * m._33);
}
}

CPRenderObject::CPRenderObject(CPGameObject* owner)
    : m_owner(owner)
{
}

CPRenderObject::~CPRenderObject()
{
    for (CPVertexModifier* modifier : m_modifiers)
        delete modifier;
}

int32_t CPRenderObject::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPRenderObject));
}

std::string CPRenderObject::GetTypeName() const
{
    return "CPRenderObject";
}

CPSmartPtr<CPMaterial> CPRenderObject::GetMaterial() const
{
    return m_material;
}

void CPRenderObject::SetMaterial(const CPSmartPtr<CPMaterial>& material)
{
    m_material = material;
}

void CPRenderObject::AddModifier(CPVertexModifier* modifier)
{
    if (!modifier)
        return;
    m_modifiers.push_back(modifier);
    m_modifiersOn = 1;
}

void CPRenderObject::FillBuffers(CPVertex* vertices, uint16_t* indices, int32_t baseIndex, int32_t)
{
    SettleWorldVertices();
    if (IsHidden() || m_worldVertices.empty())
        return;
    if (m_owner && m_owner->IsTransformUpdated()) {
        UpdateWorldVertices();
        m_owner->SetTransformUpdated(false);
    }
    // Never more than the count the batch was sized with, whichever list
    // game code filled.
    const int32_t count = static_cast<int32_t>(std::min(m_worldVertices.size(), m_localVertices.size()));
    if (m_modifiersOn && !m_modifiers.empty()) {
        m_modifiers[0]->Apply(vertices, m_worldVertices.data(), count);
        for (size_t i = 1; i < m_modifiers.size(); ++i)
            m_modifiers[i]->Apply(vertices, vertices, count);
    } else {
        std::copy(m_worldVertices.begin(), m_worldVertices.begin() + count, vertices);
    }
    for (const uint16_t index : m_indices)
        *indices++ = static_cast<uint16_t>(index + baseIndex);
}

void CPRenderObject::CopyIndices(uint16_t* destination, int32_t, int32_t& first, int32_t& last)
{
    SettleWorldVertices();
    if (m_worldVertices.empty() || m_indices.empty())
        return;
    std::copy(m_indices.begin(), m_indices.end(), destination);
    first = m_indices.front();
    last = m_indices.back();
}

void CPRenderObject::UpdateWorldVertices()
{
    if (IsHidden() || !m_owner)
        return;
    SettleWorldVertices();
    const D3DXMATRIX& world = m_owner->GetWorldMatrix();
    // The world copy always matches the mesh in length.
    if (m_worldVertices.size() != m_localVertices.size())
        m_worldVertices = m_localVertices;
    for (size_t i = 0; i < m_localVertices.size(); ++i) {
        const CPVertex& local = m_localVertices[i];
        CPVertex& placed = m_worldVertices[i];
        placed.position = TransformPosition(local.position, world);
        placed.diffuse = local.diffuse;
        placed.normal = TransformDirection(local.normal, world);
    }
    if (!m_boxesOn)
        return;
    for (CPAttachedBox& attached : m_attachedBoxes) {
        if (attached.ratio < 1.0f) {
            D3DXMatrixMultiply(&attached.box.m_world, &attached.box.m_local, &world);
            attached.box.Update();
        }
    }
}

void CPRenderObject::Transform(const D3DXMATRIX& matrix)
{
    SettleWorldVertices();
    for (CPVertex& vertex : m_localVertices) {
        vertex.position = TransformPosition(vertex.position, matrix);
        vertex.normal = TransformDirection(vertex.normal, matrix);
    }
}

void CPRenderObject::OnImpact(const D3DXVECTOR3&, const D3DXVECTOR3&, float)
{
}

void CPRenderObject::CopyFrom(const CPRenderObject& source)
{
    if (&source == this)
        return;
    m_owner = source.m_owner;
    m_localVertices = source.m_localVertices;
    m_worldVertices = source.GetWorldVertices();
    m_worldOwed = false;
    m_indices = source.m_indices;
    m_material = source.m_material;
    SetHidden(source.IsHidden());
    if (IsHidden()) {
        m_geometryName = source.m_geometryName;
        if (CPRender* render = GetRender())
            m_geometry = render->GetGeometryBuffer(m_geometryName, m_localVertices.data(), m_indices.data(),
                                                   static_cast<int32_t>(m_localVertices.size()),
                                                   static_cast<int32_t>(m_indices.size()));
    }
    m_modifiersOn = source.m_modifiersOn;
    for (CPVertexModifier* modifier : m_modifiers)
        delete modifier;
    m_modifiers.clear();
    for (const CPVertexModifier* modifier : source.m_modifiers) {
        if (CPVertexModifier* clone = modifier->Clone())
            m_modifiers.push_back(clone);
    }
}
