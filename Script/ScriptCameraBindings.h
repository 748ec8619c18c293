// Bindings of what the player sees: the chase camera's views, orbit, look-at
// point, yaw and field of view, the menus' screen-space camera, the level's
// light, the blurs, the light coefficient and the fade, and the tuning
// editor that steps one physical parameter of the followed vehicle's car.
// Those that need a level, a chase camera or a followed car do nothing and
// push nothing without one (ChangeGameCamera pushes -1 without a level).
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
int SetDefaultCamera(lua_State* L);
int ChangeGameCamera(lua_State* L);
int SetCameraPlayer(lua_State* L);
int GetCameraPlayer(lua_State* L);
int SetCamera(lua_State* L);
int SetCameraPos(lua_State* L);
int SetCameraZAngle(lua_State* L);
int GetCameraZAngle(lua_State* L);
int GetCameraPositions(lua_State* L);
int SetFOV(lua_State* L);
int GetFov1(lua_State* L);
int GetFov2(lua_State* L);
int CheckVisible(lua_State* L);
int GetLight(lua_State* L);
int SetLight(lua_State* L);
int SetLightCoeff(lua_State* L);
int SetMotionBlur(lua_State* L);
int SetRadialBlur(lua_State* L);
int SetFade(lua_State* L);
int GetBrightness(lua_State* L);
// No effect; registered as SetBrightness and as DumpAIInfo.
int SetBrightness(lua_State* L);
// Reads its three numbers; no effect.
int SetLensFlare(lua_State* L);
int Pup(lua_State* L);
int Pdown(lua_State* L);
int Pleft(lua_State* L);
int Pright(lua_State* L);
}
