#include "Script/ScriptVehicleBindings.h"

#include "Script/ScriptBinding.h"

#include "Core/PGlobals.h"
#include "Core/PUtils.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Render/PPerspectiveCamera.h"
#include "Vehicles/PCar.h"
#include "Vehicles/PPhysicBody.h"
#include "Vehicles/PPhysicData.h"
#include "Vehicles/PPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
// Script model keys and the vehicle model names they stand for.
const struct
{
    const char* key;
    const char* model;
} kModelKeys[] = {
    { "truck_130", "truck_130_" }, { "scout_469", "scout" },     { "sedan_z110", "sedan_3110_main" },
    { "coupe_tt", "coupe_tt" },    { "saloon_i745", "saloon" }, { "tourer_t", "tourer_suv" },
};

const char* const kHeavyTruck = "truck_130_";
constexpr float kWrecked = 100.0f;
constexpr float kStopImpulse = -4.0f;
constexpr float kNearestStart = 10000.0f;
constexpr size_t kNearestLimit = 5;
constexpr size_t kNearestWideLimit = 20;
constexpr float kQuarterTurn = 1.5707964f;
constexpr float kHalfTurn = 3.1415927f;
constexpr float kThrowLift = 62.5f;
constexpr float kTruckThrowLift = 31.25f;

CPPlayer* LevelPlayer()
{
    CPLevel* level = GetLevel();
    return level ? level->player.Get() : nullptr;
}

void PushVector(lua_State* L, const D3DXVECTOR3& v)
{
    lua_pushnumber(L, v.x);
    lua_pushnumber(L, v.y);
    lua_pushnumber(L, v.z);
}

// The direction the vehicle faces: its rotation applied to (0, -1, 0).
D3DXVECTOR3 FacingDirection(const CPGameObject& vehicle)
{
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &vehicle.GetRotation());
    const D3DXVECTOR3 ahead(0.0f, -1.0f, 0.0f);
    D3DXVECTOR3 facing;
    D3DXVec3TransformNormal(&facing, &ahead, &rotation);
    D3DXVec3Normalize(&facing, &facing);
    return facing;
}

// The mass of the object's rigid body; 0 without one.
float BodyMass(const CPGameObject& object)
{
    const CPPhysicData* data = object.GetPhysicData().Get();
    return data && data->m_rigidBody ? data->m_rigidBody->m_mass : 0.0f;
}

D3DXVECTOR3 Velocity(const CPPlayer& vehicle)
{
    const D3DXVECTOR4 velocity = vehicle.GetVelocity();
    return D3DXVECTOR3(velocity.x, velocity.y, velocity.z);
}

bool IsWrecked(const CPPlayer& vehicle)
{
    return vehicle.m_damage >= kWrecked;
}

// The nearest vehicle to a point among the first `limit` of the level's
// vehicles that qualify, then the player's vehicle when it belongs to the
// side; pushes its position, handle and distance (five results), or nothing
// when none is nearer than 10000.
template <class Qualifies>
int PushNearest(lua_State* L, const CPLevel& level, size_t limit, const D3DXVECTOR3& point, uint32_t playerSide,
                Qualifies qualifies)
{
    const CPPlayer* best = nullptr;
    float nearest = kNearestStart;
    const size_t count = std::min(limit, level.vehicles.size());
    for (size_t i = 0; i < count; ++i) {
        const CPPlayer* vehicle = level.vehicles[i].Get();
        if (!vehicle || !qualifies(*vehicle))
            continue;
        const D3DXVECTOR3 apart = vehicle->GetPosition() - point;
        const float distance = D3DXVec3Length(&apart);
        // A later vehicle at the same distance wins.
        if (distance <= nearest) {
            best = vehicle;
            nearest = distance;
        }
    }
    const CPPlayer* player = level.player.Get();
    if (player && (player->GetSideFlags() & playerSide)) {
        const D3DXVECTOR3 apart = player->GetPosition() - point;
        const float distance = D3DXVec3Length(&apart);
        if (distance < nearest) {
            best = player;
            nearest = distance;
        }
    }
    if (!best)
        return 0;
    PushVector(L, best->GetPosition());
    ScriptPushObject(L, best);
    lua_pushnumber(L, nearest);
    return 5;
}

