// The stepper: what moves a simulator world forward in time. The host
// supplies one to the physics manager; each frame the manager hands it the
// world and the frame length, and tells it of each body taken out of play
// once the body's removal has been disposed of.
#pragma once

class CPPhysicBodyHeader;
class CPPhysicWorld;

class CPPhysicStepper
{
public:
    virtual ~CPPhysicStepper() = default;
    // Advances the world by frameTime seconds.
    virtual void Step(CPPhysicWorld* world, float frameTime) = 0;
    // The body left play for good; the stepper forgets what it keeps for it.
    virtual void ForgetBody(CPPhysicBodyHeader* body) = 0;
    // The world is about to be destroyed.
    virtual void ForgetWorld(CPPhysicWorld* world) = 0;
};
