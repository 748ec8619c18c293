// The script functions of sound effects, music and videos, and of the
// options screen (volumes, mouse setting, key assignments). The registration
// tables list them; they live here to keep the tables short.
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
// Sound effects, music and videos.
int StopSpecialSound(lua_State* L);
int PlaySpecialSound(lua_State* L);
int PlaySpecialSound3D(lua_State* L);
int IsSpecialSoundPlaying(lua_State* L);
int UpdateSoundPosition(lua_State* L);
int StopSounds(lua_State* L);
int PlayMusic(lua_State* L);
int PlayMusicNoLoop(lua_State* L);
int GetMusicName(lua_State* L);
// StopMusic and StopPlayingMusic.
int StopMusic(lua_State* L);
int PlayVideo(lua_State* L);
int PlayVideoNoSound(lua_State* L);
int PlayVideo1(lua_State* L);
int StopVideo(lua_State* L);
int StopVideo1(lua_State* L);

// Options and key assignments.
int GetSoundVolume(lua_State* L);
int SetSoundVolume(lua_State* L);
int GetMusicVolume(lua_State* L);
int SetMusicVolume(lua_State* L);
int GetMouse(lua_State* L);
int SetMouse(lua_State* L);
int GetActionNames(lua_State* L);
int SetAssignKey(lua_State* L);
int SetAction(lua_State* L);
int SaveActions(lua_State* L);
int UpdateActions(lua_State* L);
int LoadActions(lua_State* L);
int SaveLog(lua_State* L);
}
