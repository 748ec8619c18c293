#include "Render/PParticleManager.h"

#include "Render/PParticleSystem.h"

CPParticleManager* g_ParticleManager = nullptr;

namespace
{
void CopyEmission(CPParticleEmitDesc& to, const CPParticleEmitDesc& from)
{
    to.name = from.name;
    to.position = from.position;
    to.velocity = from.velocity;
    to.acceleration = from.acceleration;
    to.scalar1 = from.scalar1;
    to.scalar2 = from.scalar2;
    to.scalar3 = from.scalar3;
    to.flag1 = from.flag1;
    to.flag2 = from.flag2;
}
}

void CPParticleEmitDesc::CopyFrom(const CPParticleEmitDesc& source)
{
    // The new chain is complete before the old one goes, so a record may be
    // copied from a record of its own chain.
    std::unique_ptr<CPParticleEmitDesc> chain;
    std::unique_ptr<CPParticleEmitDesc>* tail = &chain;
    for (const CPParticleEmitDesc* link = source.next.get(); link; link = link->next.get()) {
        *tail = std::make_unique<CPParticleEmitDesc>();
        CopyEmission(**tail, *link);
        tail = &(*tail)->next;
    }
    CopyEmission(*this, source);
    next = std::move(chain);
}

CPParticleManager* GetParticleManager()
{
    return g_ParticleManager;
}

CPParticleManager::CPParticleManager() = default;

CPParticleManager::~CPParticleManager() = default;

CPSmartPtr<CPParticleSystem> CPParticleManager::CloneSystem(int32_t index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_prototypes.size() || !m_prototypes[index])
        return CPSmartPtr<CPParticleSystem>();
    return m_prototypes[index]->CloneSystem();
}
