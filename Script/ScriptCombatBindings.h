// The script functions of weapons and combat: shots and explosions fired at
// points, lightning bolts a script steps itself, a vehicle's weapon choice
// and its fire and mine triggers, a debug line, and pushing dark-side
// vehicles out of a circle. The registration tables list them.
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
int Shot(lua_State* L);
int Explosion(lua_State* L);
int DirectionalExplosion(lua_State* L);
int StartLighting(lua_State* L);
int UpdateTrasser(lua_State* L);
int DrawLine(lua_State* L);
int CheckIntersection(lua_State* L);
int PlayerShot(lua_State* L);
int SetCurrentWeapon(lua_State* L);
int SetPrevWeapon(lua_State* L);
int SetNextWeapon(lua_State* L);
int SetShot(lua_State* L);
int SetMineShot(lua_State* L);
}
