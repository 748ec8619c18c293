#include "Core/PBounds.h"

#include "Core/PBoundingBox.h"

#include <cmath>

D3DXMATRIX g_ShadowMatrix;

namespace
{
void Grow(D3DXVECTOR3& low, D3DXVECTOR3& high, const D3DXVECTOR3& otherLow, const D3DXVECTOR3& otherHigh)
{
    D3DXVec3Minimize(&low, &low, &otherLow);
    D3DXVec3Maximize(&high, &high, &otherHigh);
}
}

void CPBounds::UpdateCentre()
{
    m_centre = (m_min + m_max) / 2.0f;
    m_halfSize = (m_max - m_min) / 2.0f;
}

void CPBounds::FromParts(const std::vector<CPBoundingBox>& boxes)
{
    if (boxes.empty()) {
        m_min = D3DXVECTOR3(kEmptyExtent, kEmptyExtent, kEmptyExtent);
        m_max = D3DXVECTOR3(-kEmptyExtent, -kEmptyExtent, -kEmptyExtent);
        return;
    }
    m_min = boxes.front().m_worldMin;
    m_max = boxes.front().m_worldMax;
    for (const CPBoundingBox& box : boxes)
        Grow(m_min, m_max, box.m_worldMin, box.m_worldMax);
    UpdateCentre();
}

void CPBounds::FromBox(const CPBoundingBox& box)
{
    m_min = box.m_worldMin;
    m_max = box.m_worldMax;
    m_halfSize = (m_max - m_min) / 2.0f;
    m_centre = m_min + m_halfSize;
}

void CPBounds::Merge(const CPBounds& other)
{
    Grow(m_min, m_max, other.m_min, other.m_max);
    UpdateCentre();
}

void CPBounds::Union(const CPBounds& other)
{
    Grow(m_min, m_max, other.m_min, other.m_max);
    m_halfSize = (m_max - m_min) / 2.0f;
    m_centre = m_min + m_halfSize;
}

bool CPBounds::Contains(const D3DXVECTOR3& p) const
{
    return std::fabs(m_centre.x - p.x) < m_halfSize.x && std::fabs(m_centre.y - p.y) < m_halfSize.y &&
           std::fabs(m_centre.z - p.z) < m_halfSize.z;
}

bool CPBounds::IntersectSegment(const D3DXVECTOR3& o, const D3DXVECTOR3& v, float length) const
{
    const float half = length / 2.0f;
    const D3DXVECTOR3 e(half * std::fabs(v.x), half * std::fabs(v.y), half * std::fabs(v.z));
    const D3DXVECTOR3 d = m_centre - (o + v * half);
    const D3DXVECTOR3& h = m_halfSize;

    if (std::fabs(d.x) > e.x + h.x || std::fabs(d.y) > e.y + h.y || std::fabs(d.z) > e.z + h.z)
        return false;
    if (std::fabs(d.y * v.z - d.z * v.y) > h.y * std::fabs(v.z) + h.z * std::fabs(v.y))
        return false;
    if (std::fabs(d.z * v.x - d.x * v.z) > h.x * std::fabs(v.z) + h.z * std::fabs(v.x))
        return false;
    if (std::fabs(d.x * v.y - d.y * v.x) > h.x * std::fabs(v.y) + h.y * std::fabs(v.x))
        return false;
    return true;
}

void CPBounds::AddShadow()
{
    const D3DXMATRIX& s = g_ShadowMatrix;
    // With no projective column every corner has w = 0 and would be skipped.
    if (s._14 == 0.0f && s._24 == 0.0f && s._34 == 0.0f && s._44 == 0.0f)
        return;

    // (x, y, z, 1) x S for the eight corners, from the rows scaled by each
    // extreme of each axis.
    const float* rows[4] = { s.m[0], s.m[1], s.m[2], s.m[3] };
    float scaled[3][2][4];
    const float extremes[3][2] = { { m_min.x, m_max.x }, { m_min.y, m_max.y }, { m_min.z, m_max.z } };
    for (int axis = 0; axis < 3; ++axis) {
        for (int side = 0; side < 2; ++side) {
            for (int c = 0; c < 4; ++c)
                scaled[axis][side][c] = extremes[axis][side] * rows[axis][c];
        }
    }

    D3DXVECTOR3 low = m_min;
    D3DXVECTOR3 high = m_max;
    for (int k = 0; k < 8; ++k) {
        const float* x = scaled[0][k & 1];
        const float* y = scaled[1][(k >> 1) & 1];
        const float* z = scaled[2][(k >> 2) & 1];
        float p[4];
        for (int c = 0; c < 4; ++c)
            p[c] = x[c] + y[c] + z[c] + rows[3][c];
        if (p[3] == 0.0f)
            continue;
        const float inverse = 1.0f / p[3];
        const D3DXVECTOR3 point(p[0] * inverse, p[1] * inverse, p[2] * inverse);
        if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.z))
            continue;
        D3DXVec3Minimize(&low, &low, &point);
        D3DXVec3Maximize(&high, &high, &point);
    }
    m_min = low;
    m_max = high;
}

bool CPBounds::SphereTest(const D3DXVECTOR3& c, float radius) const
{
    float distance = 0.0f;
    const float centre[3] = { c.x, c.y, c.z };
    const float low[3] = { m_min.x, m_min.y, m_min.z };
    const float high[3] = { m_max.x, m_max.y, m_max.z };
    for (int axis = 0; axis < 3; ++axis) {
        if (centre[axis] < low[axis])
            distance += (centre[axis] - low[axis]) * (centre[axis] - low[axis]);
        else if (centre[axis] > high[axis])
            distance += (centre[axis] - high[axis]) * (centre[axis] - high[axis]);
    }
    return distance <= radius * radius;
}
