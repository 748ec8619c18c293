// The three registration tables of the script API: the main table (menus and
// missions), the race table (what a running race and its display use) and
// the object table (engine objects and the command model). Each is an array
// of {name, function} pairs ended by a pair of nulls; the host makes every
// entry callable from scripts under its name.
#pragma once

#include <lua.hpp>

#include <cstdint>

class CPCommandTarget;
class CPGameObject;

extern const luaL_reg g_ScriptMainTable[];
extern const luaL_reg g_ScriptRaceTable[];
extern const luaL_reg g_ScriptObjectTable[];

// Functions that two tables register, under one name or two.
namespace ScriptApi
{
// DeactivateObject of the object table, DeactivateInterface of the main table.
int DeactivateObject(lua_State* L);

// Plays an animation on the object and its children, not forced, starting
// now; the target (may be null) hears "animation_stopped" and
// "animation_report". StartAnimation and SetAnimation share it.
void PlayAnimation(CPGameObject& object, const char* name, float speed, int32_t playCount, int32_t reportFrame,
                   CPCommandTarget* reportTarget);
}
