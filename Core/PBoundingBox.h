// Oriented box: a centre and half size in the box's own frame, placed on its
// owner by a local matrix and in the scene by a world matrix. Update keeps
// the eight world corners, the six face planes and the world extents in step
// with the world matrix; picking tests rays against the faces. An owner that
// moves every frame may update the extents alone and leave corners and planes
// stale until something reads them.
#pragma once

#include "Platform/D3DX9Math.h"

#include <cstdint>

class CPBoundingBox
{
public:
    // Smallest half size a box keeps on any axis, so no face degenerates.
    static constexpr float kMinHalfSize = 0.001f;

    explicit CPBoundingBox(const D3DXVECTOR3& centre = D3DXVECTOR3(), const D3DXVECTOR3& halfSize = D3DXVECTOR3());

    // Clamps the half size, then recomputes corners, planes and extents from
    // the world matrix.
    void Update();
    // Clamps the half size and recomputes the extents that Update would give
    // under the world matrix passed in. Under an affine matrix that matrix is
    // not stored and corners and planes go stale (the owner stores the matrix
    // and calls Update before they are read); otherwise this is Update.
    void UpdateExtents(const D3DXMATRIX& world);
    // The same, also handing back the minimum and maximum in the first three
    // of four lanes (the fourth holds no coordinate), so that a caller can
    // use them without reading the box back.
    void UpdateExtents(const D3DXMATRIX& world, float low[4], float high[4]);
    bool HasStaleCorners() const { return m_staleCorners != 0; }

    // Tests the ray origin + t * dir against the faces (which must not be
    // stale). On a face hit nearer
    // than best (and not behind the origin) stores its plane in plane, sets
    // best to t and returns true. A hit on the +z face ends the test at once.
    bool IntersectRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& dir, float& best, D3DXPLANE& plane) const;

    // What a transform update reads and writes comes first.
    D3DXVECTOR3 m_centre;
    D3DXVECTOR3 m_halfSize;
    D3DXVECTOR3 m_worldMin;
    D3DXVECTOR3 m_worldMax;
    // Set by UpdateExtents, cleared by Update.
    uint8_t m_staleCorners = 0;
    // Placement on the owner; the owner sets world = local x its world.
    D3DXMATRIX m_local;
    // The world matrix that Update applies.
    D3DXMATRIX m_world;
    // Corner k takes +x for k in {1, 2, 5, 6}, +y for {2, 3, 6, 7}, +z for
    // {4, 5, 6, 7}: corner 0 is centre - half, corner 6 centre + half.
    D3DXVECTOR3 m_corners[8];
    // Faces -z, +x, +y, -x, -y, +z under an identity world matrix; the normals
    // point out of the box and are not normalised.
    D3DXPLANE m_planes[6];
    // Kept with the box; no operation reads it.
    D3DXMATRIX m_matrix;

private:
    // Corners and planes under a world matrix with or without a projective part.
    void UpdateProjective();
    void UpdateAffine();
    // The centre and the three half edge vectors under an affine matrix, in
    // the first three of four lanes.
    void PlaceAffine(const D3DXMATRIX& w, float centre[4], float x[4], float y[4], float z[4]) const;
    // The extents from them, stored and handed back in four lanes.
    void SetAffineExtents(const float centre[4], const float x[4], const float y[4], const float z[4], float low[4],
                          float high[4]);
};
