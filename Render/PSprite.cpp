#include "Render/PSprite.h"

#include "Render/PMaterial.h"

CPSprite::CPSprite(float size)
    : m_size(size)
{
}

CPSprite::~CPSprite() = default;

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
