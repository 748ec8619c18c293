// The step interface of the simulator's controllers. A game object that
// implements it and is registered on a body (CPPhysicBody::AddController) is
// called by the stepper during each step that its node is due, and leaves the
// force and torque to apply for that step in the node. The implementing class
// owns it; it is never deleted through this interface.
#pragma once

class CPPhysicControllerNode;

class CPPhysicController
{
public:
    // dt: the step length in seconds.
    virtual void OnStep(CPPhysicControllerNode* node, float dt) = 0;

protected:
    ~CPPhysicController() = default;
};
