// The script functions of the race vehicles: control over the player's
// vehicle and any vehicle passed in (steering, brakes, locks, impulses,
// nitro, abilities and mana, damage and removal), the queries for position,
// direction, speed, mass and damage, and the opponents' searches and
// queries. The registration tables list them.
#pragma once

#include <lua.hpp>

#include <string>

namespace ScriptApi
{
// The vehicle model name a script's model key stands for; any other key is
// the model name itself.
std::string ModelNameOfKey(const std::string& key);

// The player's vehicle.
int SetCarParams(lua_State* L);
int SetWeaponPos(lua_State* L);
int GetPlayerPosition(lua_State* L);
int GetPlayerDirection(lua_State* L);
int GetPlayerSpeed(lua_State* L);
int GetPlayerSlide(lua_State* L);
int GetPlayerMass(lua_State* L);
int StopPlayerCar(lua_State* L);
int PlayerApplyImpulse(lua_State* L);
int IsPlayerMoveForward(lua_State* L);
int IsPlayerMovingBackwards(lua_State* L);
int GetNitro(lua_State* L);
int IsNitro(lua_State* L);
int PlayerNitro(lua_State* L);
int ActivateAbilities(lua_State* L);
int SetAbilitiesCount(lua_State* L);
int SetMaxAbilityCount(lua_State* L);
int GetPlayerMana(lua_State* L);
int SetPlayerMana(lua_State* L);
int LockPlayer(lua_State* L);
int LockPlayers(lua_State* L);
int ThrowPlayer(lua_State* L);
int GetPlayerDamage(lua_State* L);
int IsDead(lua_State* L);
int IsPlayerDead(lua_State* L);
int IsInGloom(lua_State* L);

// Any vehicle (race table).
int DamagePlayer(lua_State* L);
int KillPlayer(lua_State* L);
int Jump(lua_State* L);
int SetBrake2(lua_State* L);
int SetBrake(lua_State* L);
int SetStop(lua_State* L);
int Spawn(lua_State* L);

// The opponents.
int GetNearestTalmorPlayer(lua_State* L);
int GetNearestKrevanPlayer(lua_State* L);
int GetAIDamage(lua_State* L);
int ActivateAbilitiesAI(lua_State* L);
int SetAbilitiesCountAI(lua_State* L);
int GetPlayerSpeedAI(lua_State* L);
int GetPlayerDirectionAI(lua_State* L);
int PlayerNitroAI(lua_State* L);
}
