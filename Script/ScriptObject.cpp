// The object table: reference counting, commands and the command queue of
// script objects, object handles as text, object transforms, children,
// visibility, animations, activation and tasks.
#include "Script/ScriptBinding.h"
#include "Script/ScriptCameraBindings.h"
#include "Script/ScriptInterfaceBindings.h"
#include "Script/ScriptLoadBindings.h"
#include "Script/ScriptMediaBindings.h"
#include "Script/ScriptSystemBindings.h"
#include "Script/ScriptDrawBindings.h"
#include "Script/ScriptTables.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PCommandTarget.h"
#include "Core/PGameObject.h"
#include "Core/PHandle.h"
#include "Core/PTaskManager.h"

#include <climits>
#include <cstring>
#include <string>

namespace
{
int AddRef(lua_State* L)
{
    if (CPManagedObject* object = ScriptReadObject<CPManagedObject>(L, 1))
        object->AddRef();
    return 0;
}

int Release(lua_State* L)
{
    if (CPManagedObject* object = ScriptReadObject<CPManagedObject>(L, 1))
        object->Release();
    return 0;
}

int SendCommandByName(lua_State* L)
{
    const char* target = ScriptCheckText(L, 1);
    const char* command = ScriptCheckText(L, 2);
    const char* params = ScriptCheckText(L, 3);
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByName(target, command, params);
    return 0;
}

int SendCommandByObject(lua_State* L)
{
    CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    if (!object)
        return 0; // the texts are not even read
    const char* command = ScriptCheckText(L, 2);
    const char* params = ScriptCheckText(L, 3);
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByObject(object->GetScriptHandler(), command, params);
    return 0;
}

int SendCommandByCategory(lua_State* L)
{
    const char* category = ScriptCheckText(L, 1);
    const char* command = ScriptCheckText(L, 2);
    const char* params = ScriptCheckText(L, 3);
    if (CPCommandDispatcher* dispatcher = GetCommandDispatcher())
        dispatcher->SendCommandByCategory(category, command, params);
    return 0;
}

int SetNextCommand(lua_State* L)
{
    CPCommandTarget* target = ScriptReadObject<CPCommandTarget>(L, 1);
    lua_pushboolean(L, target && target->SetNextCommand());
    return 1;
}

int GetCurrentCommand(lua_State* L)
{
    CPCommandTarget* target = ScriptReadObject<CPCommandTarget>(L, 1);
    const CPCommand* command = target ? target->GetCurrentCommand() : nullptr;
    if (!command)
        return 0;
    lua_pushlstring(L, command->name.data(), command->name.size());
    return 1;
}

int GetCurrentParams(lua_State* L)
{
    CPCommandTarget* target = ScriptReadObject<CPCommandTarget>(L, 1);
    const std::vector<std::string>* params = target ? target->GetCurrentParams() : nullptr;
    if (!params)
        return 0;
    // One result per parameter: make room for all of them first.
    const int count = params->size() > INT_MAX / 2 ? INT_MAX / 2 : static_cast<int>(params->size());
    luaL_checkstack(L, count, "too many command parameters");
    for (int i = 0; i < count; ++i)
        lua_pushlstring(L, (*params)[i].data(), (*params)[i].size());
    return count;
}

int PointerToString(lua_State* L)
{
    const std::string text = HandleToString(ScriptReadHandle(L, 1));
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}

int StringToPointer(lua_State* L)
{
    const char* text = ScriptCheckText(L, 1);
    ScriptPushHandle(L, StringToHandle(text));
    return 1;
}

int SetPTransformation(lua_State* L)
{
    CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    if (!object)
        return 0;
    D3DXMATRIX translation;
    D3DXMATRIX rotation;
    D3DXMatrixTranslation(&translation, ScriptReadFloat(L, 2), ScriptReadFloat(L, 3), ScriptReadFloat(L, 4));
    D3DXMatrixRotationYawPitchRoll(&rotation, ScriptReadFloat(L, 5), ScriptReadFloat(L, 6), ScriptReadFloat(L, 7));
    D3DXMATRIX parent;
    D3DXMatrixMultiply(&parent, &rotation, &translation);
    object->SetParentMatrix(parent);
    object->UpdateTransform();
    return 0;
}

int GetChildObject(lua_State* L)
{
    CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    size_t length = 0;
    const char* name = ScriptCheckText(L, 2, &length);
    CPGameObject* found = nullptr;
    if (object) {
        CPGameObject::ObjectList hierarchy;
        object->CollectHierarchy(hierarchy);
        for (const CPSmartPtr<CPGameObject>& entry : hierarchy) {
            const std::string& entryName = entry->GetName();
            if (entryName.size() == length && std::memcmp(entryName.data(), name, length) == 0) {
                found = entry.Get();
                break;
            }
        }
    }
    ScriptPushObject(L, found);
    return 1;
}

int SetVisible(lua_State* L)
{
    if (CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1))
        object->SetVisible(ScriptReadBool(L, 2));
    return 0;
}

