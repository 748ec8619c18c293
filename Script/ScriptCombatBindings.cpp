#include "Script/ScriptCombatBindings.h"

#include "Script/ScriptBinding.h"

#include "Core/PGlobals.h"
#include "Race/PLevel.h"
#include "Race/PShot.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <cmath>

namespace
{
// Shots keep their type's own speed.
constexpr float kNoSpeed = -1.0f;
constexpr D3DCOLOR kLineColour = 0xFFFF0000;
// The fire thrower fires at once when its trigger is pressed.
constexpr int32_t kFireThrower = 8;
// CheckIntersection pushes with 6 x 12 against the vehicle's motion.
constexpr float kPushStrength = -72.0f;
constexpr size_t kPushedOpponents = 5;
constexpr float kStandingSquared = 0.000001f;

D3DXVECTOR3 ReadVector(lua_State* L, int first)
{
    return D3DXVECTOR3(ScriptReadFloat(L, first), ScriptReadFloat(L, first + 1), ScriptReadFloat(L, first + 2));
}

void Fire(const char* type, const D3DXVECTOR3& position, const D3DXVECTOR3& direction)
{
    if (CPShotManager* shots = GetShotManager())
        shots->Fire(type, position, direction, kNoSpeed, CPSmartPtr<CPGameObject>());
}

// A dark-side vehicle within r (horizontally) of (x, y) is pushed against
// its motion; a standing one is not.
void PushOut(CPPlayer& vehicle, float x, float y, float radius)
{
    if (!(vehicle.GetSideFlags() & CPPlayer::kDarkSide))
        return;
    const D3DXVECTOR3& position = vehicle.GetPosition();
    const float dx = x - position.x;
    const float dy = y - position.y;
    if (radius * radius < dx * dx + dy * dy)
        return;
    const D3DXVECTOR4 motion = vehicle.GetVelocity();
    D3DXVECTOR3 direction(motion.x, motion.y, motion.z);
    const float squared = D3DXVec3Dot(&direction, &direction);
    const float length = std::sqrt(squared);
    if (squared < kStandingSquared || length == 0.0f)
        direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    else
        direction /= length;
    vehicle.ApplyImpulse(position, direction * kPushStrength);
}
}

namespace ScriptApi
{
int Shot(lua_State* L)
{
    const char* type = ScriptCheckText(L, 1);
    CPGameObject* owner = ScriptReadObject<CPGameObject>(L, 2);
    const D3DXVECTOR3 local = ReadVector(L, 3);
    const CPLevel* level = GetLevel();
    if (!owner || !level || level->paused)
        return 0;
    D3DXVECTOR3 point;
    D3DXVec3TransformCoord(&point, &local, &owner->GetWorldMatrix());
    Fire(type, point, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    return 0;
}

int Explosion(lua_State* L)
{
    Fire(ScriptReadText(L, 1), ReadVector(L, 2), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    return 0;
}

int DirectionalExplosion(lua_State* L)
{
    Fire(ScriptReadText(L, 1), ReadVector(L, 2), ReadVector(L, 5));
    return 0;
}

int StartLighting(lua_State* L)
{
    CPBoltShot* bolt = ::StartLighting(ScriptReadText(L, 1), ReadVector(L, 2), ReadVector(L, 5));
    ScriptPushObject(L, bolt);
    return 1;
}

int UpdateTrasser(lua_State* L)
{
    CPShot* shot = ScriptReadObject<CPShot>(L, 1);
    int32_t status = -1;
    CPSmartPtr<CPGameObject> handed;
    if (shot) {
        status = shot->UpdateTrasser(handed);
        CPRender* render = GetRender();
        if (status == 1 && render) {
            const CPSmartPtr<CPGameObject> held(shot);
            if (const CPSmartPtr<CPRenderQueue> queue = render->GetRenderQueue())
                queue->AddObjectTree(held);
        }
    }
    lua_pushnumber(L, status);
    if (!handed)
        return 1;
    ScriptPushObject(L, handed.Get());
    return 2;
}

int DrawLine(lua_State* L)
{
    const D3DXVECTOR3 from = ReadVector(L, 1);
    const D3DXVECTOR3 to = ReadVector(L, 4);
    if (CPRender* render = GetRender())
        render->AddLine(kLineColour, from, to);
    return 0;
}

int CheckIntersection(lua_State* L)
{
    const float x = ScriptReadFloat(L, 1);
    const float y = ScriptReadFloat(L, 2);
    const float radius = ScriptReadFloat(L, 4);
    CPLevel* level = GetLevel();
    if (!level)
        return 0;
    if (level->player)
        PushOut(*level->player, x, y, radius);
    const size_t count = std::min(kPushedOpponents, level->vehicles.size());
    for (size_t i = 0; i < count; ++i) {
        if (level->vehicles[i])
            PushOut(*level->vehicles[i], x, y, radius);
    }
    return 0;
}

int PlayerShot(lua_State*)
{
    if (CPLevel* level = GetLevel())
        level->playerShotRequest = 1;
    return 0;
}

int SetCurrentWeapon(lua_State* L)
{
    const char* name = ScriptCheckText(L, 2);
    if (CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1))
        vehicle->m_currentWeapon = vehicle->FindChild(name);
    return 0;
}

int SetPrevWeapon(lua_State* L)
{
    if (CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1))
        vehicle->PrevWeapon();
    return 0;
}

int SetNextWeapon(lua_State* L)
{
    if (CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1))
        vehicle->NextWeapon();
    return 0;
}

int SetShot(lua_State* L)
{
    CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    if (!vehicle)
        return 0;
    const bool fire = ScriptReadBool(L, 2) && vehicle->m_currentSlot >= 0 && !vehicle->m_outOfAmmo;
    vehicle->m_fire = fire ? 1 : 0;
    if (fire && vehicle->m_weaponKind == kFireThrower)
        vehicle->m_cooldown = 0.0f;
    return 0;
}

int SetMineShot(lua_State* L)
{
    CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    if (!vehicle)
        return 0;
    vehicle->m_mineDrop = ScriptReadBool(L, 2) && vehicle->m_hasMines && !vehicle->m_mineBlock ? 1 : 0;
    return 0;
}
}
