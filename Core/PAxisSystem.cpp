#include "Core/PAxisSystem.h"

CPAxisSystem g_AxisSystem;

namespace
{
D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &a, &b);
    return out;
}

D3DXVECTOR3 NormalisedIfNotZero(const D3DXVECTOR3& v)
{
    const float length = D3DXVec3Length(&v);
    return length > 0.0f ? v / length : v;
}
}

CPAxisSystem::CPAxisSystem()
{
    Reset();
}

D3DXVECTOR3 CPAxisSystem::GetAxisX() const
{
    return m_axisX;
}

D3DXVECTOR3 CPAxisSystem::SetAxisX(float x, float y, float z)
{
    m_axisX = D3DXVECTOR3(x, y, z);
    return m_axisX;
}

D3DXVECTOR3 CPAxisSystem::GetAxisY() const
{
    return m_axisY;
}

D3DXVECTOR3 CPAxisSystem::SetAxisY(float x, float y, float z)
{
    m_axisY = D3DXVECTOR3(x, y, z);
    return m_axisY;
}

D3DXVECTOR3 CPAxisSystem::GetAxisZ() const
{
    return m_axisZ;
}

D3DXVECTOR3 CPAxisSystem::SetAxisZ(float x, float y, float z)
{
    m_axisZ = D3DXVECTOR3(x, y, z);
    return m_axisZ;
}

D3DXVECTOR3 CPAxisSystem::GetOrigin() const
{
    return m_origin;
}

D3DXVECTOR3 CPAxisSystem::SetOrigin(float x, float y, float z)
{
    m_origin = D3DXVECTOR3(x, y, z);
    return m_origin;
}

bool CPAxisSystem::IsLeftHanded() const
{
    return true;
}

void CPAxisSystem::Reset()
{
    m_axisZ = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    m_axisX = SwapAxes(m_axisZ);
    m_axisY = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    m_origin = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

D3DXVECTOR3 CPAxisSystem::VectorToLocal(const D3DXVECTOR3& v) const
{
    return D3DXVECTOR3(D3DXVec3Dot(&v, &m_axisX), D3DXVec3Dot(&v, &m_axisZ), D3DXVec3Dot(&v, &m_axisY));
}

D3DXVECTOR3 CPAxisSystem::PointToLocal(const D3DXVECTOR3& p) const
{
    return VectorToLocal(p - m_origin);
}

D3DXVECTOR3 CPAxisSystem::PointToWorld(const D3DXVECTOR3& l) const
{
    return VectorToWorld(l) + m_origin;
}

D3DXVECTOR3 CPAxisSystem::VectorToWorld(const D3DXVECTOR3& l) const
{
    return m_axisX * l.x + m_axisZ * l.y + m_axisY * l.z;
}

void CPAxisSystem::Orthonormalize()
{
    m_axisX = NormalisedIfNotZero(IsLeftHanded() ? Cross(m_axisZ, m_axisY) : Cross(m_axisY, m_axisZ));
}

void CPAxisSystem::SetAxisZFrom(const D3DXVECTOR3& v)
{
    m_axisZ = v;
    Orthonormalize();
    m_axisY = IsLeftHanded() ? Cross(m_axisX, m_axisZ) : Cross(m_axisZ, m_axisX);
}

void CPAxisSystem::SetFromDirectionAndUp(const D3DXVECTOR3& direction, const D3DXVECTOR3& up)
{
    m_axisY = up;
    SetFromDirection(direction);
}

void CPAxisSystem::SetFromDirection(const D3DXVECTOR3& direction)
{
    SetAxisZFrom(NormalisedIfNotZero(direction));
}

D3DXVECTOR3 CPAxisSystem::SwapAxes(const D3DXVECTOR3& v) const
{
    return IsLeftHanded() ? D3DXVECTOR3(-v.y, v.x, v.z) : D3DXVECTOR3(v.y, v.x, v.z);
}

D3DXVECTOR3 CPAxisSystem::Transform(const D3DXVECTOR3& v) const
{
    return VectorToWorld(SwapAxes(VectorToLocal(v)));
}
