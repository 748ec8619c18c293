// The options screen: volumes, the mouse setting and the key assignments.
#include "Script/ScriptBinding.h"
#include "Script/ScriptMediaBindings.h"

#include "Core/PGlobals.h"
#include "Interface/PActionMap.h"
#include "Sound/NSoundManager.h"
#include "Startup/PConfigVars.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace ScriptApi
{
int GetSoundVolume(lua_State* L)
{
    lua_pushnumber(L, g_CfgSoundVolume);
    return 1;
}

int SetSoundVolume(lua_State* L)
{
    const float volume = ScriptReadFloat(L, 1);
    g_CfgSoundVolume = volume;
    if (CNSoundManager* manager = GetSoundManager())
        manager->SetSoundVolume(volume);
    return 0;
}

int GetMusicVolume(lua_State* L)
{
    lua_pushnumber(L, g_CfgMusicVolume);
    return 1;
}

int SetMusicVolume(lua_State* L)
{
    const float volume = ScriptReadFloat(L, 1);
    g_CfgMusicVolume = volume;
    if (CNSoundManager* manager = GetSoundManager())
        manager->SetMusicVolume(volume);
    return 0;
}

int GetMouse(lua_State* L)
{
    lua_pushnumber(L, g_CfgMouse);
    return 1;
}

int SetMouse(lua_State* L)
{
    g_CfgMouse = ScriptReadFloat(L, 1);
    return 0;
}

int GetActionNames(lua_State* L)
{
    std::unordered_map<std::string, CPKeyBinding> bindings;
    std::vector<std::string> names;
    if (const CPActionMap* map = GetActionMap()) {
        bindings = map->actions;
        names = map->actionNames;
    }
    std::vector<ScriptValue> keys;
    std::vector<ScriptValue> labels;
    for (const std::string& name : names) {
        const auto found = bindings.find(name);
        if (found == bindings.end()) {
            keys.emplace_back("");
            labels.emplace_back("");
            continue;
        }
        const CPKeyBinding& binding = found->second;
        keys.emplace_back(binding.numeric ? std::to_string(binding.code) : binding.keyName);
        labels.emplace_back(binding.label);
    }
    lua_pushnumber(L, static_cast<lua_Number>(bindings.size()));
    ScriptPushList(L, keys, false);
    ScriptPushList(L, labels, false);
    return 3;
}

int SetAssignKey(lua_State*)
{
    if (CPActionMap* map = GetActionMap())
        map->assignMode = true;
    return 0;
}

int SetAction(lua_State* L)
{
    const std::string label = ScriptReadText(L, 1);
    const std::string key = ScriptReadText(L, 2);
    const bool flag = ScriptReadBool(L, 3);
    if (CPActionMap* map = GetActionMap())
        map->SetAction(label, key, flag);
    return 0;
}

int SaveActions(lua_State*)
{
    if (CPActionMap* map = GetActionMap())
        map->Save();
    return 0;
}

int UpdateActions(lua_State*)
{
    if (CPActionMap* map = GetActionMap())
        map->Update();
    return 0;
}

int LoadActions(lua_State* L)
{
    const std::string path = ScriptReadText(L, 1);
    if (CPActionMap* map = GetActionMap())
        map->Load(path);
    return 0;
}

int SaveLog(lua_State* L)
{
    ScriptReadText(L, 1);
    return 0;
}
}
