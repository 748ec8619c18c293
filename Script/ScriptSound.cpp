// Sound effects by name, the music player and the two video players.
#include "Script/ScriptBinding.h"
#include "Script/ScriptMediaBindings.h"

#include "Core/PGlobals.h"
#include "Core/PTaskManager.h"
#include "Render/PAVIPlayer.h"
#include "Render/PAVIPlayer1.h"
#include "Sound/NSoundManager.h"
#include "Sound/PMusic.h"

namespace
{
// The order the video players run at among the tasks.
constexpr int32_t kVideoTaskOrder = 400;

CPSmartPtr<CNSound> FindSound(const char* name)
{
    CNSoundManager* manager = GetSoundManager();
    return manager ? manager->GetSound(name) : CPSmartPtr<CNSound>();
}

// Only a Lua boolean true counts; a number does not.
bool ReadStrictBool(lua_State* L, int index)
{
    return lua_type(L, index) == LUA_TBOOLEAN && lua_toboolean(L, index) != 0;
}

void RunVideoTask(const CPSmartPtr<CPTask>& player)
{
    player->SetOrder(kVideoTaskOrder);
    if (CPTaskManager* tasks = GetTaskManager())
        tasks->AddTask(player); // refused while it runs
}

int PlayFirstVideo(lua_State* L, bool noSound)
{
    const char* name = ScriptReadText(L, 1);
    const bool loop = ScriptReadBool(L, 2);
    CPAVIPlayer* player = GetAVIPlayer();
    if (!player)
        return 0;
    const CPSmartPtr<CPTask> held(player);
    player->Play(name, noSound);
    if (loop)
        player->SetLooping(true);
    RunVideoTask(held);
    return 0;
}

void StopRunningVideo(CPAVIPlayer* player)
{
    if (player && player->IsRunning())
        player->Stop();
}
}

namespace ScriptApi
{
int StopSpecialSound(lua_State* L)
{
    const char* name = ScriptCheckText(L, 1);
    if (const CPSmartPtr<CNSound> sound = FindSound(name))
        sound->Stop();
    return 0;
}

int PlaySpecialSound(lua_State* L)
{
    const char* name = ScriptCheckText(L, 1);
    if (const CPSmartPtr<CNSound> sound = FindSound(name)) {
        if (sound->IsPlaying()) {
            sound->Stop();
            sound->Rewind();
        }
        sound->Play(0, 0);
    }
    return 0;
}

int PlaySpecialSound3D(lua_State* L)
{
    const char* name = ScriptCheckText(L, 1);
    const D3DVECTOR position = { ScriptReadFloat(L, 2), ScriptReadFloat(L, 3), ScriptReadFloat(L, 4) };
    const bool loop = ReadStrictBool(L, 5);
    const bool keep = ReadStrictBool(L, 6);
    bool started = true;
    {
        const CPSmartPtr<CNSound> sound = FindSound(name);
        if (sound) {
            CNSoundManager::SetSoundPosition(sound, position, D3DVECTOR { 0.0f, 0.0f, 0.0f });
            if (sound->IsPlaying() && keep) {
                started = false;
            } else {
                if (sound->IsPlaying()) {
                    sound->Stop();
                    sound->Rewind();
                }
                sound->Play(0, loop ? DSBPLAY_LOOPING : 0);
            }
        }
    }
    lua_pushboolean(L, started);
    return 1;
}

int IsSpecialSoundPlaying(lua_State* L)
{
    const char* name = ScriptCheckText(L, 1);
    bool playing = false;
    {
        const CPSmartPtr<CNSound> sound = FindSound(name);
        playing = sound && sound->IsPlaying();
    }
    lua_pushboolean(L, playing);
    return 1;
}

int UpdateSoundPosition(lua_State* L)
{
    const char* name = ScriptReadText(L, 1);
    const D3DVECTOR position = { ScriptReadFloat(L, 2), ScriptReadFloat(L, 3), ScriptReadFloat(L, 4) };
    D3DVECTOR velocity = { 0.0f, 0.0f, 0.0f };
    if (lua_isnumber(L, 5) && lua_isnumber(L, 6) && lua_isnumber(L, 7))
        velocity = { ScriptReadFloat(L, 5), ScriptReadFloat(L, 6), ScriptReadFloat(L, 7) };
    // A name no sound carries changes nothing.
    if (const CPSmartPtr<CNSound> sound = FindSound(name))
        CNSoundManager::SetSoundPosition(sound, position, velocity);
    return 0;
}

int StopSounds(lua_State*)
{
    if (CNSoundManager* manager = GetSoundManager())
        manager->StopAllSounds();
    return 0;
}

int PlayMusic(lua_State* L)
{
    const char* name = ScriptReadText(L, 1);
    // The host's music task runs the new file from the next frame.
    if (CPMusic* music = GetMusic())
        music->Play(name, true);
    return 0;
}

int PlayMusicNoLoop(lua_State* L)
{
    const char* name = ScriptReadText(L, 1);
    if (CPMusic* music = GetMusic()) {
        music->Play(name, false);
        music->Start();
    }
    return 0;
}

int GetMusicName(lua_State* L)
{
    const CPMusic* music = GetMusic();
    if (music)
        lua_pushlstring(L, music->GetName().data(), music->GetName().size());
    else
        lua_pushstring(L, "");
    return 1;
}

int StopMusic(lua_State*)
{
    if (CPMusic* music = GetMusic())
        music->Stop();
    return 0;
}

int PlayVideo(lua_State* L)
{
    return PlayFirstVideo(L, false);
}

int PlayVideoNoSound(lua_State* L)
{
    return PlayFirstVideo(L, true);
}

int PlayVideo1(lua_State* L)
{
    const char* name = ScriptCheckText(L, 1);
    CPAVIPlayer* player = GetAVIPlayer1();
    if (!player)
        return 0;
    const CPSmartPtr<CPTask> held(player);
    player->Play1(name);
    player->SetLooping(true);
    RunVideoTask(held);
    return 0;
}

int StopVideo(lua_State*)
{
    StopRunningVideo(GetAVIPlayer());
    return 0;
}

int StopVideo1(lua_State*)
{
    StopRunningVideo(GetAVIPlayer1());
    return 0;
}
}
