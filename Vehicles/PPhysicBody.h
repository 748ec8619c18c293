// A rigid body or rigid particle: a body that the stepper moves under its
// force, torque, mass and inertia and the world's gravity. The game sets its
// mass properties and pose, pushes it with forces and impulses and reads its
// motion back; setting motion wakes it so the stepper integrates it again.
// Vectors are four floats (x, y, z, w); the pose matrix keeps the rotation of
// its quaternion in rows 0 to 2 (as D3DXMatrixRotationQuaternion) and the
// position in row 3. Vector results are written to out, which is returned.
#pragma once

#include "Vehicles/PPhysicBodyHeader.h"
#include "Vehicles/PPhysicContact.h"
#include "Vehicles/PPhysicMath.h"

class CPPhysicController;
class CPPhysicControllerNode;

struct CPPhysicBodyState
{
    D3DXQUATERNION m_orientation;
    D3DXVECTOR4 m_angularMomentum;
    // Rows 0 to 2: rotation of the orientation; row 3: position with w = 1.
    D3DXMATRIX m_matrix;
};

// What the body looked like when it was last woken.
struct CPPhysicBodySnapshot
{
    D3DXVECTOR4 m_position;
    D3DXQUATERNION m_orientation;
    D3DXVECTOR4 m_velocity;
    D3DXVECTOR4 m_angularVelocity;
};

class CPPhysicBody : public CPPhysicBodyHeader
{
public:
    static constexpr int32_t kContactSlots = 8;

    // Back to creation state: mass 1, unit inverse inertia, identity pose, no
    // motion, forces or controllers; the snapshot refreshed.
    void Reset(int32_t particle);

    // A new controller node at the end of the body's list, or null when the
    // world has none left. Period 0 or 1: the controller runs every step.
    CPPhysicControllerNode* AddController(CPPhysicController* controller, int32_t period);
    void SetEnabledFlag(int32_t value) { m_enabled = value; }

    // A mass of 0 or less, or not finite, is kept with an inverse mass of 0:
    // the body then does not move under forces and impulses.
    void SetMass(float mass);
    // Diagonal inertia (x, y, z); its inverse replaces the body-axis inverse
    // inertia unless the tensor is singular (|determinant| below 1e-17).
    void SetInertiaTensor(const D3DXVECTOR4& diagonal);

    D3DXVECTOR4* GetPosition(D3DXVECTOR4* out) const;
    void SetPosition(const D3DXVECTOR4& position);
    // The quaternion is stored as given, without normalising.
    void SetRotation(const D3DXQUATERNION& rotation);
    // Sets the pose matrix's fourth column to (0, 0, 0, 1) and copies it out.
    D3DXMATRIX* GetTransform(D3DXMATRIX* out);
    D3DXVECTOR4* GetVelocity(D3DXVECTOR4* out) const;
    void SetVelocity(const D3DXVECTOR4& velocity);
    D3DXVECTOR4* GetAngularMomentum(D3DXVECTOR4* out) const;
    void SetAngularMomentum(const D3DXVECTOR4& momentum);
    // Force F at world point p: torque (p - position) x F. Forces and torques
    // below 1e-6 in every component do not wake the body.
    void SetForceAtPoint(const D3DXVECTOR4& force, const D3DXVECTOR4& point);
    void SetTorque(const D3DXVECTOR4& torque);
    void ApplyImpulse(const D3DXVECTOR4& impulse, const D3DXVECTOR4& point);

    // Clears the rest counters and refreshes the snapshot.
    void WakeUp();
    // Wakes every rigid member of the body's group, or the body alone.
    void WakeUpGroup();
    // Angular velocity = angular momentum x world inverse inertia; the
    // orientation rate = 0.5 (angular velocity, 0) * orientation.
    void UpdateMotionState();

    float m_mass = 1.0f;
    float m_inverseMass = 1.0f;
    // In body axes.
    CPPhysicTensor m_inverseInertia;
    CPPhysicTensor m_inertia;
    D3DXVECTOR4 m_force;
    D3DXVECTOR4 m_torque;
    int32_t m_restCounters[2] = {};
    int32_t m_enabled = 1;
    CPPhysicBodyState m_pose;

    // Kept current by the stepper.
    D3DXVECTOR4 m_velocity;
    D3DXVECTOR4 m_angularVelocity;
    D3DXQUATERNION m_orientationRate;
    CPPhysicTensor m_worldInverseInertia;

    CPPhysicControllerNode* m_controllers = nullptr;
    int32_t m_particle = 0;
    float m_stepperFactor = 0.2f;
    CPPhysicBodySnapshot m_snapshot;
    CPPhysicContact m_contacts[kContactSlots];
    int32_t m_contactCount = 0;
};
