#include "Vehicles/PPhysicBody.h"

#include "Vehicles/PPhysicControllerNode.h"
#include "Vehicles/PPhysicWorld.h"

#include <cmath>
#include <initializer_list>

namespace
{
// Inertia tensors whose determinant is smaller than this are not inverted.
constexpr float kSingularDeterminant = 1e-17f;
// Forces and torques with no component at least this large leave a body asleep.
constexpr float kWakingThreshold = 1e-6f;

bool IsLargeEnoughToWake(const D3DXVECTOR4& v)
{
    return std::fabs(v.x) >= kWakingThreshold || std::fabs(v.y) >= kWakingThreshold
        || std::fabs(v.z) >= kWakingThreshold;
}

D3DXVECTOR4* CopyOut(D3DXVECTOR4* out, const D3DXVECTOR4& value)
{
    if (out)
        *out = value;
    return out;
}

D3DXVECTOR4 PositionRow(const D3DXMATRIX& matrix)
{
    return D3DXVECTOR4(matrix._41, matrix._42, matrix._43, matrix._44);
}

// The inverse of a 3x3 tensor by cofactors over the determinant; false,
// leaving out untouched, when the tensor is singular.
bool InvertTensor(const CPPhysicTensor& t, CPPhysicTensor* out)
{
    const D3DXVECTOR4* r = t.m_rows;
    const float c00 = r[1].y * r[2].z - r[1].z * r[2].y;
    const float c01 = r[1].z * r[2].x - r[1].x * r[2].z;
    const float c02 = r[1].x * r[2].y - r[1].y * r[2].x;
    const float determinant = r[0].x * c00 + r[0].y * c01 + r[0].z * c02;
    if (std::fabs(determinant) < kSingularDeterminant)
        return false;
    const float inverse = 1.0f / determinant;
    CPPhysicTensor result;
    result.m_rows[0] = D3DXVECTOR4(c00, r[0].z * r[2].y - r[0].y * r[2].z, r[0].y * r[1].z - r[0].z * r[1].y, 0.0f);
    result.m_rows[1] = D3DXVECTOR4(c01, r[0].x * r[2].z - r[0].z * r[2].x, r[0].z * r[1].x - r[0].x * r[1].z, 0.0f);
    result.m_rows[2] = D3DXVECTOR4(c02, r[0].y * r[2].x - r[0].x * r[2].y, r[0].x * r[1].y - r[0].y * r[1].x, 0.0f);
    for (D3DXVECTOR4& row : result.m_rows) {
        row.x *= inverse;
        row.y *= inverse;
        row.z *= inverse;
    }
    *out = result;
    return true;
}
}

void CPPhysicBody::Reset(int32_t particle)
{
    ResetHeader(kKindRigid);
    m_mass = 1.0f;
    m_inverseMass = 1.0f;
    m_inverseInertia = CPPhysicTensor::Identity();
    m_inertia = CPPhysicTensor();
    m_force = D3DXVECTOR4();
    m_torque = D3DXVECTOR4();
    m_restCounters[0] = m_restCounters[1] = 0;
    m_enabled = 1;
    D3DXQuaternionIdentity(&m_pose.m_orientation);
    m_pose.m_angularMomentum = D3DXVECTOR4();
    D3DXMatrixIdentity(&m_pose.m_matrix);
    m_velocity = D3DXVECTOR4();
    m_angularVelocity = D3DXVECTOR4();
    m_orientationRate = D3DXQUATERNION();
    m_worldInverseInertia = CPPhysicTensor();
    m_controllers = nullptr;
    m_particle = particle;
    m_stepperFactor = 0.2f;
    m_contactCount = 0;
    WakeUp();
}

CPPhysicControllerNode* CPPhysicBody::AddController(CPPhysicController* controller, int32_t period)
{
    CPPhysicControllerNode* node = m_world->TakeControllerNode();
    if (!node)
        return nullptr;
    node->m_prev = nullptr;
    node->m_next = nullptr;
    if (!m_controllers) {
        m_controllers = node;
    } else {
        CPPhysicControllerNode* last = m_controllers;
        while (last->m_next)
            last = last->m_next;
        last->m_next = node;
        node->m_prev = last;
    }
    node->m_body = this;
    node->m_controller = controller;
    node->m_period = period;
    node->m_countdown = period;
    node->m_stepperFields[0] = node->m_stepperFields[1] = 0;
    for (D3DXVECTOR4* v : { &node->m_force, &node->m_torque, &node->m_stepperVectors[0], &node->m_stepperVectors[1] })
        v->x = v->y = v->z = 0.0f;
    return node;
}

void CPPhysicBody::SetMass(float mass)
{
    m_mass = mass;
    m_inverseMass = mass > 0.0f && std::isfinite(mass) ? 1.0f / mass : 0.0f;
}

void CPPhysicBody::SetInertiaTensor(const D3DXVECTOR4& diagonal)
{
    m_inertia = CPPhysicTensor::Diagonal(diagonal.x, diagonal.y, diagonal.z);
    InvertTensor(m_inertia, &m_inverseInertia);
}

