#include "Script/ScriptSystemBindings.h"

#include "Script/ScriptBinding.h"

#include "Core/PFileReader.h"
#include "Core/PGameHost.h"
#include "Core/PGlobalTimer.h"
#include "Core/PGlobals.h"
#include "Core/PTaskManager.h"
#include "Core/PTokenizer.h"
#include "Interface/PActionMap.h"
#include "Platform/D3DX9Tex.h"
#include "Platform/GamePath.h"
#include "Platform/Shell.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Render/PRender.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
// Whether the game file can be opened for reading (it is closed again).
bool CanOpen(const char* path)
{
    FILE* file = GamePath::GameFOpen(path, "rb");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

// Hands the target to the shell's "open". A script address never starts a
// program: an executable target is refused before the shell sees it.
void OpenWithShell(const char* target)
{
    if (PlatformShell::StartsProgram(target))
        return;
    ShellExecuteA(nullptr, "open", target, "", "", SW_SHOWNORMAL);
}

// Width and height of the image in the file; 0, 0 when it cannot be read or
// decoded.
void ImageSize(const char* name, UINT& width, UINT& height)
{
    width = 0;
    height = 0;
    CPFileReader file(name);
    if (FAILED(file.Load()))
        return;
    IDirect3DDevice9* device = g_Render ? g_Render->m_device : nullptr;
    D3DXIMAGE_INFO info {};
    IDirect3DTexture9* texture = nullptr;
    const HRESULT result = D3DXCreateTextureFromFileInMemoryEx(
        device, file.GetData(), static_cast<UINT>(file.GetSize()), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture);
    if (FAILED(result))
        return;
    if (texture)
        texture->Release();
    width = info.Width;
    height = info.Height;
}

std::vector<std::string> Split(const char* text, const char* separator)
{
    std::vector<std::string> tokens;
    CPTokenizer tokenizer(text, separator, 1);
    std::string token;
    while (tokenizer.NextToken(token))
        tokens.push_back(token);
    return tokens;
}
}

namespace ScriptApi
{
int GoURLlink(lua_State* L)
{
    OpenWithShell(ScriptCheckText(L, 1));
    return 0;
}

int GoURL(lua_State* L)
{
    const char* path = ScriptCheckText(L, 1);
    if (CanOpen(path))
        OpenWithShell(path);
    return 0;
}

int IsFileExists(lua_State* L)
{
    lua_pushboolean(L, CanOpen(ScriptCheckText(L, 1)));
    return 1;
}

int GetTextureSize(lua_State* L)
{
    const char* name = ScriptCheckText(L, 1);
    UINT width = 0;
    UINT height = 0;
    ImageSize(name, width, height);
    lua_pushnumber(L, width);
    lua_pushnumber(L, height);
    return 2;
}

int ClearTimer(lua_State*)
{
    g_FrameTime = 0.0f;
    return 0;
}

int SetActions(lua_State* L)
{
    const bool enabled = ScriptReadBool(L, 1);
    if (CPActionMap* actions = GetActionMap())
        actions->enabled = enabled;
    g_FrameTime = 0.0f;
    return 0;
}

int StartGlobalTimer(lua_State*)
{
    CPGlobalTimer* timer = GetGlobalTimer();
    if (timer && g_TaskManager)
        g_TaskManager->AddTask(timer);
    return 0;
}

int StopGlobalTimer(lua_State*)
{
    CPGlobalTimer* timer = GetGlobalTimer();
    if (!timer)
        return 0;
    timer->Stop();
    g_FrameTime = 0.0f;
    return 0;
}

int GetDeltaTime(lua_State* L)
{
    lua_pushnumber(L, g_FrameTime);
    return 1;
}

int GetFullTime(lua_State* L)
{
    lua_pushnumber(L, g_FullTime);
    return 1;
}

int SetTemp(lua_State* L)
{
    g_ScratchValue = ScriptReadFloat(L, 1);
    return 0;
}

int GetTemp(lua_State* L)
{
    lua_pushnumber(L, g_ScratchValue);
    return 1;
}

// The checked read turns a number into its text in place; the script gets
// back its last argument, which is then that text when only one was given.
int CheckString(lua_State* L)
{
    ScriptCheckText(L, 1);
    return 1;
}

int SplitString(lua_State* L)
{
    const char* text = ScriptCheckText(L, 1);
    const char* separator = ScriptCheckText(L, 2);
    const std::vector<std::string> tokens = Split(text, separator);
    int pushed = 0;
    for (const std::string& token : tokens) {
        if (!lua_checkstack(L, 1))
            break;
        lua_pushlstring(L, token.data(), token.size());
        ++pushed;
    }
    return pushed;
}

int ToInt(lua_State* L)
{
    lua_pushnumber(L, ScriptReadInt(L, 1));
    return 1;
}

int DumpObjects(lua_State*)
{
    return 0;
}

// The script gets its own argument back; with none, nil.
int AddScore(lua_State* L)
{
    if (lua_gettop(L) == 0) {
        lua_pushnil(L);
        return 1;
    }
    ScriptReadNumber(L, 1);
    return 1;
}

int IsInTable(lua_State* L)
{
    ScriptReadNumber(L, 1);
    lua_pushboolean(L, 0);
    return 1;
}

int SetScoreLine(lua_State* L)
{
    ScriptReadText(L, 1);
    ScriptReadNumber(L, 2);
    ScriptReadNumber(L, 3);
    return 0;
}

// No score lines are kept: every index gives an empty name and 0.
int GetScoreLine(lua_State* L)
{
    const int32_t index = ScriptReadInt(L, 1);
    const CPGameData* data = GetGameData();
    const std::string line = data ? data->GetScoreLine(index) : std::string();
    lua_pushlstring(L, line.data(), line.size());
    lua_pushnumber(L, 0);
    return 2;
}
}
