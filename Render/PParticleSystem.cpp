#include "Render/PParticleSystem.h"

#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Platform/CRand.h"

namespace
{
constexpr float kRandScale = 1.0f / 32767.0f;

float RandomOffset()
{
    return static_cast<float>(crt::rand()) * kRandScale - 0.5f;
}
}

CPParticleSystem::CPParticleSystem(CPGameObject* owner, const std::vector<std::string>& templateNames)
    : m_templateNames(templateNames),
      m_owner(owner)
{
    CPParticleManager* manager = GetParticleManager();
    if (!manager)
        return;
    for (const std::string& name : templateNames) {
        auto found = manager->GetTemplates().find(name);
        if (found == manager->GetTemplates().end())
            continue;
        D3DXVec3Normalize(&found->second.direction, &found->second.direction);
        m_templates.push_back(found->second);
    }
}

CPParticleSystem::~CPParticleSystem() = default;

int32_t CPParticleSystem::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPParticleSystem));
}

std::string CPParticleSystem::GetTypeName() const
{
    return "CPParticleSystem";
}

bool CPParticleSystem::Start()
{
    m_accumulator = 0.0f;
    m_age = 0.0f;
    return CPTask::Start();
}

int32_t CPParticleSystem::QueryFlag()
{
    return 1;
}

void CPParticleSystem::SetDamageTarget(CPGameObject* target)
{
    m_damageTarget = target;
}

CPSmartPtr<CPParticleSystem> CPParticleSystem::CloneSystem() const
{
    CPSmartPtr<CPParticleSystem> clone(new CPParticleSystem(m_owner, m_templateNames));
    clone->m_templates = m_templates;
    clone->m_period = m_period;
    clone->m_lifetime = m_lifetime;
    clone->m_damage = m_damage;
    clone->m_damageTarget = m_damageTarget;
    return clone;
}

CPSmartPtr<CPTask> CPParticleSystem::Clone()
{
    return CPSmartPtr<CPTask>(CloneSystem());
}

void CPParticleSystem::Update()
{
    const float before = m_accumulator;
    m_accumulator += g_FrameTime;
    const bool beforeHalfLife = m_lifetime * 0.5f > m_age;

    // A period that is not positive would never use up the accumulator.
    while (m_period > 0.0f && m_accumulator > m_period) {
        if (m_damageTarget) {
            // One draw per axis, in axis order.
            const float x = RandomOffset();
            const float y = RandomOffset();
            const float z = RandomOffset();
            m_damageTarget->Damage(m_damageTarget->GetPosition(), D3DXVECTOR3(x, y, z), m_damage, false, 0);
        }
        m_accumulator -= m_period;
        m_age += m_period;
        if (m_owner)
            m_owner->GetHandlerOwner()->Damage(D3DXVECTOR3(), D3DXVECTOR3(), m_damage, false, 0);
        // The burst of this period is not launched yet: the emission records
        // and the emitters that receive them are still to come.
        if (m_lifetime > 0.0f && m_age > m_lifetime)
            Stop();
    }

    // Over the frame the age grows by exactly the frame time.
    m_age += m_accumulator - before;

    // Tested on the age after the whole frame, so the half-life is noticed
    // even when it falls between two bursts.
    if (beforeHalfLife && m_lifetime * 0.5f <= m_age && m_owner)
        m_owner->GetHandlerOwner()->ApplyMaterial();
}
