// Base camera: a holder of the matrices that turn the world into clip space
// for one draw layer. The screen camera uses only its first matrix, an
// orthographic pixel projection; perspective cameras fill them all.
#pragma once

#include "Core/PManagedObject.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <string>

class CPBaseCamera : public CPManagedObject
{
public:
    // Every matrix the identity.
    CPBaseCamera();
    ~CPBaseCamera() override;

    int32_t GetObjectSize() const override;
    // "CPBaseCamera".
    std::string GetTypeName() const override;

    // Takes the matrix as the view (the screen camera's projection).
    void SetMatrix(const D3DXMATRIX& matrix);

    const D3DXMATRIX& GetView() const { return m_view; }
    const D3DXMATRIX& GetProjection() const { return m_projection; }
    // The projection with its far plane at the sky's distance.
    const D3DXMATRIX& GetSkyProjection() const { return m_skyProjection; }
    // The view turned only, with the eye at the origin.
    const D3DXMATRIX& GetSkyView() const { return m_skyView; }
    const D3DXMATRIX& GetInverseSkyView() const { return m_inverseSkyView; }

protected:
    D3DXMATRIX m_view;
    D3DXMATRIX m_projection;
    D3DXMATRIX m_skyProjection;
    D3DXMATRIX m_skyView;
    D3DXMATRIX m_inverseSkyView;
};
