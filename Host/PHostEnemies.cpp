#include "Host/PHostEnemies.h"

#include "Core/PGameHost.h"
#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Core/PTaskManager.h"
#include "Race/PLevel.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <cmath>

namespace
{
CPHostEnemies* s_hostEnemies = nullptr;

const char kIdleAnimation[] = "idle";
const char kWalkAnimation[] = "walk";
const char kMeleeAnimation[] = "melee1";
const char kFireInAnimation[] = "fire_in";
const char kFireOutAnimation[] = "fire_out";
const char kDeathAnimation[] = "death1";
const char kExplosion[] = "explosion";

// Walking keeps the enemy on the ground below a probe from this height.
constexpr float kGroundProbe = 10.0f;
constexpr float kMillisecondsPerSecond = 1000.0f;

// Every enemy's body: two melee blows reporting at frame 4, a muzzle at
// chest height and a "fire" clip reporting at frame 2.
constexpr int32_t kMeleeCount = 2;
constexpr int32_t kMeleeReportFrame = 4;
constexpr int32_t kFireReportFrame = 2;
constexpr float kGibHeight = 1.0f;
const D3DXVECTOR3 kForward(0.0f, -1.0f, 0.0f);
const D3DXVECTOR3 kStrikeOrigin(0.0f, -2.0f, 1.0f);
const D3DXVECTOR3 kMuzzle(0.0f, -1.0f, 1.5f);
const float kMeleeImpulse[kMeleeCount + 1] = { 0.0f, 40.0f, 60.0f };
const float kMeleeDamage[kMeleeCount + 1] = { 0.0f, 10.0f, 15.0f };

const CPHostEnemyType kTypes[] = {
    // name, weapon, health, reward, hit effect, gore, sight, range, speed
    { "melee", "", 60.0f, 20, "blood1", 1, 40.0f, 2.5f, 2.0f },
    { "explosion", "explosion", 20.0f, 30, "oil1", 0, 40.0f, 2.5f, 3.0f },
    { "hmgun", "hmgun", 120.0f, 40, "oil1", 0, 50.0f, 25.0f, 1.5f },
    { "rocket", "rocket", 150.0f, 60, "oil1", 0, 60.0f, 30.0f, 1.0f },
    { "plasma", "plasma", 100.0f, 50, "oil1", 0, 50.0f, 25.0f, 1.5f },
    { "mgun", "mgun", 80.0f, 30, "blood1", 1, 45.0f, 20.0f, 2.0f },
    { "lgun", "lgun", 80.0f, 30, "blood1", 1, 45.0f, 20.0f, 2.0f },
    { "shotgun", "shotgun", 90.0f, 35, "blood1", 1, 35.0f, 10.0f, 2.0f },
};

bool IsRanged(const CPHostEnemy& enemy)
{
    return !enemy.type.weapon.empty() && enemy.type.weapon != kExplosion;
}

void SetState(CPHostEnemy& enemy, int32_t state)
{
    enemy.behaviour.m_state = state;
    enemy.behaviour.m_timeInState = 0;
}

// Runs the entry of a state the behaviour has not entered yet, whoever set it.
void EnterState(CPHostEnemy& enemy)
{
    CPHostEnemyBehaviour& behaviour = enemy.behaviour;
    if (behaviour.m_state == behaviour.m_enteredState)
        return;
    behaviour.m_enteredState = behaviour.m_state;
    CPEnemyController& controller = *enemy.controller;
    switch (behaviour.m_state) {
    case CPHostEnemyBehaviour::kIdle:
        controller.PlayAnimation(kIdleAnimation, false, false, -1);
        break;
    case CPHostEnemyBehaviour::kWalk:
        controller.PlayAnimation(kWalkAnimation, false, false, -1);
        break;
    case CPHostEnemyBehaviour::kAttack:
        behaviour.m_attackEnded = false;
        if (IsRanged(enemy))
            controller.PlayAnimation(kFireInAnimation, true, true, -1);
        else
            controller.PlayAnimation(kMeleeAnimation, true, true, controller.m_melee[1].reportFrame);
        break;
    case CPHostEnemyBehaviour::kStopFiring:
        controller.PlayAnimation(kFireOutAnimation, true, true, -1);
        break;
    case CPHostEnemyBehaviour::kDying:
        controller.m_dead = 1;
        controller.PlayAnimation(kDeathAnimation, true, true, -1);
        break;
    default:
        break;
    }
}

// Places the object at the mover's position, turned from the model's forward
// axis to the mover's heading.
void Place(CPHostEnemy& enemy)
{
    const D3DXVECTOR3 heading(enemy.mover.m_heading.x, enemy.mover.m_heading.y, 0.0f);
    const float angle = std::atan2(kForward.x * heading.y - kForward.y * heading.x, D3DXVec3Dot(&kForward, &heading));
    D3DXQUATERNION rotation;
    const D3DXVECTOR3 up(0.0f, 0.0f, 1.0f);
    D3DXQuaternionRotationAxis(&rotation, &up, angle);
    enemy.object->SetPosition(enemy.mover.m_position);
    enemy.object->SetRotation(rotation);
    enemy.object->UpdateTransform();
}

// Moves the enemy along the flat unit direction and sets it down on what
// lies below it.
void Walk(CPHostEnemy& enemy, const D3DXVECTOR3& direction, float distance)
{
    D3DXVECTOR3& position = enemy.mover.m_position;
    position += direction * distance;
    if (CPLevel* level = GetLevel()) {
        CPRayQuery query;
        query.excluded = enemy.object;
        query.origin = D3DXVECTOR3(position.x, position.y, position.z + kGroundProbe);
        query.direction = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
        query.distance = 2.0f * kGroundProbe;
        if (level->CrossRay(query))
            position.z = query.hitPoint.z;
    }
}
}

