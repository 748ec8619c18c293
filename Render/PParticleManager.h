// Particle manager: the process-wide keeper of particle-system prototypes and
// emitter templates, filled by the host. Game objects clone their flame
// systems from its prototypes; particle systems copy its templates by name.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"
#include "Platform/D3DX9Math.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CPParticleSystem;

// One emission for a named emitter: where and how fast the particles start
// and the values the emitter reads. Further records of the same emission
// hang on as a chain, which the record owns: destroying it destroys the
// chain after it, releases its object and frees its name.
struct CPParticleEmitDesc
{
    CPParticleEmitDesc() = default;
    CPParticleEmitDesc(const CPParticleEmitDesc& source) { CopyFrom(source); }
    CPParticleEmitDesc& operator=(const CPParticleEmitDesc& source)
    {
        if (this != &source)
            CopyFrom(source);
        return *this;
    }

    // Takes the name, vectors, scalars and flags, and a copy of the chain
    // made of new records; value 4 and the object are not copied, neither
    // here nor in the chain.
    void CopyFrom(const CPParticleEmitDesc& source);

    std::string name;
    D3DXVECTOR3 position;
    D3DXVECTOR3 velocity;
    D3DXVECTOR3 acceleration;
    float scalar1 = 0.0f;
    float scalar2 = 0.0f;
    float scalar3 = 0.0f;
    uint8_t flag1 = 0;
    uint8_t flag2 = 0;
    std::unique_ptr<CPParticleEmitDesc> next;
    int32_t value4 = 0;
    CPSmartPtr<CPManagedObject> object;
};

// How a particle system launches one emission: the emitter's name, the cone
// and speed of the initial velocity, the box in which positions scatter and
// the values handed to the emitter.
struct CPEmitterTemplate
{
    float scalar3 = 0.0f;
    float scalar2 = 0.0f;
    // Axis of the emission cone; normalised when a system is built from it.
    D3DXVECTOR3 direction;
    float speed = 0.0f;
    D3DXVECTOR3 acceleration;
    float scalar1 = 0.0f;
    uint8_t flag1 = 0;
    std::string name;
    // Opening of the emission cone in degrees; 0 emits along the direction.
    int32_t cone = 0;
    // Half-extents of the box in which positions are scattered.
    D3DXVECTOR3 spread;
};

class CPParticleManager
{
public:
    CPParticleManager();
    ~CPParticleManager();
    CPParticleManager(const CPParticleManager&) = delete;
    CPParticleManager& operator=(const CPParticleManager&) = delete;

    // A clone of the prototype with that number; null for a number outside
    // the list or an empty entry.
    CPSmartPtr<CPParticleSystem> CloneSystem(int32_t index) const;

    // Filled by the host: prototypes indexed by the scene's flame types, and
    // emitter templates by name.
    std::vector<CPSmartPtr<CPParticleSystem>>& GetPrototypes() { return m_prototypes; }
    std::unordered_map<std::string, CPEmitterTemplate>& GetTemplates() { return m_templates; }

private:
    std::vector<CPSmartPtr<CPParticleSystem>> m_prototypes;
    std::unordered_map<std::string, CPEmitterTemplate> m_templates;
};

extern CPParticleManager* g_ParticleManager;
CPParticleManager* GetParticleManager();
