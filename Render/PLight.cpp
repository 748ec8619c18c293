#include "Render/PLight.h"

#include "Core/PGameObject.h"

CPLight::CPLight() = default;

CPLight::~CPLight() = default;

int32_t CPLight::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPLight));
}

std::string CPLight::GetTypeName() const
{
    return "CPLight";
}

D3DLIGHT9* CPLight::GetLight()
{
    if (m_owner) {
        const D3DXMATRIX& world = m_owner->GetWorldMatrix();
        m_light.Position = D3DVECTOR{ world._41, world._42, world._43 };
    }
    return &m_light;
}