CPHostEnemyBehaviour::CPHostEnemyBehaviour()
{
    m_states[CPEnemyController::kStateAfterFire] = kIdle;
    m_states[CPEnemyController::kStateDead] = kDying;
}

void CPHostEnemyBehaviour::Restart()
{
    m_timeInState = 0;
    if (!m_targetInRange)
        m_attackEnded = true;
}

CPHostEnemies::CPHostEnemies()
{
    m_order = kOrder;
}

CPHostEnemies::~CPHostEnemies()
{
    for (const std::unique_ptr<CPHostEnemy>& enemy : m_enemies) {
        if (CPManagedObject::FindLive(enemy->objectId) == enemy->object)
            enemy->object->SetEnemyController(nullptr);
    }
}

int32_t CPHostEnemies::GetObjectSize() const
{
    return static_cast<int32_t>(sizeof(CPHostEnemies));
}

std::string CPHostEnemies::GetTypeName() const
{
    return "CPHostEnemies";
}

const CPHostEnemyType* CPHostEnemies::FindType(const std::string& name)
{
    for (const CPHostEnemyType& type : kTypes) {
        if (type.name == name)
            return &type;
    }
    return nullptr;
}

CPEnemyController* CPHostEnemies::Attach(CPGameObject& object, const std::string& typeName)
{
    const CPHostEnemyType* type = FindType(typeName);
    if (!type || object.GetEnemyController())
        return nullptr;
    auto enemy = std::make_unique<CPHostEnemy>();
    enemy->objectId = object.GetId();
    enemy->object = &object;
    enemy->type = *type;
    enemy->mover.m_position = object.GetPosition();
    enemy->mover.m_heading = D3DXVECTOR2(kForward.x, kForward.y);
    enemy->controller = std::make_unique<CPEnemyController>(&object, &enemy->behaviour, &enemy->mover);

    CPEnemyController& controller = *enemy->controller;
    controller.m_referenceAxis = kForward;
    controller.m_health = type->health;
    controller.m_weapon = type->weapon;
    controller.m_meleeCount = kMeleeCount;
    controller.m_gibHeight = kGibHeight;
    controller.m_hitEffect = type->hitEffect;
    controller.m_melee.resize(kMeleeCount + 1);
    for (int32_t n = 1; n <= kMeleeCount; ++n) {
        CPMeleeRecord& melee = controller.m_melee[n];
        melee.reportFrame = kMeleeReportFrame;
        melee.strikeOrigin = kStrikeOrigin;
        melee.impulse = kMeleeImpulse[n];
        melee.damage = kMeleeDamage[n];
    }
    controller.m_fireReportFrame = kFireReportFrame;
    controller.m_muzzle = kMuzzle;
    controller.m_gore = type->gore;
    controller.m_name = type->name;
    controller.m_soundNames["hit1"] = "enemy_hit1";
    controller.m_soundNames["hit2"] = "enemy_hit2";
    controller.m_reward = type->reward;

    object.SetEnemyController(&controller);
    if (const CPSmartPtr<CPPhysicData>& data = object.GetPhysicData())
        data->m_pushEnabled = 0;
    m_enemies.push_back(std::move(enemy));
    if (!IsRunning()) {
        if (CPTaskManager* tasks = GetTaskManager())
            tasks->AddTask(CPSmartPtr<CPTask>(this));
    }
    return &controller;
}

