#include "Script/ScriptInterfaceBindings.h"

#include "Core/PGlobals.h"
#include "Interface/PEditBox.h"
#include "Interface/PInterface.h"
#include "Interface/PWindow.h"
#include "Race/PCamera.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Render/PPerspectiveCamera.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Script/ScriptBinding.h"
#include "Startup/PConfigVars.h"
#include "Startup/PLauncher.h"

#include <algorithm>

namespace
{
constexpr int32_t kInterfaceOrder = 450;
constexpr float kInterfaceRayLength = 100000.0f;

CPInterface* ReadInterface(lua_State* L, int index)
{
    return ScriptReadObject<CPInterface>(L, index);
}

template <class T>
T* Find(const std::unordered_map<std::string, CPSmartPtr<T>>& map, const char* name)
{
    const auto found = map.find(name);
    return found == map.end() ? nullptr : found->second.Get();
}

CPWindow* FindWindow(lua_State* L)
{
    CPInterface* screen = ReadInterface(L, 1);
    return screen ? Find(screen->windows, ScriptReadText(L, 2)) : nullptr;
}

CPTextEntry* FindText(lua_State* L)
{
    CPInterface* screen = ReadInterface(L, 1);
    if (!screen)
        return nullptr;
    const auto found = screen->texts.find(ScriptReadText(L, 2));
    return found == screen->texts.end() ? nullptr : &found->second;
}

CPEditBox* FindEditBox(lua_State* L)
{
    CPInterface* screen = ReadInterface(L, 1);
    return screen ? Find(screen->editBoxes, ScriptReadText(L, 2)) : nullptr;
}

void Render(const CPTextEntry& entry, const std::string& font, const std::string& text)
{
    if (CPTextManager* manager = GetTextManager())
        manager->GetTextObject(entry.object, entry.x, entry.y, font, text);
}

int PushPair(lua_State* L, float x, float y)
{
    lua_pushnumber(L, x);
    lua_pushnumber(L, y);
    return 2;
}

int WindowPosition(lua_State* L)
{
    const CPWindow* window = FindWindow(L);
    return window ? PushPair(L, window->x, window->y) : PushPair(L, -1.0f, -1.0f);
}

// Mouse-out for the current button when it is one of the buttons, and no
// current button after it.
void DropCurrentButton(CPInterface& screen)
{
    if (std::find(screen.buttons.begin(), screen.buttons.end(), screen.currentButton) == screen.buttons.end())
        return;
    screen.currentButton->OnMouseOut(0.0f, 0.0f);
    screen.currentButton = nullptr;
}
}

int ScriptApi::CreateInterface(lua_State* L)
{
    const std::string name = ScriptReadText(L, 1);
    const int32_t layerOffset = ScriptReadInt(L, 2);
    CPInterface* screen = new CPInterface();
    screen->AddRef();
    screen->Load(name, layerOffset);
    ScriptPushObject(L, screen);
    return 1;
}

int ScriptApi::ActivateInterface(lua_State* L)
{
    if (CPInterface* screen = ReadInterface(L, 1))
        screen->Activate(kInterfaceOrder);
    return 0;
}

int ScriptApi::SilentActivateInterface(lua_State* L)
{
    if (CPInterface* screen = ReadInterface(L, 1))
        screen->SilentActivate(kInterfaceOrder);
    return 0;
}

int ScriptApi::UpdateInterface(lua_State* L)
{
    if (CPInterface* screen = ReadInterface(L, 1))
        screen->Draw();
    return 0;
}

int ScriptApi::UpdateInterfaceBuffers(lua_State* L)
{
    if (CPInterface* screen = ReadInterface(L, 1))
        screen->UpdateBuffers();
    return 0;
}

int ScriptApi::SetWindowVisible(lua_State* L)
{
    if (CPInterface* screen = ReadInterface(L, 1))
        screen->ShowWindow(ScriptReadText(L, 2), ScriptReadBool(L, 3));
    return 0;
}

