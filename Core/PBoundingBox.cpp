#include "Core/PBoundingBox.h"

#include "Core/PUtils.h"

#include <cmath>

namespace
{
// Corner k takes +x for k in {1, 2, 5, 6}, +y for {2, 3, 6, 7}, +z for {4..7}.
constexpr int kCornerSigns[8][3] = {
    { -1, -1, -1 }, { 1, -1, -1 }, { 1, 1, -1 }, { -1, 1, -1 },
    { -1, -1, 1 },  { 1, -1, 1 },  { 1, 1, 1 },  { -1, 1, 1 },
};

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
    m_staleCorners = 0;

    if (IsAffine(m_world))
        UpdateAffine();
    else
        UpdateProjective();
}

void CPBoundingBox::UpdateExtents(const D3DXMATRIX& world)
{
    float low[4];
    float high[4];
    UpdateExtents(world, low, high);
}

void CPBoundingBox::UpdateExtents(const D3DXMATRIX& world, float low[4], float high[4])
{
    if (!IsAffine(world)) {
        m_world = world;
        Update();
        for (int i = 0; i < 3; ++i) {
            low[i] = (&m_worldMin.x)[i];
            high[i] = (&m_worldMax.x)[i];
        }
        low[3] = 0.0f;
        high[3] = 0.0f;
        return;
    }
    m_halfSize.x = ClampHalfSize(m_halfSize.x);
    m_halfSize.y = ClampHalfSize(m_halfSize.y);
    m_halfSize.z = ClampHalfSize(m_halfSize.z);
    float centre[4];
    float x[4];
    float y[4];
    float z[4];
    PlaceAffine(world, centre, x, y, z);
    SetAffineExtents(centre, x, y, z, low, high);
    m_staleCorners = 1;
}

void CPBoundingBox::UpdateProjective()
{
    const D3DXVECTOR3 low = m_centre - m_halfSize;
    const D3DXVECTOR3 high = m_centre + m_halfSize;
    for (int k = 0; k < 8; ++k) {
        const D3DXVECTOR3 corner(kCornerSigns[k][0] > 0 ? high.x : low.x, kCornerSigns[k][1] > 0 ? high.y : low.y,
                                 kCornerSigns[k][2] > 0 ? high.z : low.z);
        D3DXVec3TransformCoord(&m_corners[k], &corner, &m_world);
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

void CPBoundingBox::UpdateAffine()
{
    // Under an affine matrix the box stays a parallelepiped: the centre moves
    // and the half size turns into three edge vectors x, y and z (the first
    // three rows scaled by the half size). Worked one coordinate at a time;
    // (&v.x)[i] is coordinate i of v, as D3DXVECTOR3's float* view gives it.
    float centre[4];
    float x[4];
    float y[4];
    float z[4];
    PlaceAffine(m_world, centre, x, y, z);
    float low[4];
    float high[4];
    SetAffineExtents(centre, x, y, z, low, high);
    for (int i = 0; i < 3; ++i) {
        const float below = centre[i] - z[i];
        const float above = centre[i] + z[i];
        const float back = y[i] - x[i];  // from corner 1 to corner 3, halved
        const float front = x[i] + y[i]; // from corner 0 to corner 2, halved
        (&m_corners[0].x)[i] = below - front;
        (&m_corners[1].x)[i] = below - back;
        (&m_corners[2].x)[i] = below + front;
        (&m_corners[3].x)[i] = below + back;
        (&m_corners[4].x)[i] = above - front;
        (&m_corners[5].x)[i] = above - back;
        (&m_corners[6].x)[i] = above + front;
        (&m_corners[7].x)[i] = above + back;
    }

    // Each face normal is (p2 - p0) x (p1 - p0), which for a parallelepiped
    // is four times a cross product of two edge vectors.
    const D3DXVECTOR3 edgeX(x), edgeY(y), edgeZ(z);
    D3DXVECTOR3 xy, yz, zx;
    D3DXVec3Cross(&xy, &edgeX, &edgeY);
    D3DXVec3Cross(&yz, &edgeY, &edgeZ);
    D3DXVec3Cross(&zx, &edgeZ, &edgeX);
    xy *= 4.0f;
    yz *= 4.0f;
    zx *= 4.0f;
    m_planes[0] = D3DXPLANE(-xy.x, -xy.y, -xy.z, D3DXVec3Dot(&xy, &m_corners[0]));
    m_planes[1] = D3DXPLANE(yz.x, yz.y, yz.z, -D3DXVec3Dot(&yz, &m_corners[1]));
    m_planes[2] = D3DXPLANE(zx.x, zx.y, zx.z, -D3DXVec3Dot(&zx, &m_corners[2]));
    m_planes[3] = D3DXPLANE(-yz.x, -yz.y, -yz.z, D3DXVec3Dot(&yz, &m_corners[3]));
    m_planes[4] = D3DXPLANE(-zx.x, -zx.y, -zx.z, D3DXVec3Dot(&zx, &m_corners[0]));
    m_planes[5] = D3DXPLANE(xy.x, xy.y, xy.z, -D3DXVec3Dot(&xy, &m_corners[5]));
}

void CPBoundingBox::PlaceAffine(const D3DXMATRIX& w, float centre[4], float x[4], float y[4], float z[4]) const
{
    // Four lanes (the fourth unused) so that each line is one vector step.
    for (int i = 0; i < 4; ++i) {
        centre[i] = w.m[0][i] * m_centre.x + w.m[1][i] * m_centre.y + w.m[2][i] * m_centre.z + w.m[3][i];
        x[i] = w.m[0][i] * m_halfSize.x;
        y[i] = w.m[1][i] * m_halfSize.y;
        z[i] = w.m[2][i] * m_halfSize.z;
    }
}

void CPBoundingBox::SetAffineExtents(const float centre[4], const float x[4], const float y[4], const float z[4],
                                    float low[4], float high[4])
{
    for (int i = 0; i < 4; ++i) {
        // The extremes of the corners lie |x| + |y| + |z| from the centre.
        const float reach = std::fabs(x[i]) + std::fabs(y[i]) + std::fabs(z[i]);
        low[i] = centre[i] - reach;
        high[i] = centre[i] + reach;
    }
    m_worldMin = D3DXVECTOR3(low[0], low[1], low[2]);
    m_worldMax = D3DXVECTOR3(high[0], high[1], high[2]);
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
