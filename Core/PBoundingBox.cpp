#include "Core/PBoundingBox.h"

#include "Core/PUtils.h"

#include <algorithm>

namespace
{
// The three corners that span each face plane, in plane order.
constexpr int kPlaneCorners[6][3] = {
    { 0, 1, 2 }, { 1, 5, 6 }, { 2, 6, 7 }, { 3, 7, 4 }, { 0, 4, 5 }, { 5, 4, 7 },
};

// The two triangles that cover each face, in face order.
constexpr int kFaceTriangles[6][2][3] = {
    { { 0, 1, 2 }, { 0, 2, 3 } },
    { { 1, 5, 6 }, { 1, 2, 6 } },
    { { 2, 6, 7 }, { 2, 7, 3 } },
    { { 3, 4, 7 }, { 3, 4, 0 } },
    { { 0, 4, 5 }, { 0, 5, 1 } },
    { { 4, 5, 6 }, { 4, 6, 7 } },
};

constexpr int kTopFace = 5;

bool IsAffine(const D3DXMATRIX& m)
{
    return m._14 == 0.0f && m._24 == 0.0f && m._34 == 0.0f && m._44 == 1.0f;
}

float ClampHalfSize(float h)
{
    // Written so that a NaN half size is clamped too.
    return h >= CPBoundingBox::kMinHalfSize ? h : CPBoundingBox::kMinHalfSize;
}
}

CPBoundingBox::CPBoundingBox(const D3DXVECTOR3& centre, const D3DXVECTOR3& halfSize)
    : m_centre(centre),
      m_halfSize(halfSize),
      m_worldMin(centre - halfSize),
      m_worldMax(centre + halfSize)
{
    D3DXMatrixIdentity(&m_matrix);
    D3DXMatrixIdentity(&m_world);
    D3DXMatrixIdentity(&m_local);
}

void CPBoundingBox::Update()
{
    m_halfSize.x = ClampHalfSize(m_halfSize.x);
    m_halfSize.y = ClampHalfSize(m_halfSize.y);
    m_halfSize.z = ClampHalfSize(m_halfSize.z);

    const D3DXVECTOR3 low = m_centre - m_halfSize;
    const D3DXVECTOR3 high = m_centre + m_halfSize;
    for (int k = 0; k < 8; ++k) {
        const bool px = k == 1 || k == 2 || k == 5 || k == 6;
        const bool py = k == 2 || k == 3 || k == 6 || k == 7;
        const bool pz = k >= 4;
        m_corners[k] = D3DXVECTOR3(px ? high.x : low.x, py ? high.y : low.y, pz ? high.z : low.z);
    }

    const D3DXMATRIX& w = m_world;
    if (IsAffine(w)) {
        // w = 1 for every corner: the division of the general transform is a no-op.
        for (D3DXVECTOR3& c : m_corners) {
            const float x = c.x, y = c.y, z = c.z;
            c = D3DXVECTOR3(x * w._11 + y * w._21 + z * w._31 + w._41, x * w._12 + y * w._22 + z * w._32 + w._42,
                            x * w._13 + y * w._23 + z * w._33 + w._43);
        }
    } else {
        for (D3DXVECTOR3& c : m_corners) {
            const D3DXVECTOR3 local = c;
            D3DXVec3TransformCoord(&c, &local, &w);
        }
    }

    for (int p = 0; p < 6; ++p) {
        const D3DXVECTOR3& p0 = m_corners[kPlaneCorners[p][0]];
        const D3DXVECTOR3 a = m_corners[kPlaneCorners[p][2]] - p0;
        const D3DXVECTOR3 b = m_corners[kPlaneCorners[p][1]] - p0;
        D3DXVECTOR3 n;
        D3DXVec3Cross(&n, &a, &b);
        m_planes[p] = D3DXPLANE(n.x, n.y, n.z, -D3DXVec3Dot(&n, &p0));
    }

    m_worldMin = m_corners[0];
    m_worldMax = m_corners[0];
    for (int k = 1; k < 8; ++k) {
        D3DXVec3Minimize(&m_worldMin, &m_worldMin, &m_corners[k]);
        D3DXVec3Maximize(&m_worldMax, &m_worldMax, &m_corners[k]);
    }
}

bool CPBoundingBox::IntersectRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& dir, float& best,
                                 D3DXPLANE& plane) const
{
    bool hit = false;
    for (int face = 0; face < 6; ++face) {
        const float t = RayPlaneIntersect(origin, dir, m_planes[face]);
        if (!(t < best) || t < 0.0f)
            continue;
        const D3DXVECTOR3 point = origin + dir * t;
        bool inside = false;
        for (const auto& tri : kFaceTriangles[face]) {
            if (PointInTriangle3D(point, m_corners[tri[0]], m_corners[tri[1]], m_corners[tri[2]])) {
                inside = true;
                break;
            }
        }
        if (!inside)
            continue;
        plane = m_planes[face];
        best = t;
        hit = true;
        if (face == kTopFace)
            break;
    }
    return hit;
}
