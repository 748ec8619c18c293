// The host's particle emitters for the race: each keeps its particles as
// points that move under their velocity and acceleration until their life
// runs out. The debris emitters lower the live debris count as pieces end;
// the flame emitter traces its particles for the vehicle that fired them.
#pragma once

#include "Render/PParticleManager.h"

#include <cstdint>
#include <vector>

class CPHostEmitter : public CPParticleEmitter
{
public:
    enum class Kind { Plain, Debris, Flame };

    // Flame particles sweep this radius when traced.
    static constexpr float kFlameRadius = 0.5f;

    explicit CPHostEmitter(Kind kind);

    int32_t GetObjectSize() const override;
    // "CPHostEmitter".
    std::string GetTypeName() const override;

    // A particle that lives scalar 3 seconds (a flame scalar 1 seconds).
    void Emit(const CPParticleLaunch& launch) override;
    void Clear() override;
    // Moves every particle by dt, traces flames, and ends the spent ones.
    void Step(float dt);
    size_t GetParticleCount() const { return m_particles.size(); }

    struct Particle
    {
        D3DXVECTOR3 position;
        D3DXVECTOR3 velocity;
        D3DXVECTOR3 acceleration;
        float age = 0.0f;
        float life = 0.0f;
        int32_t value4 = 0;
        CPSmartPtr<CPManagedObject> object;
    };
    const std::vector<Particle>& GetParticles() const { return m_particles; }

private:
    void Ended(size_t count);

    Kind m_kind;
    std::vector<Particle> m_particles;
};

// Makes and registers an emitter under each name the race emits to; the
// host owns them until DestroyHostEmitters.
void CreateHostEmitters(CPParticleManager& manager);
// Takes the host's emitters out of the manager and destroys them.
void DestroyHostEmitters(CPParticleManager& manager);
// Steps every host emitter by the frame.
void StepHostEmitters(float dt);
