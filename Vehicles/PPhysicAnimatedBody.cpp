#include "Vehicles/PPhysicAnimatedBody.h"

#include "Vehicles/PPhysicBroadPhase.h"

#include <cmath>

void CPPhysicAnimatedBody::Reset()
{
    ResetHeader(kKindAnimated);
    m_moved = 0;
    m_rotation = CPPhysicTensor::Identity();
    m_position = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f);
}

void CPPhysicAnimatedBody::SetPosition(const D3DXVECTOR4& position)
{
    m_position = position;
    UpdateWorldBounds();
    m_moved = 1;
}

void CPPhysicAnimatedBody::SetRotation(const D3DXQUATERNION& rotation)
{
    m_rotation = PhysicRotationRows(rotation);
    UpdateWorldBounds();
    m_moved = 1;
}

void CPPhysicAnimatedBody::UpdateWorldBounds()
{
    if (m_bounds.m_geometryCount == 0)
        return;
    const D3DXVECTOR4 centre = PhysicRowTimesTensor(
        D3DXVECTOR4(m_boxMatrix._41, m_boxMatrix._42, m_boxMatrix._43, 0.0f), m_rotation);
    D3DXVECTOR4 axes[3];
    for (int j = 0; j < 3; ++j) {
        const float* row = m_boxMatrix.m[j];
        axes[j] = PhysicRowTimesTensor(D3DXVECTOR4(row[0], row[1], row[2], 0.0f), m_rotation);
    }
    for (int i = 0; i < 3; ++i) {
        const float extent = std::fabs(axes[0][i]) + std::fabs(axes[1][i]) + std::fabs(axes[2][i]);
        const float middle = centre[i] + m_position[i];
        m_worldMin[i] = middle - extent;
        m_worldMax[i] = middle + extent;
        if (m_membership && m_minEndpoints[i] && m_maxEndpoints[i]) {
            m_minEndpoints[i]->m_value = m_worldMin[i];
            m_maxEndpoints[i]->m_value = m_worldMax[i];
        }
    }
}
