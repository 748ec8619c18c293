// Oriented box: a centre and half size in the box's own frame, placed on its
// owner by a local matrix and in the scene by a world matrix. Update keeps
// the eight world corners, the six face planes and the world extents in step
// with the world matrix; picking tests rays against the faces.
#pragma once

#include "Platform/D3DX9Math.h"

class CPBoundingBox
{
public:
    // Smallest half size a box keeps on any axis, so no face degenerates.
    static constexpr float kMinHalfSize = 0.001f;

    explicit CPBoundingBox(const D3DXVECTOR3& centre = D3DXVECTOR3(), const D3DXVECTOR3& halfSize = D3DXVECTOR3());

    // Clamps the half size, then recomputes corners, planes and extents from
    // the world matrix.
    void Update();

    // Tests the ray origin + t * dir against the faces. On a face hit nearer
    // than best (and not behind the origin) stores its plane in plane, sets
    // best to t and returns true. A hit on the +z face ends the test at once.
    bool IntersectRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& dir, float& best, D3DXPLANE& plane) const;

    D3DXVECTOR3 m_centre;
    D3DXVECTOR3 m_halfSize;
    // The world matrix that Update applies.
    D3DXMATRIX m_world;
    // Placement on the owner; the owner sets world = local x its world.
    D3DXMATRIX m_local;
    // Corner k takes +x for k in {1, 2, 5, 6}, +y for {2, 3, 6, 7}, +z for
    // {4, 5, 6, 7}: corner 0 is centre - half, corner 6 centre + half.
    D3DXVECTOR3 m_corners[8];
    // Faces -z, +x, +y, -x, -y, +z under an identity world matrix; the normals
    // point out of the box and are not normalised.
    D3DXPLANE m_planes[6];
    D3DXVECTOR3 m_worldMin;
    D3DXVECTOR3 m_worldMax;
    // Kept with the box; no operation reads it.
    D3DXMATRIX m_matrix;

private:
    // Corners and planes under a world matrix with or without a projective part.
    void UpdateProjective();
    void UpdateAffine();
};
