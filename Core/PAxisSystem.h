// A coordinate frame: three axis vectors and an origin, with conversions of
// points and directions between the frame and world axes. The second local
// coordinate runs along axis Z and the third along axis Y, both ways. The
// process keeps instances of it built in the reset state at start-up.
#pragma once

#include "Platform/D3DX9Math.h"

class CPAxisSystem
{
public:
    // Clears every field, then sets the reset state.
    CPAxisSystem();

    virtual D3DXVECTOR3 GetAxisX() const;
    virtual D3DXVECTOR3 SetAxisX(float x, float y, float z);
    virtual D3DXVECTOR3 GetAxisY() const;
    virtual D3DXVECTOR3 SetAxisY(float x, float y, float z);
    virtual D3DXVECTOR3 GetAxisZ() const;
    virtual D3DXVECTOR3 SetAxisZ(float x, float y, float z);
    virtual D3DXVECTOR3 GetOrigin() const;
    virtual D3DXVECTOR3 SetOrigin(float x, float y, float z);
    // Always true for this class.
    virtual bool IsLeftHanded() const;
    // Axis Z (0, 1, 0), axis X the swap of Z, axis Y (0, 0, 1), origin 0.
    virtual void Reset();
    // (v . X, v . Z, v . Y).
    virtual D3DXVECTOR3 VectorToLocal(const D3DXVECTOR3& v) const;
    virtual D3DXVECTOR3 PointToLocal(const D3DXVECTOR3& p) const;
    virtual D3DXVECTOR3 PointToWorld(const D3DXVECTOR3& l) const;
    // l.x X + l.y Z + l.z Y.
    virtual D3DXVECTOR3 VectorToWorld(const D3DXVECTOR3& l) const;
    // Axis X becomes Z x Y (left-handed) or Y x Z, normalised when not zero.
    virtual void Orthonormalize();
    // Axis Z := v, then axis X by Orthonormalize and axis Y := X x Z
    // (left-handed) or Z x X, not normalised.
    virtual void SetAxisZFrom(const D3DXVECTOR3& v);
    virtual void SetFromDirectionAndUp(const D3DXVECTOR3& direction, const D3DXVECTOR3& up);
    // SetAxisZFrom with the direction normalised (a zero direction as it is).
    virtual void SetFromDirection(const D3DXVECTOR3& direction);
    // (-v.y, v.x, v.z) when left-handed, else (v.y, v.x, v.z).
    virtual D3DXVECTOR3 SwapAxes(const D3DXVECTOR3& v) const;
    virtual D3DXVECTOR3 Transform(const D3DXVECTOR3& v) const;

private:
    D3DXVECTOR3 m_axisX;
    D3DXVECTOR3 m_axisY;
    D3DXVECTOR3 m_axisZ;
    D3DXVECTOR3 m_origin;
};

// The engine core's process-wide frame.
extern CPAxisSystem g_AxisSystem;