D3DXVECTOR3 ReadVector(lua_State* L, int first)
{
    return D3DXVECTOR3(ScriptReadFloat(L, first), ScriptReadFloat(L, first + 1), ScriptReadFloat(L, first + 2));
}
}

namespace ScriptApi
{
std::string ModelNameOfKey(const std::string& key)
{
    for (const auto& entry : kModelKeys) {
        if (key == entry.key)
            return entry.model;
    }
    return key;
}

int SetCarParams(lua_State* L)
{
    if (CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1))
        vehicle->SetCarParams(ScriptReadFloat(L, 2), ScriptReadFloat(L, 3));
    return 0;
}

int SetWeaponPos(lua_State* L)
{
    const D3DXVECTOR3 aim = ReadVector(L, 1);
    CPGameObject* weapon = ScriptReadObject<CPGameObject>(L, 4);
    if (CPLevel* level = GetLevel()) {
        const CPSmartPtr<CPGameObject> held(weapon);
        level->SetPlayerWeaponPos(aim, held);
    }
    return 0;
}

int GetPlayerPosition(lua_State* L)
{
    const CPPlayer* player = LevelPlayer();
    PushVector(L, player ? player->GetPosition() : D3DXVECTOR3());
    return 3;
}

int GetPlayerDirection(lua_State* L)
{
    const CPPlayer* player = LevelPlayer();
    if (!player)
        return 0;
    PushVector(L, FacingDirection(*player));
    return 3;
}

int GetPlayerSpeed(lua_State* L)
{
    const CPLevel* level = GetLevel();
    lua_pushnumber(L, level ? level->playerSpeed : 0.0f);
    return 1;
}

int GetPlayerSlide(lua_State* L)
{
    lua_pushnumber(L, 1);
    return 1;
}

int GetPlayerMass(lua_State* L)
{
    if (lua_gettop(L) >= 1) {
        const CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
        lua_pushnumber(L, object ? BodyMass(*object) : 0.0f);
        return 1;
    }
    const CPPlayer* player = LevelPlayer();
    if (!player)
        return 0;
    lua_pushnumber(L, BodyMass(*player));
    return 1;
}

int StopPlayerCar(lua_State*)
{
    if (CPPlayer* player = LevelPlayer())
        player->ApplyImpulse(player->GetPosition(), Velocity(*player) * kStopImpulse);
    return 0;
}

int PlayerApplyImpulse(lua_State* L)
{
    CPPlayer* player = LevelPlayer();
    if (!player)
        return 0;
    if (lua_gettop(L) >= 4)
        player->ApplyImpulse(ReadVector(L, 1), ReadVector(L, 4));
    else
        player->ApplyImpulse(player->GetPosition(), ReadVector(L, 1));
    return 0;
}

int IsPlayerMoveForward(lua_State* L)
{
    const CPLevel* level = GetLevel();
    const CPPlayer* player = level ? level->player.Get() : nullptr;
    const CPCamera* camera = level ? level->camera.Get() : nullptr;
    if (!player || !camera || !camera->mainCamera)
        return 0;
    const D3DXVECTOR3* eye = camera->GetEyePosition();
    const D3DXVECTOR3& target = camera->fixedView ? camera->fixedLookAt : camera->lookAt;
    D3DXVECTOR3 velocity = Velocity(*player);
    D3DXVec3Normalize(&velocity, &velocity);
    D3DXVECTOR3 view = target - *eye;
    D3DXVec3Normalize(&view, &view);
    const float angle = SafeAcos(D3DXVec3Dot(&velocity, &view));
    lua_pushboolean(L, angle + kQuarterTurn <= kHalfTurn);
    return 1;
}

int IsPlayerMovingBackwards(lua_State* L)
{
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    lua_pushboolean(L, level->IsPlayerMovingBackwards());
    return 1;
}

int GetNitro(lua_State* L)
{
    const CPPlayer* player = LevelPlayer();
    const CPCar* car = player ? player->GetCarPtr() : nullptr;
    if (!car)
        return 0;
    lua_pushnumber(L, car->m_nitroCapacity);
    return 1;
}

