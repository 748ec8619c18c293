// Binds a controller to a body: the period at which the stepper calls it,
// and the force and torque the controller leaves for the step. Nodes come
// from the world's pool and stay on their body in the order they were added.
#pragma once

#include "Platform/D3DX9Math.h"

#include <cstdint>

class CPPhysicBody;
class CPPhysicController;

class CPPhysicControllerNode
{
public:
    void SetForce(const D3DXVECTOR4& force) { m_force = force; }
    void SetTorque(const D3DXVECTOR4& torque) { m_torque = torque; }

    // Counts one step of the stepper; true when the controller is due in it.
    // A period of 1 or less is due every step, a period p above 1 every p-th.
    bool CountStep();

    int32_t m_period = 0;
    int32_t m_countdown = 0;
    CPPhysicController* m_controller = nullptr;
    int32_t m_stepperFields[2] = {};
    CPPhysicBody* m_body = nullptr;
    D3DXVECTOR4 m_force;
    D3DXVECTOR4 m_torque;
    D3DXVECTOR4 m_stepperVectors[2];

    // The body's controller list (or the pool's free list) and the pool's byte.
    CPPhysicControllerNode* m_prev = nullptr;
    CPPhysicControllerNode* m_next = nullptr;
    uint8_t m_inUse = 0;
};