int SetCollision(lua_State* L)
{
    if (CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1))
        object->SetCollision(ScriptReadBool(L, 2));
    return 0;
}

int SetAnimation(lua_State* L)
{
    CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    const char* name = ScriptReadText(L, 2);
    const float speed = ScriptReadFloat(L, 3);
    const int32_t playCount = ScriptReadInt(L, 4);
    const int32_t reportFrame = ScriptReadInt(L, 5);
    CPCommandTarget* reportTarget = ScriptReadObject<CPCommandTarget>(L, 6);
    if (object)
        ScriptApi::PlayAnimation(*object, name, speed, playCount, reportFrame, reportTarget);
    return 0;
}

int GetParentObject(lua_State* L)
{
    CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    const CPSmartPtr<CPGameObject> parent = object ? object->GetParent() : nullptr;
    ScriptPushObject(L, parent.Get());
    return 1;
}

int ActivateObject(lua_State* L)
{
    if (CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1))
        object->Activate(ScriptReadInt(L, 2));
    return 0;
}

int KillAllTasks(lua_State*)
{
    if (CPTaskManager* tasks = GetTaskManager())
        tasks->KillAllTasks();
    return 0;
}
}

int ScriptApi::DeactivateObject(lua_State* L)
{
    if (CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1))
        object->Deactivate();
    return 0;
}

void ScriptApi::PlayAnimation(CPGameObject& object, const char* name, float speed, int32_t playCount,
                              int32_t reportFrame, CPCommandTarget* reportTarget)
{
    CPAnimationRequest request;
    request.name = name;
    request.speed = speed;
    request.loopLimit = playCount;
    request.reportTarget = reportTarget;
    request.reportFrame = reportFrame;
    request.startOffset = 0.0f;
    object.SetAnimation(request, false);
}

const luaL_reg g_ScriptObjectTable[] = {
    { "GetDeltaTime", ScriptGuard<ScriptApi::GetDeltaTime> },
    { "AddRef", ScriptGuard<AddRef> },
    { "DumpObjects", ScriptGuard<ScriptApi::DumpObjects> },
    { "Release", ScriptGuard<Release> },
    { "SendCommandByName", ScriptGuard<SendCommandByName> },
    { "SendCommandByObject", ScriptGuard<SendCommandByObject> },
    { "SendCommandByCategory", ScriptGuard<SendCommandByCategory> },
    { "SetNextCommand", ScriptGuard<SetNextCommand> },
    { "GetCurrentCommand", ScriptGuard<GetCurrentCommand> },
    { "GetCurrentParams", ScriptGuard<GetCurrentParams> },
    { "PointerToString", ScriptGuard<PointerToString> },
    { "StringToPointer", ScriptGuard<StringToPointer> },
    { "SetPTransformation", ScriptGuard<SetPTransformation> },
    { "CheckString", ScriptGuard<ScriptApi::CheckString> },
    { "GetChildObject", ScriptGuard<GetChildObject> },
    { "SetVisible", ScriptGuard<SetVisible> },
    { "SetCollision", ScriptGuard<SetCollision> },
    { "SplitString", ScriptGuard<ScriptApi::SplitString> },
    { "LoadRenderObject", ScriptGuard<ScriptApi::LoadRenderObject> },
    { "DrawDynamicObject", ScriptGuard<ScriptApi::DrawDynamicObject> },
    { "SetAnimation", ScriptGuard<SetAnimation> },
    { "GetParentObject", ScriptGuard<GetParentObject> },
    { "ActivateObject", ScriptGuard<ActivateObject> },
    { "DeactivateObject", ScriptGuard<ScriptApi::DeactivateObject> },
    { "SetFade", ScriptGuard<ScriptApi::SetFade> },
    { "LockButton", ScriptGuard<ScriptApi::LockButton> },
    { "UnlockButton", ScriptGuard<ScriptApi::UnlockButton> },
    { "KillAllTasks", ScriptGuard<KillAllTasks> },
    { "ToInt", ScriptGuard<ScriptApi::ToInt> },
    { "PlayMusic", ScriptGuard<ScriptApi::PlayMusic> },
    { nullptr, nullptr },
};
