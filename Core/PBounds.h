// Axis-aligned box in world axes: minimum, maximum, half size and centre.
// A game object keeps two (its parts' and its own, the latter widened by its
// shadow); the level's spatial tree keeps one per branch; culling and picking
// test against them.
#pragma once

#include "Platform/D3DX9Math.h"

#include <vector>

class CPBoundingBox;

// The shadow projection the level loader builds with D3DXMatrixShadow. It is
// all zeros until a level has filled it.
extern D3DXMATRIX g_ShadowMatrix;

struct CPBounds
{
    // Extents of FromParts for no boxes: an empty (inverted) box.
    static constexpr float kEmptyExtent = 1000000.0f;

    D3DXVECTOR3 m_min;
    D3DXVECTOR3 m_max;
    D3DXVECTOR3 m_halfSize;
    D3DXVECTOR3 m_centre;

    // Centre and half size from the minimum and maximum.
    void UpdateCentre();
    // Takes the minimum and maximum, with centre and half size as
    // UpdateCentre gives them.
    void SetExtents(const D3DXVECTOR3& low, const D3DXVECTOR3& high)
    {
        m_min = low;
        m_max = high;
        m_centre = (low + high) / 2.0f;
        m_halfSize = (high - low) / 2.0f;
    }
    // The smallest box holding the world extents of the boxes. No boxes give
    // the empty extents and leave centre and half size as they were.
    void FromParts(const std::vector<CPBoundingBox>& boxes);
    void FromBox(const CPBoundingBox& box);
    // Both grow this box to hold the other one; Merge is used for part
    // bounds and Union for object bounds.
    void Merge(const CPBounds& other);
    void Union(const CPBounds& other);
    // True when the point lies strictly inside; a point on a face is outside.
    bool Contains(const D3DXVECTOR3& point) const;
    // True when the segment from origin to origin + length * dir meets the box
    // (separating-axis test against centre and half size).
    bool IntersectSegment(const D3DXVECTOR3& origin, const D3DXVECTOR3& dir, float length) const;
    // Grows minimum and maximum to hold the eight corners projected by
    // g_ShadowMatrix. A corner that projects to infinity (w = 0) or to a value
    // that is not finite is skipped. Centre and half size are left for
    // UpdateCentre.
    void AddShadow();
    // AddShadow on a minimum and maximum held in the first three of four
    // lanes, as the transform update keeps them until it stores its bounds.
    static void AddShadowToExtents(float low[4], float high[4]);
    // True when the squared distance from the centre to the box is at most
    // radius squared.
    bool SphereTest(const D3DXVECTOR3& centre, float radius) const;
};
