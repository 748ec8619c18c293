// The stepper: what moves a simulator world forward in time. The host
// supplies one to the physics manager; the manager shows it each new world
// once the world is set up (the level's collision grid is built by then),
// each frame hands it the world and the frame length, and tells it of each
// body taken out of play once the body's removal has been disposed of.
#pragma once

class CPPhysicBodyHeader;
class CPPhysicWorld;

class CPPhysicStepper
{
public:
    virtual ~CPPhysicStepper() = default;
    // A new world, before its first step: the stepper may make what it
    // keeps for the world now, while the level loads, rather than on the
    // first frame.
    virtual void PrepareWorld(CPPhysicWorld* /*world*/) {}
    // Advances the world by frameTime seconds.
    virtual void Step(CPPhysicWorld* world, float frameTime) = 0;
    // The body left play for good; the stepper forgets what it keeps for it.
    virtual void ForgetBody(CPPhysicBodyHeader* body) = 0;
    // The world is about to be destroyed.
    virtual void ForgetWorld(CPPhysicWorld* world) = 0;
};
