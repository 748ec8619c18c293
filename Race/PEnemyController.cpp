#include "Race/PEnemyController.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Platform/CRand.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Race/PShot.h"
#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPlayer.h"

#include <cmath>
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
constexpr char kMelee1[] = "melee1";
constexpr char kMelee2[] = "melee2";
constexpr char kExplosion[] = "explosion";
constexpr char kSelfDestructShot[] = "rocket_exp2";
constexpr char kPlasmaShot[] = "plazma_shot2";
constexpr char kHitSound1[] = "hit1";
constexpr char kHitSound2[] = "hit2";
constexpr char kGameMenu[] = "gamemenu";
constexpr char kCommandChangeMoney[] = "change_money";
// A heading whose cosine with the reference axis is smaller than this
// (nearly square to it) takes the angle 0.
constexpr float kStraightCosine = 0.0001f;
// Melee strikes are tested at this absolute height.
constexpr float kStrikeHeight = 1.5f;
constexpr float kAimLift = 0.3f;
// Shots keep their type's own speed.
constexpr float kNoSpeed = -1.0f;
constexpr float kRandMax = 32767.0f;
constexpr float kFullTurn = 6.2831855f;
constexpr float kHeavyGunCone = 0.1f;
constexpr float kShotgunCone = 0.4f;
constexpr int32_t kShotgunPellets = 8;
// Every third rocket step may fire a rocket instead of plasma.
constexpr int32_t kRocketVolley = 3;
constexpr int32_t kGibMinimum = 5;
constexpr int32_t kGibSpread = 5;
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
    if (name == kMelee1 || name == kMelee2) {
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
    CPLevel* level = GetLevel();
    CPPlayer* player = level ? level->followedVehicle : nullptr;
    if (!m_mover || !player)
        return;

    D3DXVECTOR3 heading(m_mover->GetHeading().x, m_mover->GetHeading().y, 0.0f);
    if (D3DXVec3Length(&heading) > 0.0f)
        D3DXVec3Normalize(&heading, &heading);
    const float c = D3DXVec3Dot(&heading, &m_referenceAxis);
    float angle = std::fabs(c) < kStraightCosine ? 0.0f : SafeAcos(c);
    D3DXVECTOR3 side;
    D3DXVec3Cross(&side, &m_referenceAxis, &heading);
    if (side.z < 0.0f)
        angle = -angle;
    D3DXMATRIX rotation;
    D3DXMatrixRotationZ(&rotation, angle);

    const D3DXVECTOR3 position = m_mover->GetPosition();
    const D3DXVECTOR3& target = player->GetPosition();
    D3DXVECTOR3 toPlayer = target - position;
    D3DXVec3Normalize(&toPlayer, &toPlayer);

    const std::string& name = m_currentAnimation.name;
    if (name == kMelee1 || name == kMelee2)
        Strike(*level, *player, name == kMelee1 ? 1 : 2, rotation, position, toPlayer);
    else if (name == kFire)
        FireVolley(rotation, position, target);
}

void CPEnemyController::Strike(CPLevel& level, CPPlayer& player, int32_t record, const D3DXMATRIX& rotation,
                               const D3DXVECTOR3& position, const D3DXVECTOR3& toPlayer)
{
    if (static_cast<size_t>(record) >= m_melee.size())
        return;
    const CPMeleeRecord& melee = m_melee[record];
    D3DXVECTOR3 flat(toPlayer.x, toPlayer.y, 0.0f);
    D3DXVec3Normalize(&flat, &flat);

    CPRayQuery query;
    query.excluded = m_object;
    query.origin = D3DXVECTOR3(position.x, position.y, kStrikeHeight);
    query.direction = flat;
    query.distance = D3DXVec3Length(&melee.strikeOrigin);
    level.CrossRay(query);
    const bool hits = query.hitOwner.Get() == &player;

    D3DXVECTOR3 strike;
    D3DXVec3TransformCoord(&strike, &melee.strikeOrigin, &rotation);
    strike += position;

    if (m_weapon == kExplosion && record == 1) {
        FireShot(kSelfDestructShot, strike, toPlayer);
        EnterState(kStateDead);
        ReportDeath();
        return;
    }
    if (!hits)
        return;
    PlayHitSound(record == 1 ? kHitSound1 : kHitSound2);
    const CPPhysicData* data = player.GetPhysicData().Get();
    if (data && data->m_rigidBody)
        data->m_rigidBody->ApplyImpulse(D3DXVECTOR4(flat * melee.impulse, 0.0f), D3DXVECTOR4(strike, 1.0f));
    static_cast<CPGameObject&>(player).Damage(strike, strike, melee.damage, false, 0);
}

