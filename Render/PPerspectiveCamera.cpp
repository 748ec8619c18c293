#include "Render/PPerspectiveCamera.h"

#include "Startup/PConfigVars.h"

#include <algorithm>

CPPerspectiveCamera* g_ActiveCamera = nullptr;

D3DXPLANE MakePlane(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c)
{
    const D3DXVECTOR3 ab = b - a;
    const D3DXVECTOR3 ac = c - a;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &ab, &ac);
    return D3DXPLANE(normal.x, normal.y, normal.z, -D3DXVec3Dot(&normal, &a));
}

CPPerspectiveCamera::CPPerspectiveCamera()
{
    D3DXMatrixIdentity(&m_viewProjection);
    D3DXMatrixIdentity(&m_inverseView);
    D3DXMatrixIdentity(&m_inverseViewProjection);
    D3DXMatrixIdentity(&m_skyViewProjection);
}

CPPerspectiveCamera::~CPPerspectiveCamera() = default;

int32_t CPPerspectiveCamera::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPPerspectiveCamera));
}

std::string CPPerspectiveCamera::GetTypeName() const
{
    return "CPPerspectiveCamera";
}

void CPPerspectiveCamera::Update()
{
    const bool viewDirty = m_viewDirty != 0;
    const bool projectionDirty = m_projectionDirty != 0;
    if (viewDirty) {
        D3DXMatrixLookAtLH(&m_view, &m_eye, &m_target, &m_up);
        m_viewDirty = 0;
        D3DXMatrixInverse(&m_inverseView, nullptr, &m_view);
        D3DXVECTOR3 direction = m_target - m_eye;
        D3DXVec3Normalize(&direction, &direction);
        const D3DXVECTOR3 origin;
        D3DXMatrixLookAtLH(&m_skyView, &origin, &direction, &m_up);
        D3DXMatrixInverse(&m_inverseSkyView, nullptr, &m_skyView);
    }
    if (projectionDirty) {
        const float aspect = static_cast<float>(g_CfgScreenWidth) / static_cast<float>(g_CfgScreenHeight);
        D3DXMatrixPerspectiveFovLH(&m_projection, m_fieldOfView, aspect, m_near, m_far);
        D3DXMatrixPerspectiveFovLH(&m_skyProjection, m_fieldOfView, aspect, m_near, kSkyFar);
        m_projectionDirty = 0;
    }
    if (!viewDirty && !projectionDirty)
        return;

    D3DXMatrixMultiply(&m_viewProjection, &m_view, &m_projection);
    D3DXMatrixMultiply(&m_skyViewProjection, &m_skyView, &m_skyProjection);
    D3DXMatrixInverse(&m_inverseViewProjection, nullptr, &m_viewProjection);
    UpdatePlanes();
}

void CPPerspectiveCamera::UpdatePlanes()
{
    // The corners of the clip-space box, near face (z 0) then far face (z 1).
    static const D3DXVECTOR3 kClipCorners[8] = {
        { -1, -1, 0 }, { 1, -1, 0 }, { -1, 1, 0 }, { 1, 1, 0 },
        { -1, -1, 1 }, { 1, -1, 1 }, { -1, 1, 1 }, { 1, 1, 1 },
    };
    D3DXVECTOR3 w[8];
    for (int i = 0; i < 8; ++i)
        D3DXVec3TransformCoord(&w[i], &kClipCorners[i], &m_inverseViewProjection);

    // Each normal points into the frustum.
    m_planes[kPlaneNear] = MakePlane(w[0], w[1], w[2]);
    m_planes[kPlaneFar] = MakePlane(w[6], w[7], w[5]);
    m_planes[kPlaneLeft] = MakePlane(w[2], w[6], w[4]);
    m_planes[kPlaneRight] = MakePlane(w[7], w[3], w[5]);
    m_planes[kPlaneTop] = MakePlane(w[2], w[3], w[6]);
    m_planes[kPlaneBottom] = MakePlane(w[1], w[0], w[4]);
}

bool CPPerspectiveCamera::IsBoxVisible(const D3DXVECTOR3& minimum, const D3DXVECTOR3& maximum) const
{
    // The largest of a x + b y + c z + d over the eight corners comes from
    // taking the larger product on each axis, so one sum per plane decides.
    // All six planes are tested without an early exit: a scene's boxes fall
    // inside and outside at random, and a branch per plane costs more in
    // mispredictions than the few products it saves.
    bool inside = true;
    for (const D3DXPLANE& plane : m_planes) {
        const float x = std::max(plane.a * minimum.x, plane.a * maximum.x);
        const float y = std::max(plane.b * minimum.y, plane.b * maximum.y);
        const float z = std::max(plane.c * minimum.z, plane.c * maximum.z);
        inside &= x + y + z + plane.d > 0.0f;
    }
    return inside;
}
