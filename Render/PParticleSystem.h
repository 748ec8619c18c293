// Particle system: a task (the body of a game object of kind 4) that launches
// a burst from its emitter templates every period for a given lifetime, and
// can damage an object every period while it runs. The owner's world matrix
// places the bursts. A burst is one chained emission record per template,
// handed to the particle manager as one emission for the emitter of the
// first template.
#pragma once

#include "Core/PSmartPtr.h"
#include "Core/PTask.h"
#include "Render/PParticleManager.h"

#include <cstdint>
#include <string>
#include <vector>

class CPGameObject;

class CPParticleSystem : public CPTask
{
public:
    static constexpr float kDefaultPeriod = 0.5f;

    // Copies the manager's templates of the given names, normalising each
    // template's direction in the manager first; unknown names add nothing.
    CPParticleSystem(CPGameObject* owner, const std::vector<std::string>& templateNames);
    ~CPParticleSystem() override;

    int32_t GetObjectSize() const override;
    // "CPParticleSystem".
    std::string GetTypeName() const override;
    // Resets the accumulator and the age, then starts as any task.
    bool Start() override;
    // Counts the frame time into periods: each period damages the damage
    // target and the owner's handler owner, launches a burst, and stops the
    // system once its age passes its lifetime (0 or less: never). A period of
    // 0 or less gives at most one burst per update. When half the lifetime
    // has passed the owner's handler owner applies its material.
    void Update() override;
    int32_t QueryFlag() override;
    // A new system with the same owner, templates and settings.
    CPSmartPtr<CPTask> Clone() override;
    CPSmartPtr<CPParticleSystem> CloneSystem() const;

    // One burst: a record per template, chained in template order, to the
    // particle manager. Nothing without templates.
    void Emit();
    // The record of one template: a position scattered in the template's
    // spread box (placed at the owner when `first`, else relative to the
    // first record), and a velocity of the template's speed in a random
    // direction within its cone around its direction, turned by the owner.
    // A cone of 1 degree or less launches along the direction; a zero
    // direction stands for +z, and straight down turns +z over the x axis.
    CPParticleEmitDesc BuildLaunch(const CPEmitterTemplate& source, bool first) const;

    CPGameObject* GetOwner() const { return m_owner; }
    void SetOwner(CPGameObject* owner) { m_owner = owner; }
    const std::vector<CPEmitterTemplate>& GetTemplates() const { return m_templates; }
    const std::vector<std::string>& GetTemplateNames() const { return m_templateNames; }
    const CPSmartPtr<CPGameObject>& GetDamageTarget() const { return m_damageTarget; }
    void SetDamageTarget(CPGameObject* target);
    // Seconds between bursts.
    void SetEmitInterval(float period) { m_period = period; }

    // Seconds since the last burst and since Start.
    float m_accumulator = 0.0f;
    float m_period = kDefaultPeriod;
    // Seconds; 0 or less: endless.
    float m_lifetime = -1.0f;
    float m_age = 0.0f;
    // Dealt every period.
    float m_damage = 0.0f;

private:
    std::vector<CPEmitterTemplate> m_templates;
    std::vector<std::string> m_templateNames;
    CPSmartPtr<CPGameObject> m_damageTarget;
    CPGameObject* m_owner;
};