D3DXVECTOR3 CPEnemyController::DrawInCone(const D3DXVECTOR3& axis, float halfAngle)
{
    const float tilt = static_cast<float>(crt::rand()) / kRandMax * halfAngle;
    const float turn = static_cast<float>(crt::rand()) / kRandMax * kFullTurn;
    D3DXMATRIX spread;
    D3DXMatrixRotationYawPitchRoll(&spread, turn, 0.0f, tilt);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 direction;
    D3DXVec3TransformNormal(&direction, &up, &spread);

    // The rotation that takes (0, 1, 0) to the axis. Straight down the cross
    // product vanishes; a half turn about z does the same there.
    D3DXVECTOR3 pivot;
    D3DXVec3Cross(&pivot, &up, &axis);
    if (D3DXVec3Length(&pivot) < kStraightCosine)
        pivot = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    D3DXMATRIX toAxis;
    D3DXMatrixRotationAxis(&toAxis, &pivot, SafeAcos(axis.y));
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &direction, &toAxis);
    return out;
}

void CPEnemyController::FireVolley(const D3DXMATRIX& rotation, const D3DXVECTOR3& position,
                                   const D3DXVECTOR3& target)
{
    D3DXVECTOR3 muzzle;
    D3DXVec3TransformCoord(&muzzle, &m_muzzle, &rotation);
    muzzle += position;
    D3DXVECTOR3 aim = target + D3DXVECTOR3(0.0f, 0.0f, kAimLift) - muzzle;
    D3DXVec3Normalize(&aim, &aim);

    if (m_weapon == "hmgun") {
        FireShot("trasser22", muzzle, DrawInCone(aim, kHeavyGunCone));
    } else if (m_weapon == "rocket") {
        if (++m_rocketCounter >= kRocketVolley) {
            m_rocketCounter = 0;
            FireShot(crt::rand() % 2 == 0 ? "srocket2" : kPlasmaShot, muzzle, aim);
        } else {
            FireShot(kPlasmaShot, muzzle, aim);
        }
    } else if (m_weapon == "plasma") {
        FireShot(kPlasmaShot, muzzle, aim);
    } else if (m_weapon == "mgun" || m_weapon == "lgun") {
        FireShot("trasser21", muzzle, aim);
    } else if (m_weapon == "shotgun") {
        for (int32_t i = 0; i < kShotgunPellets; ++i)
            FireShot("trasser23", muzzle, DrawInCone(aim, kShotgunCone));
    }
}

void CPEnemyController::FireShot(const char* type, const D3DXVECTOR3& from, const D3DXVECTOR3& direction)
{
    if (CPShotManager* shots = GetShotManager())
        shots->Fire(type, from, direction, kNoSpeed, CPSmartPtr<CPGameObject>());
}

void CPEnemyController::PlayHitSound(const char* event)
{
    const std::string& name = m_soundNames[event];
    CNSoundManager* sounds = GetSoundManager();
    if (name.empty() || !sounds)
        return;
    const CPSmartPtr<CNSound> sound = sounds->GetSound(name);
    if (!sound)
        return;
    if (sound->IsPlaying()) {
        sound->Stop();
        sound->Rewind();
    }
    sound->Play(0, 0);
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
    if (m_dead)
        return;
    if (m_object && m_object->GetPhysicData())
        m_object->GetPhysicData()->m_pushEnabled = 0;
    m_hit = 1;

    if (!quiet || m_hitEffect == kHitEffectOil) {
        m_health -= amount;
        if (!noEffect)
            FireShot(m_hitEffect.c_str(), point, -direction * amount);
    }
    if (m_health > 0.0f)
        return;

    if (!m_deathProcessed) {
        PayReward();
        if (m_gore && m_hitEffect == kBloodEffect && m_object)
            ThrowGibs();
        ReportDeath();
    }
    m_deathProcessed = 1;
    EnterState(kStateDead);
}

void CPEnemyController::PayReward()
{
    CPGameData* gameData = GetGameData();
    if (!gameData)
        return;
    gameData->m_money += static_cast<float>(m_reward);
    char text[64];
    std::snprintf(text, sizeof(text), "%.2f", gameData->m_money);
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByName(kGameMenu, kCommandChangeMoney, text);
    ++gameData->m_kills;
}

void CPEnemyController::ThrowGibs()
{
    m_object->SetVisible(false);
    const D3DXVECTOR3 from = m_object->GetPosition() + D3DXVECTOR3(0.0f, 0.0f, m_gibHeight);
    const int32_t count = crt::rand() % kGibSpread + kGibMinimum;
    for (int32_t i = 0; i < count; ++i) {
        const float yaw = static_cast<float>(crt::rand()) / kRandMax * kFullTurn;
        const float pitch = static_cast<float>(crt::rand()) / kRandMax * kFullTurn;
        const float roll = static_cast<float>(crt::rand()) / kRandMax * kFullTurn;
        D3DXMATRIX turn;
        D3DXMatrixRotationYawPitchRoll(&turn, yaw, pitch, roll);
        const D3DXVECTOR3 up(0.0f, 0.0f, 1.0f);
        D3DXVECTOR3 direction;
        D3DXVec3TransformNormal(&direction, &up, &turn);
        FireShot(crt::rand() % 2 != 0 ? "gib1" : "gib2", from, direction);
    }
}
