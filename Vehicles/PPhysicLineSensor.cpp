#include "Vehicles/PPhysicLineSensor.h"

#include "Vehicles/PPhysicMath.h"

namespace
{
D3DXVECTOR4* CopyOut(D3DXVECTOR4* out, const D3DXVECTOR4& value)
{
    if (out)
        *out = value;
    return out;
}
}

void CPPhysicLineSensor::SetLineSensor(const D3DXVECTOR4& start, const D3DXVECTOR4& direction)
{
    m_start = start;
    m_direction = direction;
    m_length = PhysicLength(direction.x, direction.y, direction.z);
    m_unitDirection = direction;
    if (m_length == 0.0f) {
        m_unitDirection.x = m_unitDirection.y = m_unitDirection.z = 0.0f;
    } else {
        m_unitDirection.x /= m_length;
        m_unitDirection.y /= m_length;
        m_unitDirection.z /= m_length;
        m_unitDirection.w = 0.0f;
    }
}

D3DXVECTOR4* CPPhysicLineSensor::GetLinePosition(D3DXVECTOR4* out) const
{
    return CopyOut(out, m_start);
}

D3DXVECTOR4* CPPhysicLineSensor::GetLineUnitVector(D3DXVECTOR4* out) const
{
    return CopyOut(out, m_unitDirection);
}

D3DXVECTOR4* CPPhysicLineSensor::GetDetectNormal(D3DXVECTOR4* out) const
{
    return CopyOut(out, m_detectNormal);
}

D3DXVECTOR4* CPPhysicLineSensor::GetDetectContactPoint(D3DXVECTOR4* out) const
{
    return CopyOut(out, m_detectContactPoint);
}