int ScriptApi::SetWindowPosition(lua_State* L)
{
    if (CPInterface* screen = ReadInterface(L, 1))
        screen->SetWindowPos(ScriptReadText(L, 2), ScriptReadFloat(L, 3), ScriptReadFloat(L, 4));
    return 0;
}

int ScriptApi::SetWindowPositionShop(lua_State* L)
{
    if (CPWindow* window = FindWindow(L)) {
        window->x = ScriptReadFloat(L, 3) - 0.5f;
        window->y = ScriptReadFloat(L, 4) - 0.5f;
    }
    return 0;
}

int ScriptApi::SetWindowSize(lua_State* L)
{
    if (CPWindow* window = FindWindow(L))
        window->SetSize(ScriptReadFloat(L, 3), ScriptReadFloat(L, 4));
    return 0;
}

int ScriptApi::GetWindowPosition(lua_State* L)
{
    return WindowPosition(L);
}

int ScriptApi::GetWindowPositionRace(lua_State* L)
{
    return WindowPosition(L);
}

int ScriptApi::SetTextPosition(lua_State* L)
{
    if (CPInterface* screen = ReadInterface(L, 1))
        screen->SetTextPos(ScriptReadText(L, 2), ScriptReadFloat(L, 3), ScriptReadFloat(L, 4));
    return 0;
}

int ScriptApi::GetTextPosition(lua_State* L)
{
    const CPTextEntry* entry = FindText(L);
    return entry ? PushPair(L, entry->x, entry->y) : PushPair(L, -1.0f, -1.0f);
}

int ScriptApi::SetText(lua_State* L)
{
    if (g_ExitFlag)
        return 0;
    if (CPInterface* screen = ReadInterface(L, 1))
        screen->SetTextValue(ScriptReadText(L, 2), ScriptReadText(L, 3));
    return 0;
}

int ScriptApi::SetTextString(lua_State* L)
{
    if (g_ExitFlag)
        return 0;
    if (CPTextEntry* entry = FindText(L)) {
        const std::string key = ScriptReadText(L, 3);
        entry->text = g_GameData ? g_GameData->GetDisplayText(key) : std::string();
        Render(*entry, entry->font, entry->text);
    }
    return 0;
}

int ScriptApi::SetFont(lua_State* L)
{
    if (const CPTextEntry* entry = FindText(L))
        Render(*entry, ScriptReadText(L, 3), ScriptReadText(L, 4));
    return 0;
}

int ScriptApi::SetFontString(lua_State* L)
{
    if (const CPTextEntry* entry = FindText(L)) {
        const std::string key = ScriptReadText(L, 4);
        Render(*entry, ScriptReadText(L, 3), g_GameData ? g_GameData->GetDisplayText(key) : std::string());
    }
    return 0;
}

int ScriptApi::SetEditBoxText(lua_State* L)
{
    if (CPEditBox* box = FindEditBox(L))
        box->SetText(ScriptReadText(L, 3));
    return 0;
}

int ScriptApi::EditBoxProcessKey(lua_State* L)
{
    const int32_t key = ScriptReadInt(L, 3) & 0xFF;
    if (key == 168 || key == 184)
        return 0;
    if (CPEditBox* box = FindEditBox(L))
        box->ProcessKey(key);
    return 0;
}

int ScriptApi::EditBoxTextLength(lua_State* L)
{
    if (!ReadInterface(L, 1))
        return 0;
    const CPEditBox* box = FindEditBox(L);
    lua_pushnumber(L, box ? static_cast<lua_Number>(box->text.size()) : 0);
    return 1;
}

int ScriptApi::GetEditBoxText(lua_State* L)
{
    const CPInterface* screen = ReadInterface(L, 1);
    if (!screen)
        return 0;
    const std::string text = screen->GetEditBoxText(ScriptReadText(L, 2));
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}

