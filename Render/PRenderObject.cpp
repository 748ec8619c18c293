#include "Render/PRenderObject.h"

#include "Render/PMaterial.h"

CPRenderObject::CPRenderObject(CPGameObject* owner)
    : m_owner(owner)
{
}

CPRenderObject::~CPRenderObject() = default;

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

void CPRenderObject::CopyFrom(const CPRenderObject& source)
{
    m_owner = source.m_owner;
    m_localVertices = source.m_localVertices;
    m_worldVertices = source.m_worldVertices;
    m_indices = source.m_indices;
    m_material = source.m_material;
    SetHidden(source.IsHidden());
    if (IsHidden())
        m_geometryName = source.m_geometryName;
}
