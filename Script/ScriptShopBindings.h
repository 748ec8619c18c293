// The script functions of the shop: what an item of a catalogue is, which
// items the shop offers at the current mission, whether a name is any
// catalogue's item, and the vehicle set-up being edited and the one the
// race uses. The registration tables list them.
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
// Display text, numbers, description text and level of a named item.
int GetWeaponInfo(lua_State* L);
int GetMineInfo(lua_State* L);
int GetSuperWeaponInfo(lua_State* L);
int GetBumperInfo(lua_State* L);
int GetEquipmentInfo(lua_State* L);
int GetArmorInfo(lua_State* L);
int GetEngineInfo(lua_State* L);

// The count and names of the items on offer, less those fitted.
int GetWeaponNames(lua_State* L);
int GetMineNames(lua_State* L);
int GetSuperWeaponNames(lua_State* L);
int GetBumperNames(lua_State* L);
int GetEquipmentNames(lua_State* L);
int GetArmorNames(lua_State* L);
int GetEngineNames(lua_State* L);

int IsValidGameDataName(lua_State* L);
int GetCarInfo(lua_State* L);
int GetRealCarInfo(lua_State* L);
int SetCarInfo(lua_State* L);
int CommitCarSettings(lua_State* L);
int GetActiveCar(lua_State* L);
}
