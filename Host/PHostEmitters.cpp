#include "Host/PHostEmitters.h"

#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <memory>

namespace
{
struct EmitterName
{
    const char* name;
    CPHostEmitter::Kind kind;
};

constexpr EmitterName kEmitters[] = {
    { "pil_", CPHostEmitter::Kind::Plain },        { "smoke3car", CPHostEmitter::Kind::Plain },
    { "iskra3blue", CPHostEmitter::Kind::Plain },   { "derbis", CPHostEmitter::Kind::Debris },
    { "gilze", CPHostEmitter::Kind::Plain },        { "firethrower", CPHostEmitter::Kind::Flame },
    { "wall", CPHostEmitter::Kind::Plain },
};

std::vector<std::unique_ptr<CPHostEmitter>> g_hostEmitters;
}

CPHostEmitter::CPHostEmitter(Kind kind)
    : m_kind(kind)
{
}

int32_t CPHostEmitter::GetObjectSize() const { return static_cast<int32_t>(sizeof(*this)); }

std::string CPHostEmitter::GetTypeName() const { return "CPHostEmitter"; }

void CPHostEmitter::Emit(const CPParticleLaunch& launch)
{
    Particle particle;
    particle.position = launch.position;
    particle.velocity = launch.velocity;
    particle.acceleration = launch.acceleration;
    particle.life = m_kind == Kind::Flame ? launch.scalar1 : launch.scalar3;
    particle.value4 = launch.value4;
    particle.object = launch.object;
    m_particles.push_back(std::move(particle));
    m_active = 1;
}

void CPHostEmitter::Clear()
{
    Ended(m_particles.size());
    m_particles.clear();
    m_active = 0;
}

void CPHostEmitter::Ended(size_t count)
{
    // Only the crash debris pieces count; their dust puffs do not.
    if (m_kind != Kind::Debris || count == 0)
        return;
    int32_t& live = DebrisLiveCount();
    live = std::max(0, live - static_cast<int32_t>(count));
}

void CPHostEmitter::Step(float dt)
{
    for (Particle& particle : m_particles) {
        const D3DXVECTOR3 start = particle.position;
        particle.velocity += particle.acceleration * dt;
        particle.position += particle.velocity * dt;
        particle.age += dt;
        if (m_kind == Kind::Flame && particle.value4 == CPPlayer::kFlameTraceValue) {
            CPGameObject* object = particle.object ? particle.object->AsGameObject() : nullptr;
            if (CPPlayer* vehicle = object ? object->AsPlayer() : nullptr) {
                CPFlameParticle flame { start, particle.position, kFlameRadius, particle.age };
                CPPlayer::TraceShot(vehicle, flame);
                particle.age = flame.life;
            }
        }
    }
    const auto spent = std::remove_if(m_particles.begin(), m_particles.end(),
                                      [](const Particle& particle) { return particle.age >= particle.life; });
    Ended(static_cast<size_t>(m_particles.end() - spent));
    m_particles.erase(spent, m_particles.end());
    if (m_particles.empty())
        m_active = 0;
}

void CreateHostEmitters(CPParticleManager& manager)
{
    DestroyHostEmitters(manager);
    for (const EmitterName& entry : kEmitters) {
        g_hostEmitters.push_back(std::make_unique<CPHostEmitter>(entry.kind));
        manager.GetEmitters()[entry.name] = g_hostEmitters.back().get();
    }
}

void DestroyHostEmitters(CPParticleManager& manager)
{
    if (g_hostEmitters.empty())
        return;
    for (const auto& emitter : g_hostEmitters)
        emitter->Clear();
    // The manager lets go of them, its active list included.
    CPParticleManager::EmitterMap& emitters = manager.GetEmitters();
    for (auto entry = emitters.begin(); entry != emitters.end();) {
        const bool ours = std::any_of(g_hostEmitters.begin(), g_hostEmitters.end(),
                                      [&](const auto& emitter) { return entry->second.Get() == emitter.get(); });
        entry = ours ? emitters.erase(entry) : std::next(entry);
    }
    manager.Reset();
    g_hostEmitters.clear();
}

void StepHostEmitters(float dt)
{
    for (const auto& emitter : g_hostEmitters)
        emitter->Step(dt);
}
