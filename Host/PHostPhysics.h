// The host's stepper: it moves the game's simulator world with Bullet. Each
// rigid body of the world gets a Bullet body made of its boxes and cylinders,
// the level is one static triangle mesh made from the physics manager's
// collision grid (Host/PHostTerrain.h), and the game's records stay the
// truth: each substep copies them into Bullet, asks the terrain query, casts
// the line sensors against the terrain, runs the controllers, steps, copies
// the motion back, reports contacts and moves the game objects. The Bullet
// world and the terrain's tree are made when the game world is created, so
// the first frame of a race does not pay for them. Single-threaded and
// deterministic.
//
// Collision table values: bit 0 makes a pair collide (1 solid and silent,
// 3 solid and reported, 0 passes through); bit 1 reports its contacts to the
// collision callback. Every body is in group 0.
#pragma once

#include "Vehicles/PPhysicStepper.h"

#include <cstdint>
#include <memory>

class CPHostPhysics : public CPPhysicStepper
{
public:
    static constexpr int32_t kMaxSubsteps = 8;
    static constexpr float kSubstepRate = 60.0f;

    CPHostPhysics();
    ~CPHostPhysics() override;
    CPHostPhysics(const CPHostPhysics&) = delete;
    CPHostPhysics& operator=(const CPHostPhysics&) = delete;

    // Substeps of a frame: min(8, max(1, ceil(60 frameTime))).
    static int32_t SubstepCount(float frameTime);

    // Makes the world's Bullet world and the terrain with its tree.
    void PrepareWorld(CPPhysicWorld* world) override;
    void Step(CPPhysicWorld* world, float frameTime) override;
    void ForgetBody(CPPhysicBodyHeader* body) override;
    void ForgetWorld(CPPhysicWorld* world) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
