// An animated body: a body that the game moves by setting its pose; the
// stepper only reads it. Each pose change refits its world bounds (and its
// broad-phase endpoints) and raises the moved flag.
#pragma once

#include "Vehicles/PPhysicBodyHeader.h"
#include "Vehicles/PPhysicMath.h"

class CPPhysicAnimatedBody : public CPPhysicBodyHeader
{
public:
    // Back to creation state: an active header of kind 0, identity rotation,
    // position (0, 0, 0, 1), moved flag clear.
    void Reset();

    void SetPosition(const D3DXVECTOR4& position);
    // Rotation rows from the quaternion, as D3DXMatrixRotationQuaternion.
    void SetRotation(const D3DXQUATERNION& rotation);

    // The box matrix moved by the pose, as world-axis bounds; written to the
    // broad-phase endpoints when the body has them. Nothing without geometries.
    void UpdateWorldBounds();

    CPPhysicTensor m_rotation;
    D3DXVECTOR4 m_position;
    int32_t m_moved = 0;
};
