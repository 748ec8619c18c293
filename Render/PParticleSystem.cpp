#include "Render/PParticleSystem.h"

#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Core/PUtils.h"
#include "Platform/CRand.h"

#include <cmath>

namespace
{
constexpr float kRandScale = 1.0f / 32767.0f;
// Below this squared length the cone's turning axis counts as zero: the
// direction is +z, straight down, or zero.
constexpr float kParallelAxisSq = 1e-12f;

float RandomOffset()
{
    return static_cast<float>(crt::rand()) * kRandScale - 0.5f;
}

// Uniform in [-spread, +spread].
float Scatter(float spread)
{
    return static_cast<float>(crt::rand()) * kRandScale * 2.0f * spread - spread;
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

    while (m_accumulator > m_period) {
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
        Emit();
        if (m_lifetime > 0.0f && m_age > m_lifetime)
            Stop();
        // A period that is not positive would never use up the accumulator.
        if (m_period <= 0.0f)
            break;
    }

    // Over the frame the age grows by exactly the frame time.
    m_age += m_accumulator - before;

    // Tested on the age after the whole frame, so the half-life is noticed
    // even when it falls between two bursts.
    if (beforeHalfLife && m_lifetime * 0.5f <= m_age && m_owner)
        m_owner->GetHandlerOwner()->ApplyMaterial();
}

void CPParticleSystem::Emit()
{
    if (m_templates.empty())
        return;
    CPParticleEmitDesc head = BuildLaunch(m_templates.front(), true);
    std::unique_ptr<CPParticleEmitDesc>* tail = &head.next;
    for (size_t i = 1; i < m_templates.size(); ++i) {
        *tail = std::make_unique<CPParticleEmitDesc>(BuildLaunch(m_templates[i], false));
        tail = &(*tail)->next;
    }
    if (CPParticleManager* manager = GetParticleManager())
        manager->Emit(head);
}

CPParticleEmitDesc CPParticleSystem::BuildLaunch(const CPEmitterTemplate& source, bool first) const
{
    CPParticleEmitDesc record;
    record.name = source.name;
    record.scalar1 = source.scalar1;
    record.scalar2 = source.scalar2;
    record.scalar3 = source.scalar3;
    record.flag1 = source.flag1;
    record.acceleration = source.acceleration;

    // One draw per axis, in axis order.
    record.position.x = Scatter(source.spread.x);
    record.position.y = Scatter(source.spread.y);
    record.position.z = Scatter(source.spread.z);
    D3DXMATRIX world;
    if (m_owner)
        world = m_owner->GetWorldMatrix();
    else
        D3DXMatrixIdentity(&world);
    if (first)
        record.position += D3DXVECTOR3(world._41, world._42, world._43);

    // A direction in the cone around +z. Halving a cone of 1 degree or less
    // leaves no range to draw an elevation from.
    const float azimuth = D3DXToRadian(static_cast<float>(crt::rand() % 360));
    const int32_t halfCone = source.cone / 2;
    const float elevation = halfCone > 0 ? D3DXToRadian(static_cast<float>(crt::rand() % halfCone)) : 0.0f;
    D3DXVECTOR3 velocity(std::sin(elevation) * std::cos(azimuth), std::sin(elevation) * std::sin(azimuth),
                         std::cos(elevation));
    velocity *= source.speed;

    // Turn +z onto the template's direction.
    const D3DXVECTOR3& d = source.direction;
    const D3DXVECTOR3 axis(-d.y, d.x, 0.0f);
    D3DXMATRIX turn;
    if (D3DXVec3LengthSq(&axis) > kParallelAxisSq)
        D3DXMatrixRotationAxis(&turn, &axis, SafeAcos(d.z));
    else if (d.z < 0.0f)
        D3DXMatrixRotationX(&turn, D3DX_PI);
    else
        D3DXMatrixIdentity(&turn);
    D3DXVec3TransformNormal(&velocity, &velocity, &turn);
    D3DXVec3TransformNormal(&record.velocity, &velocity, &world);
    return record;
}
