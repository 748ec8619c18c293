// The script functions of lap records and time-attack times: the best lap
// of the race, the first lap, a level's best time-attack time, entering the
// player's best lap into a level's best-lap table, listing a table and
// writing all tables to disk, and the kill count of the race display. The
// registration tables list them.
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
int CheckPlayerRecords(lua_State* L);
int GetRecords(lua_State* L);
int SaveScore(lua_State* L);
int GetTimeBest(lua_State* L);
int GetTimeAttack(lua_State* L);
int GetBestTimeAttack(lua_State* L);
int GetBestTimeAttack2(lua_State* L);
int GetScore(lua_State* L);
}
