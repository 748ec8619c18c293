// The script functions of the system services (web addresses and documents,
// file tests, image sizes), the clocks and the global timer, the scratch
// value, the text and number utilities, and the race display's score
// queries. The registration tables list them.
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
// Addresses, documents and files.
int GoURLlink(lua_State* L);
int GoURL(lua_State* L);
int IsFileExists(lua_State* L);
int GetTextureSize(lua_State* L);

// Clocks and the global timer. ClearTimer is also ClearGlobalTimer.
int ClearTimer(lua_State* L);
int SetActions(lua_State* L);
int StartGlobalTimer(lua_State* L);
int StopGlobalTimer(lua_State* L);
int GetDeltaTime(lua_State* L);
int GetFullTime(lua_State* L);

// The scratch value.
int SetTemp(lua_State* L);
int GetTemp(lua_State* L);

// Text and numbers.
int CheckString(lua_State* L);
int SplitString(lua_State* L);
int ToInt(lua_State* L);
int DumpObjects(lua_State* L);

// Score queries of the race display.
int AddScore(lua_State* L);
int IsInTable(lua_State* L);
int SetScoreLine(lua_State* L);
int GetScoreLine(lua_State* L);
}
