// Perspective camera: an eye, a target, an up vector and a perspective
// projection. Its owner sets them together with the dirty flags and calls
// Update, which rebuilds only what the flags ask for, keeps a second
// projection with the far plane at the sky's distance, and extracts the six
// frustum planes that bounding boxes are tested against.
#pragma once

#include "Render/PBaseCamera.h"

#include <cstdint>
#include <string>

// The plane through a, b and c whose normal is (b - a) x (c - a), not
// normalised.
D3DXPLANE MakePlane(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c);

class CPPerspectiveCamera : public CPBaseCamera
{
public:
    enum Plane
    {
        kPlaneNear,
        kPlaneFar,
        kPlaneLeft,
        kPlaneRight,
        kPlaneTop,
        kPlaneBottom,
        kPlaneCount
    };

    // Far plane of the sky projection.
    static constexpr float kSkyFar = 1000.0f;

    // Clean flags, zero planes and parameters, identity matrices: nothing is
    // visible until the first update.
    CPPerspectiveCamera();
    ~CPPerspectiveCamera() override;

    int32_t GetObjectSize() const override;
    // "CPPerspectiveCamera".
    std::string GetTypeName() const override;

    // A dirty view rebuilds the view and the sky view from eye, target and
    // up; a dirty projection rebuilds both projections with the screen's
    // aspect ratio. When either was dirty the combined matrices and the
    // planes follow; otherwise nothing changes.
    void Update();
    // False when all eight corners of the box lie on the outer side of one
    // plane (none gives a positive distance); else true. A box near a corner
    // of the frustum can pass without a corner inside.
    bool IsBoxVisible(const D3DXVECTOR3& minimum, const D3DXVECTOR3& maximum) const;

    const D3DXPLANE& GetPlane(int index) const { return m_planes[index]; }
    const D3DXMATRIX& GetViewProjection() const { return m_viewProjection; }
    const D3DXMATRIX& GetInverseView() const { return m_inverseView; }
    const D3DXMATRIX& GetInverseViewProjection() const { return m_inverseViewProjection; }
    const D3DXMATRIX& GetSkyViewProjection() const { return m_skyViewProjection; }

    // Set by the owner, with the matching dirty flag.
    D3DXVECTOR3 m_target;
    D3DXVECTOR3 m_eye;
    D3DXVECTOR3 m_up;
    // Vertical, radians.
    float m_fieldOfView = 0.0f;
    float m_near = 0.0f;
    float m_far = 0.0f;
    uint8_t m_projectionDirty = 0;
    uint8_t m_viewDirty = 0;

private:
    void UpdatePlanes();

    D3DXPLANE m_planes[kPlaneCount];
    D3DXMATRIX m_viewProjection;
    D3DXMATRIX m_inverseView;
    D3DXMATRIX m_inverseViewProjection;
    D3DXMATRIX m_skyViewProjection;
};

// The perspective camera in use, published by the chase camera and cleared
// when the level stops; its eye is the point distance tests measure from.
extern CPPerspectiveCamera* g_ActiveCamera;
