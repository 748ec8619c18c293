// The three registration tables of the script API: the main table (menus and
// missions), the race table (what a running race and its display use) and
// the object table (engine objects and the command model). Each is an array
// of {name, function} pairs ended by a pair of nulls; the host makes every
// entry callable from scripts under its name.
#pragma once

#include <lua.hpp>

extern const luaL_reg g_ScriptMainTable[];
extern const luaL_reg g_ScriptRaceTable[];
extern const luaL_reg g_ScriptObjectTable[];
