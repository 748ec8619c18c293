#include "Render/PBaseCamera.h"

CPBaseCamera::CPBaseCamera()
{
    D3DXMatrixIdentity(&m_view);
    D3DXMatrixIdentity(&m_projection);
    D3DXMatrixIdentity(&m_skyProjection);
    D3DXMatrixIdentity(&m_skyView);
    D3DXMatrixIdentity(&m_inverseSkyView);
}

CPBaseCamera::~CPBaseCamera() = default;

int32_t CPBaseCamera::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPBaseCamera));
}

std::string CPBaseCamera::GetTypeName() const
{
    return "CPBaseCamera";
}

void CPBaseCamera::SetMatrix(const D3DXMATRIX& matrix)
{
    m_view = matrix;
}