int ScriptApi::SetCursor(lua_State* L)
{
    if (CPInterface* screen = ReadInterface(L, 1))
        screen->SelectCursor(ScriptReadText(L, 2));
    return 0;
}

int ScriptApi::SetCursorRace(lua_State* L)
{
    const std::string name = ScriptCheckText(L, 2);
    if (CPInterface* screen = ReadInterface(L, 1))
        screen->SelectCursor(name);
    return 0;
}

int ScriptApi::GetCursor(lua_State* L)
{
    const CPInterface* screen = ReadInterface(L, 1);
    if (!screen)
        return 0;
    lua_pushlstring(L, screen->cursorName.data(), screen->cursorName.size());
    return 1;
}

int ScriptApi::DeselectCurrentButton(lua_State* L)
{
    if (CPInterface* screen = ReadInterface(L, 1))
        DropCurrentButton(*screen);
    return 0;
}

int ScriptApi::LockButton(lua_State* L)
{
    CPInterface* screen = ReadInterface(L, 1);
    CPWindow* button = FindWindow(L);
    if (!screen || !button)
        return 0;
    button->SetEnabled(false);
    if (screen->currentButton == button) {
        screen->currentButton->OnMouseOut(0.0f, 0.0f);
        screen->currentButton = nullptr;
    }
    return 0;
}

int ScriptApi::UnlockButton(lua_State* L)
{
    if (CPWindow* button = FindWindow(L))
        button->SetEnabled(true);
    return 0;
}

int ScriptApi::IMenuRight(lua_State*)
{
    MenuRight();
    return 0;
}

int ScriptApi::IMenuLeft(lua_State*)
{
    MenuLeft();
    return 0;
}

int ScriptApi::CrossInterfaceRay(lua_State* L)
{
    const float fx = ScriptReadFloat(L, 1);
    const float fy = ScriptReadFloat(L, 2);
    CPLevel* level = GetLevel();
    const CPSmartPtr<CPCamera> chase = level ? level->GetCamera() : CPSmartPtr<CPCamera>();
    const CPSmartPtr<CPPerspectiveCamera> camera = chase ? chase->GetMainCamera() : CPSmartPtr<CPPerspectiveCamera>();
    if (!camera)
        return 0;

    // The screen point on the far plane, back in world space.
    const D3DXVECTOR4 screen(2.0f * fx - 1.0f, 1.0f - 2.0f * fy, 1.0f, 1.0f);
    D3DXVECTOR4 world;
    D3DXVec4Transform(&world, &screen, &camera->GetInverseViewProjection());
    const D3DXVECTOR3& eye = camera->m_eye;
    const D3DXVECTOR4 away(world.x / world.w - eye.x, world.y / world.w - eye.y, world.z / world.w - eye.z,
                           world.w - 1.0f);
    D3DXVECTOR4 d;
    D3DXVec4Normalize(&d, &away);

    CPRayQuery query;
    query.origin = eye;
    query.direction = D3DXVECTOR3(d.x, d.y, d.z);
    query.distance = kInterfaceRayLength;
    const bool hit = level->CrossRay(query);
    lua_pushboolean(L, hit);
    ScriptPushObject(L, query.hitObject.Get());
    lua_pushnumber(L, eye.x - d.x * eye.z / d.z);
    lua_pushnumber(L, eye.y - d.y * eye.z / d.z);
    lua_pushnumber(L, 0);
    return 5;
}

int ScriptApi::GetScreenSize(lua_State* L)
{
    lua_pushnumber(L, g_CfgScreenWidth);
    lua_pushnumber(L, g_CfgScreenHeight);
    return 2;
}

int ScriptApi::GetCurrentResolution(lua_State* L)
{
    lua_pushnumber(L, g_CfgScreenWidth);
    return 1;
}

int ScriptApi::InitWarning(lua_State* L)
{
    const int32_t percent = ScriptReadInt(L, 1);
    if (CPRender* render = GetRender())
        render->DrawLoadingScreen(percent);
    return 0;
}