D3DXVECTOR4* CPPhysicBody::GetPosition(D3DXVECTOR4* out) const
{
    return CopyOut(out, PositionRow(m_pose.m_matrix));
}

void CPPhysicBody::SetPosition(const D3DXVECTOR4& position)
{
    m_pose.m_matrix._41 = position.x;
    m_pose.m_matrix._42 = position.y;
    m_pose.m_matrix._43 = position.z;
    m_pose.m_matrix._44 = position.w;
    WakeUp();
}

void CPPhysicBody::SetRotation(const D3DXQUATERNION& rotation)
{
    m_pose.m_orientation = rotation;
    const CPPhysicTensor rows = PhysicRotationRows(rotation);
    for (int r = 0; r < 3; ++r) {
        float* row = m_pose.m_matrix.m[r];
        row[0] = rows.m_rows[r].x;
        row[1] = rows.m_rows[r].y;
        row[2] = rows.m_rows[r].z;
        row[3] = 0.0f;
    }
    WakeUp();
}

D3DXMATRIX* CPPhysicBody::GetTransform(D3DXMATRIX* out)
{
    m_pose.m_matrix._14 = 0.0f;
    m_pose.m_matrix._24 = 0.0f;
    m_pose.m_matrix._34 = 0.0f;
    m_pose.m_matrix._44 = 1.0f;
    if (out)
        *out = m_pose.m_matrix;
    return out;
}

D3DXVECTOR4* CPPhysicBody::GetVelocity(D3DXVECTOR4* out) const
{
    return CopyOut(out, m_velocity);
}

void CPPhysicBody::SetVelocity(const D3DXVECTOR4& velocity)
{
    m_velocity = velocity;
    WakeUpGroup();
}

D3DXVECTOR4* CPPhysicBody::GetAngularMomentum(D3DXVECTOR4* out) const
{
    return CopyOut(out, m_pose.m_angularMomentum);
}

void CPPhysicBody::SetAngularMomentum(const D3DXVECTOR4& momentum)
{
    m_pose.m_angularMomentum = momentum;
    UpdateMotionState();
    WakeUpGroup();
}

void CPPhysicBody::SetForceAtPoint(const D3DXVECTOR4& force, const D3DXVECTOR4& point)
{
    m_force = force;
    m_torque = PhysicCross(point - PositionRow(m_pose.m_matrix), force);
    if (IsLargeEnoughToWake(force))
        WakeUp();
}

void CPPhysicBody::SetTorque(const D3DXVECTOR4& torque)
{
    m_torque = torque;
    if (IsLargeEnoughToWake(torque))
        WakeUp();
}

void CPPhysicBody::ApplyImpulse(const D3DXVECTOR4& impulse, const D3DXVECTOR4& point)
{
    m_velocity.x += impulse.x * m_inverseMass;
    m_velocity.y += impulse.y * m_inverseMass;
    m_velocity.z += impulse.z * m_inverseMass;
    const D3DXVECTOR4 turn = PhysicCross(point - PositionRow(m_pose.m_matrix), impulse);
    m_pose.m_angularMomentum.x += turn.x;
    m_pose.m_angularMomentum.y += turn.y;
    m_pose.m_angularMomentum.z += turn.z;
    UpdateMotionState();
    WakeUp();
}

void CPPhysicBody::WakeUp()
{
    m_restCounters[0] = 0;
    m_restCounters[1] = 0;
    m_snapshot.m_position = PositionRow(m_pose.m_matrix);
    m_snapshot.m_orientation = m_pose.m_orientation;
    m_snapshot.m_velocity = m_velocity;
    m_snapshot.m_angularVelocity = m_angularVelocity;
}

void CPPhysicBody::WakeUpGroup()
{
    if (!m_group) {
        WakeUp();
        return;
    }
    for (int32_t i = 0; i < m_group->m_count; ++i) {
        CPPhysicBodyHeader* member = m_group->m_members[i];
        if (member && member->m_kind == kKindRigid)
            static_cast<CPPhysicBody*>(member)->WakeUp();
    }
}

void CPPhysicBody::UpdateMotionState()
{
    m_angularVelocity = PhysicRowTimesTensor(m_pose.m_angularMomentum, m_worldInverseInertia);
    // 0.5 (w, 0) * q, Hamilton product with the angular velocity on the left.
    const D3DXVECTOR4& w = m_angularVelocity;
    const D3DXQUATERNION& q = m_pose.m_orientation;
    m_orientationRate.x = 0.5f * (w.x * q.w + w.y * q.z - w.z * q.y);
    m_orientationRate.y = 0.5f * (w.y * q.w + w.z * q.x - w.x * q.z);
    m_orientationRate.z = 0.5f * (w.z * q.w + w.x * q.y - w.y * q.x);
    m_orientationRate.w = -0.5f * (w.x * q.x + w.y * q.y + w.z * q.z);
}