int IsNitro(lua_State* L)
{
    const CPPlayer* player = LevelPlayer();
    const CPCar* car = player ? player->GetCarPtr() : nullptr;
    if (!car)
        return 0;
    lua_pushboolean(L, car->m_nitroCapacity > 0.0f && car->m_nitro > 0.0f);
    return 1;
}

int PlayerNitro(lua_State* L)
{
    const float amount = ScriptReadFloat(L, 1);
    const CPLevel* level = GetLevel();
    if (level && !level->gameOver && level->player)
        level->player->SetNitro(amount);
    return 0;
}

int ActivateAbilities(lua_State* L)
{
    const CPPlayer* player = LevelPlayer();
    if (!player)
        return 0;
    const CPGameData* gameData = GetGameData();
    lua_pushnumber(L, player->m_abilityCount);
    lua_pushnumber(L, gameData ? gameData->m_maxAbilities : 0);
    return 2;
}

int SetAbilitiesCount(lua_State* L)
{
    const int32_t count = ScriptReadInt(L, 1);
    if (CPPlayer* player = LevelPlayer())
        player->m_abilityCount = count;
    return 0;
}

int SetMaxAbilityCount(lua_State* L)
{
    const int32_t count = ScriptReadInt(L, 1);
    if (CPGameData* gameData = GetGameData())
        gameData->m_maxAbilities = count;
    return 0;
}

int GetPlayerMana(lua_State* L)
{
    const CPGameData* gameData = GetGameData();
    lua_pushnumber(L, gameData ? gameData->m_mana : 0);
    return 1;
}

int SetPlayerMana(lua_State* L)
{
    const int32_t mana = ScriptReadInt(L, 1);
    if (CPGameData* gameData = GetGameData())
        gameData->m_mana = mana;
    return 0;
}

int LockPlayer(lua_State* L)
{
    const bool locked = ScriptReadBool(L, 1);
    if (CPPlayer* player = LevelPlayer())
        player->Lock(locked);
    return 0;
}

int LockPlayers(lua_State* L)
{
    const bool locked = ScriptReadBool(L, 1);
    CPLevel* level = GetLevel();
    if (!level)
        return 0;
    if (level->player)
        level->player->Lock(locked);
    for (const CPSmartPtr<CPPlayer>& vehicle : level->vehicles) {
        if (vehicle)
            vehicle->Lock(locked);
    }
    return 0;
}

int ThrowPlayer(lua_State* L)
{
    CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    if (!vehicle || !(vehicle->GetSideFlags() & CPPlayer::kLightSide))
        return 0;
    const D3DXVECTOR3 facing = FacingDirection(*vehicle);
    const float mass = BodyMass(*vehicle);
    const D3DXVECTOR3& position = vehicle->GetPosition();
    if (vehicle->GetModelName() == kHeavyTruck)
        vehicle->ApplyImpulse(position - facing * 2.0f, D3DXVECTOR3(0.0f, 0.0f, kTruckThrowLift * mass));
    else
        vehicle->ApplyImpulse(position - facing, D3DXVECTOR3(0.0f, 0.0f, kThrowLift * mass));
    return 0;
}

int GetPlayerDamage(lua_State* L)
{
    const CPPlayer* player = LevelPlayer();
    if (!player)
        return 0;
    lua_pushnumber(L, player->m_damage);
    return 1;
}

int IsDead(lua_State* L)
{
    const CPPlayer* player = LevelPlayer();
    lua_pushboolean(L, !player || player->m_dead);
    return 1;
}

int IsPlayerDead(lua_State* L)
{
    const bool byKey = lua_gettop(L) >= 1;
    const std::string model = byKey ? ModelNameOfKey(ScriptReadText(L, 1)) : std::string();
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    const CPPlayer* player = level->player.Get();
    if (!byKey) {
        if (!player)
            return 0;
        lua_pushboolean(L, IsWrecked(*player));
        return 1;
    }
    for (const CPSmartPtr<CPPlayer>& vehicle : level->vehicles) {
        if (vehicle && vehicle->GetModelName() == model) {
            lua_pushboolean(L, IsWrecked(*vehicle));
            return 1;
        }
    }
    lua_pushboolean(L, player && player->GetModelName() == model && IsWrecked(*player));
    return 1;
}

