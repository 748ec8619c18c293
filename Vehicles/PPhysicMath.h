// Math shared by the simulator's records: 3x3 tensors kept as three rows of
// four floats, lengths that treat anything shorter than 1e-3 as zero, cross
// products of four-float vectors, rotation rows from a quaternion, and the
// diagonal inertia formulas the game builds a body's mass properties with.
#pragma once

#include "Platform/D3DX9Math.h"

// A 3x3 matrix as three rows of four floats; the fourth floats stay 0.
struct CPPhysicTensor
{
    D3DXVECTOR4 m_rows[3];

    static CPPhysicTensor Identity();
    static CPPhysicTensor Diagonal(float xx, float yy, float zz);
};

// The length of (x, y, z), or 0 when its square is below 1e-6.
float PhysicLength(float x, float y, float z);

// a x b over x, y and z (right-handed); w is 0.
inline D3DXVECTOR4 PhysicCross(const D3DXVECTOR4& a, const D3DXVECTOR4& b)
{
    return D3DXVECTOR4(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0.0f);
}

// v as a row vector times the tensor: v.x row 0 + v.y row 1 + v.z row 2,
// all four floats of each row.
D3DXVECTOR4 PhysicRowTimesTensor(const D3DXVECTOR4& v, const CPPhysicTensor& tensor);

// Rows 0 to 2 of D3DXMatrixRotationQuaternion(q), fourth floats 0. The
// quaternion is taken as it is, not normalised.
CPPhysicTensor PhysicRotationRows(const D3DXQUATERNION& q);

// Diagonal inertia of a box: every entry (2/3) m s^2 with s the largest size.
// Results are (Ixx, Iyy, Izz, 0), written to out and returned.
D3DXVECTOR4* BoxInertiaTensorFromSizes(D3DXVECTOR4* out, float x, float y, float z, float mass);
D3DXVECTOR4* BoxInertiaTensor(D3DXVECTOR4* out, const D3DXVECTOR4& size, float mass);
// A cylinder about its Y axis: Ixx = Izz = m h^2 / 12 + m r^2 / 4, Iyy = m r^2 / 2.
D3DXVECTOR4* CylinderInertiaTensor(D3DXVECTOR4* out, float diameter, float height, float mass);
