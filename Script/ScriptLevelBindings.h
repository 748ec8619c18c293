// The script functions of the level and the race: creating, starting,
// stopping and deleting the level, the race state, checkpoints, enemies and
// their spawn points, bonus drops and the super weapon, and the centre path.
// Functions that need a level (or its centre path, or a followed vehicle) do
// nothing and push nothing without one. The registration tables list them.
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
// Level life.
int InitLevel(lua_State* L);
int StartLevel(lua_State* L);
int StopLevel(lua_State* L);
int DeleteLevel(lua_State* L);
int SetLevelTransportCount(lua_State* L);

// Race state.
int SetLevelTime(lua_State* L);
int SetPlaceToFinish(lua_State* L);
int SetUpdateTime(lua_State* L);
int IsRaceStarted(lua_State* L);
int SetReversed(lua_State* L);
int IsSingleMode(lua_State* L);
int IsTimeMode(lua_State* L);
int GetLevelSize(lua_State* L);
int GetCheckpointTime(lua_State* L);
int ClearLevelTimers(lua_State* L);
int SetLevelStarted(lua_State* L);
int IsLevelStarted(lua_State* L);
int IsWeather(lua_State* L);
int IsDamageMsg(lua_State* L);
int IsDarkLeft(lua_State* L);
int IsLightLeft(lua_State* L);
int GetAICount(lua_State* L);
int SetTimeBonus(lua_State* L);
int ShowCheckPoint(lua_State* L);
int ChangeCheckpointPosition(lua_State* L);
int CrossPlayerRay(lua_State* L);

// Enemies, bonuses and the super weapon.
int GetEnemyData(lua_State* L);
int AddEnemy(lua_State* L);
int GetPositionForEnemy(lua_State* L);
int GetEnemyType(lua_State* L);
int IsEnemySourceNear(lua_State* L);
int SetBonus(lua_State* L);
int SmartBomb(lua_State* L);

// The centre path.
int GetPlayerSplineAngle(lua_State* L);
int GetSplineLineCount(lua_State* L);
int GetSplineLinePoint(lua_State* L);
int GetClosestLineCenter(lua_State* L);
}