int IsInGloom(lua_State* L)
{
    const CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    lua_pushboolean(L, vehicle && vehicle->m_inGloom);
    return 1;
}

int DamagePlayer(lua_State* L)
{
    CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    const float amount = ScriptReadFloat(L, 2);
    lua_pushboolean(L, vehicle ? vehicle->Damage(amount) : true);
    return 1;
}

int KillPlayer(lua_State* L)
{
    if (CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1))
        vehicle->Kill();
    return 0;
}

int Jump(lua_State* L)
{
    const CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    const CPPhysicData* data = vehicle ? vehicle->GetPhysicData().Get() : nullptr;
    if (!data || !data->m_rigidBody)
        return 0;
    data->m_rigidBody->ApplyImpulse(D3DXVECTOR4(ReadVector(L, 2), 0.0f),
                                    D3DXVECTOR4(vehicle->GetPosition(), 1.0f));
    return 0;
}

int SetBrake2(lua_State* L)
{
    if (CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1))
        vehicle->SetBrake(ScriptReadBool(L, 2) ? 1 : 0, 0);
    return 0;
}

int SetBrake(lua_State* L)
{
    if (CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1))
        vehicle->SetBrake(ScriptReadBool(L, 2) ? 1 : 0, 1);
    return 0;
}

int SetStop(lua_State* L)
{
    if (CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1))
        vehicle->SetStop(ScriptReadBool(L, 2) ? 1 : 0);
    return 0;
}

int Spawn(lua_State* L)
{
    if (CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1))
        vehicle->Respawn(true);
    return 0;
}

int GetNearestTalmorPlayer(lua_State* L)
{
    const D3DXVECTOR3 point = ReadVector(L, 1);
    const bool wide = ScriptReadBool(L, 4);
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    const size_t limit = wide ? kNearestWideLimit : kNearestLimit;
    return PushNearest(L, *level, limit, point, CPPlayer::kLightSide, [wide](const CPPlayer& vehicle) {
        const uint32_t side = vehicle.GetSideFlags();
        return ((side & CPPlayer::kLightSide) && vehicle.m_damage < kWrecked) || (wide && (side & CPPlayer::kTraffic));
    });
}

int GetNearestKrevanPlayer(lua_State* L)
{
    const D3DXVECTOR3 point = ReadVector(L, 1);
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    return PushNearest(L, *level, kNearestLimit, point, CPPlayer::kDarkSide,
                       [](const CPPlayer& vehicle) { return (vehicle.GetSideFlags() & CPPlayer::kDarkSide) != 0; });
}

int GetAIDamage(lua_State* L)
{
    const std::string model = ModelNameOfKey(ScriptReadText(L, 1));
    const CPLevel* level = GetLevel();
    if (!level)
        return 0;
    float damage = 0.0f;
    for (const CPSmartPtr<CPPlayer>& vehicle : level->vehicles) {
        if (vehicle && vehicle->GetModelName() == model) {
            damage = vehicle->m_damage;
            break;
        }
    }
    lua_pushnumber(L, damage);
    return 1;
}

int ActivateAbilitiesAI(lua_State* L)
{
    const CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    if (!vehicle)
        return 0;
    lua_pushnumber(L, vehicle->m_abilityCount);
    return 1;
}

int SetAbilitiesCountAI(lua_State* L)
{
    if (CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1))
        vehicle->m_abilityCount = ScriptReadInt(L, 2);
    return 0;
}

int GetPlayerSpeedAI(lua_State* L)
{
    const CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    if (!vehicle)
        return 0;
    const CPCar* car = vehicle->GetCarPtr();
    lua_pushnumber(L, car ? car->m_speed : 0.0f);
    return 1;
}

int GetPlayerDirectionAI(lua_State* L)
{
    const CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    if (!vehicle)
        return 0;
    PushVector(L, FacingDirection(*vehicle));
    return 3;
}

int PlayerNitroAI(lua_State* L)
{
    CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    if (!vehicle)
        return 0;
    if (lua_gettop(L) >= 2)
        vehicle->DisableThrottle(ScriptReadFloat(L, 2), ScriptReadFloat(L, 3));
    else
        vehicle->SetNitro(0.0f);
    return 0;
}
}