void CPHostEnemies::Step(CPHostEnemy& enemy, float dt)
{
    CPHostEnemyBehaviour& behaviour = enemy.behaviour;
    behaviour.m_timeInState += static_cast<int32_t>(dt * kMillisecondsPerSecond);
    EnterState(enemy);

    const CPLevel* level = GetLevel();
    const CPPlayer* target = level ? level->followedVehicle : nullptr;
    D3DXVECTOR3 toTarget(0.0f, 0.0f, 0.0f);
    float distance = HUGE_VALF;
    if (target) {
        toTarget = target->GetPosition() - enemy.mover.m_position;
        toTarget.z = 0.0f;
        distance = D3DXVec3Length(&toTarget);
        if (distance > 0.0f)
            toTarget /= distance;
    }
    behaviour.m_targetInRange = distance <= enemy.type.attackRange;

    switch (behaviour.m_state) {
    case CPHostEnemyBehaviour::kIdle:
        if (distance <= enemy.type.sightRadius)
            SetState(enemy, CPHostEnemyBehaviour::kWalk);
        break;
    case CPHostEnemyBehaviour::kWalk:
        if (distance > enemy.type.sightRadius) {
            SetState(enemy, CPHostEnemyBehaviour::kIdle);
        } else if (behaviour.m_targetInRange) {
            SetState(enemy, CPHostEnemyBehaviour::kAttack);
        } else {
            enemy.mover.m_heading = D3DXVECTOR2(toTarget.x, toTarget.y);
            Walk(enemy, toTarget, std::min(enemy.type.walkSpeed * dt, distance - enemy.type.attackRange));
        }
        break;
    case CPHostEnemyBehaviour::kAttack:
        if (target && distance > 0.0f)
            enemy.mover.m_heading = D3DXVECTOR2(toTarget.x, toTarget.y);
        if (behaviour.m_attackEnded)
            SetState(enemy, IsRanged(enemy) ? CPHostEnemyBehaviour::kStopFiring : CPHostEnemyBehaviour::kWalk);
        break;
    default:
        // Stopping to fire waits for "fire_out" to end; the dying stay put.
        break;
    }
    EnterState(enemy);
    Place(enemy);
}

void CPHostEnemies::Update()
{
    const float dt = g_FrameTime;
    CPRender* render = GetRender();
    const CPSmartPtr<CPRenderQueue> queue = render ? render->GetRenderQueue() : CPSmartPtr<CPRenderQueue>();
    for (auto it = m_enemies.begin(); it != m_enemies.end();) {
        CPHostEnemy& enemy = **it;
        if (CPManagedObject::FindLive(enemy.objectId) != enemy.object) {
            it = m_enemies.erase(it);
            continue;
        }
        Step(enemy, dt);
        // The report frames of the enemy's animations come with its drawing.
        if (queue && enemy.object->IsVisible())
            queue->AddObjectTree(CPSmartPtr<CPGameObject>(enemy.object));
        ++it;
    }
}

int32_t CPHostEnemies::QueryFlag()
{
    return 0;
}

CPHostEnemies* GetHostEnemies()
{
    return s_hostEnemies;
}

void CreateHostEnemies()
{
    s_hostEnemies = new CPHostEnemies();
}

void DestroyHostEnemies()
{
    delete s_hostEnemies; // leaves the task list on its way out
    s_hostEnemies = nullptr;
}
