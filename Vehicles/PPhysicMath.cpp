#include "Vehicles/PPhysicMath.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr float kMinSquaredLength = 1e-6f;
// The float nearest 1/3, and the one nearest 1/12, as the formulas use them.
constexpr float kOneThird = 0.33333334f;
constexpr float kOneTwelfth = 0.083333336f;
}

CPPhysicTensor CPPhysicTensor::Identity()
{
    return Diagonal(1.0f, 1.0f, 1.0f);
}

CPPhysicTensor CPPhysicTensor::Diagonal(float xx, float yy, float zz)
{
    CPPhysicTensor tensor;
    tensor.m_rows[0].x = xx;
    tensor.m_rows[1].y = yy;
    tensor.m_rows[2].z = zz;
    return tensor;
}

float PhysicLength(float x, float y, float z)
{
    const float squared = x * x + y * y + z * z;
    return squared >= kMinSquaredLength ? std::sqrt(squared) : 0.0f;
}

D3DXVECTOR4 PhysicRowTimesTensor(const D3DXVECTOR4& v, const CPPhysicTensor& tensor)
{
    return tensor.m_rows[0] * v.x + tensor.m_rows[1] * v.y + tensor.m_rows[2] * v.z;
}

CPPhysicTensor PhysicRotationRows(const D3DXQUATERNION& q)
{
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &q);
    CPPhysicTensor rows;
    for (int r = 0; r < 3; ++r)
        rows.m_rows[r] = D3DXVECTOR4(rotation.m[r][0], rotation.m[r][1], rotation.m[r][2], 0.0f);
    return rows;
}

D3DXVECTOR4* BoxInertiaTensorFromSizes(D3DXVECTOR4* out, float x, float y, float z, float mass)
{
    if (!out)
        return nullptr;
    const float s = std::max(x, std::max(y, z));
    const float inertia = kOneThird * 2.0f * mass * s * s;
    *out = D3DXVECTOR4(inertia, inertia, inertia, 0.0f);
    return out;
}

D3DXVECTOR4* BoxInertiaTensor(D3DXVECTOR4* out, const D3DXVECTOR4& size, float mass)
{
    return BoxInertiaTensorFromSizes(out, size.x, size.y, size.z, mass);
}

D3DXVECTOR4* CylinderInertiaTensor(D3DXVECTOR4* out, float diameter, float height, float mass)
{
    if (!out)
        return nullptr;
    const float r = diameter * 0.5f;
    const float across = mass * height * height * kOneTwelfth + mass * r * r * 0.25f;
    *out = D3DXVECTOR4(across, mass * r * r * 0.5f, across, 0.0f);
    return out;
}
