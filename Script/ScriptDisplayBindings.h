// Bindings of the in-race display: the head-up screen's weapon, charge,
// health, mine, ammunition, equipment, clock, heat, kill and score elements,
// the standings of the result panel, the radar, the speedometer needle and
// a vehicle's health bar. The screen is the handle CreateInterface gave; a
// nil screen, or a missing level for those that read the race, makes a
// binding do nothing and push nothing.
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
int UpdateGameInterface(lua_State* L);
int InitGameInterface(lua_State* L);
int UpdateTime(lua_State* L);
int UpdateScore(lua_State* L);
int EngineState(lua_State* L);
int SetPlayersPanel(lua_State* L);
int GetAIPositions(lua_State* L);
int GetPlayerMapPosition(lua_State* L);
int CreateArrow(lua_State* L);
int DrawArrow(lua_State* L);
int GetHelthBarCoord(lua_State* L);
}
