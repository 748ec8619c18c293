// The script's default camera: at the origin, looking along +x with z up,
// 70 degrees high, from 1 to 1000, both dirty flags set for its first update.
#pragma once

#include "Render/PPerspectiveCamera.h"

inline void SetDefaultCamera(CPPerspectiveCamera& camera)
{
    camera.m_eye = D3DXVECTOR3(0, 0, 0);
    camera.m_target = D3DXVECTOR3(1, 0, 0);
    camera.m_up = D3DXVECTOR3(0, 0, 1);
    camera.m_fieldOfView = D3DXToRadian(70.0f);
    camera.m_near = 1.0f;
    camera.m_far = 1000.0f;
    camera.m_viewDirty = 1;
    camera.m_projectionDirty = 1;
}
