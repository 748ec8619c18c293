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

// Any matrix: (x, y, z, 1) x S for the eight corners, from the rows scaled by
// each extreme of each axis; a corner that lands at infinity or at a value
// that is not finite is skipped. The extents are the first three lanes.
void AddShadowByCorners(float low[4], float high[4], const D3DXMATRIX& s)
{
    const float* rows[4] = { s.m[0], s.m[1], s.m[2], s.m[3] };
    float scaled[3][2][4];
    for (int axis = 0; axis < 3; ++axis) {
        const float extremes[2] = { low[axis], high[axis] };
        for (int side = 0; side < 2; ++side) {
            for (int c = 0; c < 4; ++c)
                scaled[axis][side][c] = extremes[side] * rows[axis][c];
        }
    }

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
        const float point[3] = { p[0] * inverse, p[1] * inverse, p[2] * inverse };
        if (!std::isfinite(point[0]) || !std::isfinite(point[1]) || !std::isfinite(point[2]))
            continue;
        for (int c = 0; c < 3; ++c) {
            low[c] = low[c] < point[c] ? low[c] : point[c];
            high[c] = high[c] > point[c] ? high[c] : point[c];
        }
    }
}

// Coordinate c of corner k under a matrix without projective column, whose
// w is the same for every corner; computed as AddShadowByCorners does.
float ProjectCorner(const float low[3], const float high[3], const D3DXMATRIX& s, int k, int c, float inverse)
{
    const float x = ((k & 1) ? high[0] : low[0]) * s.m[0][c];
    const float y = ((k & 2) ? high[1] : low[1]) * s.m[1][c];
    const float z = ((k & 4) ? high[2] : low[2]) * s.m[2][c];
    return (x + y + z + s.m[3][c]) * inverse;
}

float Smaller(float a, float b)
{
    return a < b ? a : b;
}

float Larger(float a, float b)
{
    return a < b ? b : a;
}

// A matrix without projective column (a sun's shadow): every corner of finite
// bounds has w = _44, so each projected coordinate is a sum of one term per
// axis and the fourth row, divided by the same w. Rounded sums and products
// are monotonic in each term, so the smallest and largest value over the
// eight corners come from the smaller and larger term of each axis. A term
// that is not finite (from the bounds or the matrix) ends up in one of these
// two sums; when both are finite for every coordinate, so is every corner and
// none is skipped. Gives the result of AddShadowByCorners, or returns false
// and changes nothing. The three coordinates are worked side by side in four
// lanes (the fourth is computed and never stored).
bool AddShadowWithCommonW(float low[4], float high[4], const D3DXMATRIX& s)
{
    const float inverse = 1.0f / s._44;
    // The extents as they came: each coordinate below reads all of them.
    const float originalLow[3] = { low[0], low[1], low[2] };
    const float originalHigh[3] = { high[0], high[1], high[2] };
    float least[4];
    float most[4];
    float last[4];
    for (int c = 0; c < 4; ++c) {
        const float x0 = originalLow[0] * s.m[0][c], x1 = originalHigh[0] * s.m[0][c];
        const float y0 = originalLow[1] * s.m[1][c], y1 = originalHigh[1] * s.m[1][c];
        const float z0 = originalLow[2] * s.m[2][c], z1 = originalHigh[2] * s.m[2][c];
        // Summed in the order of ProjectCorner.
        const float first = (Smaller(x0, x1) + Smaller(y0, y1) + Smaller(z0, z1) + s.m[3][c]) * inverse;
        const float second = (Larger(x0, x1) + Larger(y0, y1) + Larger(z0, z1) + s.m[3][c]) * inverse;
        // A negative w turns the order round. Where first or second is NaN,
        // least or most is too.
        least[c] = Smaller(first, second);
        most[c] = Larger(first, second);
        // The last corner, ProjectCorner's corner 7.
        last[c] = (x1 + y1 + z1 + s.m[3][c]) * inverse;
    }
    for (int c = 0; c < 3; ++c) {
        if (!std::isfinite(least[c]) || !std::isfinite(most[c]))
            return false;
    }

    float grownLow[3];
    float grownHigh[3];
    for (int c = 0; c < 3; ++c) {
        // The corner walk takes each corner that is not beyond the extreme so
        // far, so among equal values the last corner stands. That matters for
        // zero only, which has two signs: when every corner gives a zero the
        // last one stands.
        const bool zero = least[c] == 0.0f || most[c] == 0.0f;
        const float lowCandidate = zero ? last[c] : least[c];
        const float highCandidate = zero ? last[c] : most[c];
        grownLow[c] = originalLow[c] < lowCandidate ? originalLow[c] : lowCandidate;
        grownHigh[c] = originalHigh[c] > highCandidate ? originalHigh[c] : highCandidate;
    }
    for (int c = 0; c < 3; ++c) {
        // A zero at one end only: each corner in turn.
        if ((least[c] == 0.0f || most[c] == 0.0f) && least[c] != most[c]) {
            float lowest = originalLow[c];
            float highest = originalHigh[c];
            for (int k = 0; k < 8; ++k) {
                const float value = ProjectCorner(originalLow, originalHigh, s, k, c, inverse);
                lowest = lowest < value ? lowest : value;
                highest = highest > value ? highest : value;
            }
            grownLow[c] = lowest;
            grownHigh[c] = highest;
        }
    }
    for (int c = 0; c < 3; ++c) {
        low[c] = grownLow[c];
        high[c] = grownHigh[c];
    }
    return true;
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
    for (size_t i = 1; i < boxes.size(); ++i)
        Grow(m_min, m_max, boxes[i].m_worldMin, boxes[i].m_worldMax);
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
    float low[4] = { m_min.x, m_min.y, m_min.z, 0.0f };
    float high[4] = { m_max.x, m_max.y, m_max.z, 0.0f };
    AddShadowToExtents(low, high);
    m_min = D3DXVECTOR3(low[0], low[1], low[2]);
    m_max = D3DXVECTOR3(high[0], high[1], high[2]);
}

void CPBounds::AddShadowToExtents(float low[4], float high[4])
{
    const D3DXMATRIX& s = g_ShadowMatrix;
    if (s._14 == 0.0f && s._24 == 0.0f && s._34 == 0.0f) {
        // Every corner has w = _44; with 0 every corner would be skipped.
        if (s._44 == 0.0f || AddShadowWithCommonW(low, high, s))
            return;
    }
    AddShadowByCorners(low, high, s);
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
