// The object table: reference counting, commands and the command queue of
// script objects, object handles as text, object transforms, children,
// visibility, animations, activation and tasks.
#include "Script/ScriptBinding.h"
#include "Script/ScriptTables.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PCommandTarget.h"
#include "Core/PHandle.h"
#include "Core/PTaskManager.h"

#include <climits>
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

int KillAllTasks(lua_State*)
{
    if (CPTaskManager* tasks = GetTaskManager())
        tasks->KillAllTasks();
    return 0;
}
}

const luaL_reg g_ScriptObjectTable[] = {
    { "AddRef", ScriptGuard<AddRef> },
    { "Release", ScriptGuard<Release> },
    { "SendCommandByName", ScriptGuard<SendCommandByName> },
    { "SendCommandByCategory", ScriptGuard<SendCommandByCategory> },
    { "SetNextCommand", ScriptGuard<SetNextCommand> },
    { "GetCurrentCommand", ScriptGuard<GetCurrentCommand> },
    { "GetCurrentParams", ScriptGuard<GetCurrentParams> },
    { "PointerToString", ScriptGuard<PointerToString> },
    { "StringToPointer", ScriptGuard<StringToPointer> },
    { "KillAllTasks", ScriptGuard<KillAllTasks> },
    { nullptr, nullptr },
};
