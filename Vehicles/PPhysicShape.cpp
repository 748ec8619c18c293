#include "Vehicles/PPhysicShape.h"

#include "Vehicles/PPhysicMath.h"

#include <cmath>

CPPhysicShape::CPPhysicShape()
{
    Reset();
}

void CPPhysicShape::Reset()
{
    SetBox(1.0f, 1.0f, 1.0f);
    D3DXMatrixIdentity(&m_transform);
    m_materialIndex = 0;
    m_stepperInertia = D3DXVECTOR4(2.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f, 0.0f);
    m_stepperValues[0] = 1.0f;
    m_stepperValues[1] = 0.5f;
    for (float& value : m_stepperWork)
        value = 0.0f;
}

void CPPhysicShape::SetBox(float x, float y, float z)
{
    m_type = kTypeBox;
    m_size = D3DXVECTOR3(x * 0.5f, y * 0.5f, z * 0.5f);
    m_boundingRadius = PhysicLength(m_size.x, m_size.y, m_size.z);
}

void CPPhysicShape::SetCylinder(float diameter, float height)
{
    const float radius = diameter * 0.5f;
    m_type = kTypeCylinder;
    m_size = D3DXVECTOR3(radius, radius * radius, height * 0.5f);
}

void CPPhysicShape::SetTransform(const D3DXMATRIX& transform)
{
    m_transform = transform;
}

int32_t CPPhysicShape::SetMaterialIndex(int32_t index)
{
    m_materialIndex = index;
    return m_materialIndex;
}

bool CPPhysicShape::ComputeBounds(D3DXVECTOR3* minimum, D3DXVECTOR3* maximum) const
{
    if (m_type != kTypeBox && m_type != kTypeCylinder)
        return false;
    const float(*r)[4] = m_transform.m;
    for (int i = 0; i < 3; ++i) {
        float extent;
        if (m_type == kTypeBox) {
            extent = std::fabs(r[0][i]) * m_size.x + std::fabs(r[1][i]) * m_size.y + std::fabs(r[2][i]) * m_size.z;
        } else {
            const float radius = m_size.x;
            const float halfHeight = m_size.z;
            extent = (std::fabs(r[0][i]) + std::fabs(r[2][i])) * radius + std::fabs(r[1][i]) * (radius + halfHeight);
        }
        (*minimum)[i] = r[3][i] - extent;
        (*maximum)[i] = r[3][i] + extent;
    }
    return true;
}

float CPPhysicShape::ComputeBoundingRadius() const
{
    const float offset = PhysicLength(m_transform._41, m_transform._42, m_transform._43);
    if (m_type == kTypeBox)
        return PhysicLength(m_size.x, m_size.y, m_size.z) + offset;
    if (m_type == kTypeCylinder)
        return m_size.z + m_size.x + offset;
    return 0.0f;
}
