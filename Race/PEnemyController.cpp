#include "Race/PEnemyController.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PGameObject.h"
#include "Platform/CRand.h"
#include "Vehicles/PPhysicData.h"

#include <cstdio>

namespace
{
constexpr char kCommandEnemyDeath[] = "enemy_death";
constexpr char kLevelCategory[] = "level";
constexpr char kHitEffectOil[] = "oil1";
constexpr char kBloodEffect[] = "blood1";
constexpr char kFire[] = "fire";
constexpr char kFireIn[] = "fire_in";
constexpr char kFireOut[] = "fire_out";
}

CPEnemyBehaviour::~CPEnemyBehaviour() = default;

CPEnemyMover::~CPEnemyMover() = default;

CPEnemyController::CPEnemyController(CPGameObject* object, CPEnemyBehaviour* behaviour, CPEnemyMover* mover)
    : m_behaviour(behaviour),
      m_mover(mover),
      m_object(object)
{
}

CPEnemyController::~CPEnemyController() = default;

void CPEnemyController::PlayAnimation(const std::string& name, bool once, bool forced, int32_t reportFrame)
{
    if (m_currentAnimation.name == name && !forced)
        return;
    CPAnimationRequest request;
    request.name = name;
    if (once) {
        request.loopLimit = 1;
        request.reportFrame = reportFrame;
    }
    m_currentAnimation = request;
    if (m_object)
        m_object->SetAnimation(request, false);
}

void CPEnemyController::EnterState(int32_t state)
{
    if (!m_behaviour)
        return;
    m_behaviour->m_timeInState = 0;
    m_behaviour->m_state = m_behaviour->m_states[state];
}

void CPEnemyController::OnAnimationEnd()
{
    const std::string name = m_currentAnimation.name;
    if (name == "melee1" || name == "melee2") {
        const int32_t count = m_meleeCount > 0 ? m_meleeCount : 1;
        const int32_t n = crt::rand() % count + 1;
        char text[32];
        std::snprintf(text, sizeof(text), "melee%d", static_cast<int>(n));
        m_meleeName = text;
        const int32_t reportFrame =
            static_cast<size_t>(n) < m_melee.size() ? m_melee[n].reportFrame : CPAnimationRequest().reportFrame;
        PlayAnimation(m_meleeName, true, true, reportFrame);
        if (m_behaviour)
            m_behaviour->Restart();
    } else if (name == kFire) {
        if (m_firing == 1) {
            PlayAnimation(kFire, true, true, m_fireReportFrame);
            if (m_behaviour)
                m_behaviour->Restart();
        }
    } else if (name == kFireIn) {
        PlayAnimation(kFire, true, true, m_fireReportFrame);
        m_firing = 1;
    } else if (name == kFireOut) {
        EnterState(kStateAfterFire);
        m_firing = 0;
    } else if (name == "death1" || name == "death2") {
        if (m_object)
            m_object->SetCollision(false);
        m_deathValue = 0;
    }
    m_animationEnded = 0;
}

void CPEnemyController::Update()
{
    // The melee strikes and the weapon fire of the current animation need the
    // level's ray query and the shot manager; they come with those.
}

void CPEnemyController::ReportDeath()
{
    if (m_deathReported || m_reportSuppressed)
        return;
    const D3DXVECTOR3 position = m_object ? m_object->GetPosition() : D3DXVECTOR3();
    char text[128];
    std::snprintf(text, sizeof(text), "%.2f,%.2f,%.2f", position.x, position.y, position.z);
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByCategory(kLevelCategory, kCommandEnemyDeath, m_name + "," + text);
    m_deathReported = 1;
}

void CPEnemyController::OnDamage(const D3DXVECTOR3& point, const D3DXVECTOR3& direction, float amount,
                                 bool noEffect, uint8_t quiet)
{
    (void)point;
    (void)direction;
    (void)noEffect;
    if (m_dead)
        return;
    if (m_object && m_object->GetPhysicData())
        m_object->GetPhysicData()->m_pushEnabled = 0;
    m_hit = 1;

    if (!quiet || m_hitEffect == kHitEffectOil) {
        m_health -= amount;
        // The hit effect shot at the point, along the reversed direction
        // scaled by the amount, comes with the shot manager.
    }
    if (m_health > 0.0f)
        return;

    if (!m_deathProcessed) {
        // The reward, the money report and the kill count come with the game
        // data; the gibs with the shot manager.
        if (m_gore && m_hitEffect == kBloodEffect && m_object)
            m_object->SetVisible(false);
        ReportDeath();
    }
    m_deathProcessed = 1;
    EnterState(kStateDead);
}
