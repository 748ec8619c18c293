// Calls the registered script functions with argument lists the input
// chooses: numbers of every kind, texts, booleans, tables, functions, full
// userdata and handles that name live objects, nothing, destroyed objects,
// an id never given or an object's address instead of its id. Every call
// runs under lua_pcall: a Lua error is fine, a crash or a sanitizer report is
// not. The host over an empty game root is made once; after each input the
// level and the objects the input made end, and the host's objects are put
// back as the input found them (commands read, queued bodies dropped, the
// enemy registry restored, the tasks it listed dropped, the files it wrote
// removed).
#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Core/PManagedObject.h"
#include "Core/PTaskManager.h"
#include "Host/PGameHost.h"
#include "Host/PHostFrame.h"
#include "Host/PHostDraw.h"
#include "Host/PScriptObject.h"
#include "Platform/GamePath.h"
#include "Race/PEnemyRegistry.h"
#include "Race/PGameData.h"
#include "Race/PLevel.h"
#include "Render/PRender.h"
#include "Script/ScriptBinding.h"
#include "Script/ScriptTables.h"
#include "fuzz/HostInput.h"
#include "fuzz/InputObjects.h"
#include "tests/ScratchRoot.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace
{
struct Reader
{
    const uint8_t* data;
    size_t size;
    size_t position = 0;

    bool More() const { return position < size; }
    uint8_t Byte() { return position < size ? data[position++] : 0; }
};

class Probe : public CPManagedObject
{
public:
    int32_t GetObjectSize() const override { return sizeof(Probe); }
    std::string GetTypeName() const override { return "Probe"; }
};

std::vector<const luaL_reg*> AllFunctions()
{
    std::vector<const luaL_reg*> all;
    for (const luaL_reg* table : { g_ScriptMainTable, g_ScriptRaceTable, g_ScriptObjectTable }) {
        for (; table->name; ++table)
            all.push_back(table);
    }
    return all;
}

const char* const kTexts[] = { "", "main", "gamemenu", "game_interface", "jeep", "interface", "level",
                               "a,b,\"c,d\"", "1234", "-2.7", "abc", "root", "child", "grandchild" };

void PushArgument(lua_State* L, Reader& in, const std::vector<uint64_t>& handles)
{
    const uint8_t kind = in.Byte();
    switch (kind % 12) {
    case 0:
        lua_pushnil(L);
        break;
    case 1:
        lua_pushboolean(L, kind & 0x10);
        break;
    case 2: {
        const double numbers[] = { 0.0, -2.7, 2.9, 1e20, -1e20, std::numeric_limits<double>::infinity(),
                                   std::nan(""), 4294967296.5, -0.0, 65535.0, 1e-30, 128.0 };
        lua_pushnumber(L, numbers[in.Byte() % 12]);
        break;
    }
    case 3:
        lua_pushnumber(L, static_cast<int8_t>(in.Byte()) / 4.0);
        break;
    case 4:
        lua_pushstring(L, kTexts[in.Byte() % (sizeof(kTexts) / sizeof(kTexts[0]))]);
        break;
    case 5: {
        const size_t length = in.Byte() % 8;
        char bytes[8];
        for (size_t i = 0; i < length; ++i)
            bytes[i] = static_cast<char>(in.Byte());
        lua_pushlstring(L, bytes, length);
        break;
    }
    case 6:
        lua_newtable(L);
        break;
    case 7:
        lua_pushcfunction(L, [](lua_State*) { return 0; });
        break;
    case 8:
        std::memset(lua_newuserdata(L, 64), 0, 64);
        break;
    default:
        ScriptPushHandle(L, handles[in.Byte() % handles.size()]);
        break;
    }
}

// What the host holds before any input: its tasks and the files under the
// game root.
struct HostState
{
    std::vector<const CPTask*> tasks;
    std::set<std::filesystem::path> files;
};

std::set<std::filesystem::path> FilesUnder(const std::string& root)
{
    std::set<std::filesystem::path> files;
    std::error_code error;
    for (auto item = std::filesystem::recursive_directory_iterator(root, error);
         !error && item != std::filesystem::recursive_directory_iterator(); item.increment(error))
        files.insert(item->path());
    return files;
}

HostState ReadHostState(const std::string& root)
{
    HostState state;
    if (CPTaskManager* tasks = GetTaskManager()) {
        for (const CPSmartPtr<CPTask>& task : tasks->GetTasks())
            state.tasks.push_back(task.Get());
    }
    state.files = FilesUnder(root);
    return state;
}

// Drops the tasks the input listed (a video it started) and removes the
// files it wrote (a saved game), with the path layer's record of them, so
// that no input finds what an earlier one left and the host's memory stays
// flat.
void DropInputTasksAndFiles(const std::string& root, const HostState& before)
{
    if (CPTaskManager* tasks = GetTaskManager()) {
        for (auto task = tasks->GetTasks().begin(); task != tasks->GetTasks().end();) {
            if (std::find(before.tasks.begin(), before.tasks.end(), task->Get()) == before.tasks.end())
                task = tasks->RemoveTask(task);
            else
                ++task;
        }
    }
    bool removed = false;
    for (const std::filesystem::path& file : FilesUnder(root)) {
        if (before.files.count(file) == 0) {
            std::error_code ignored;
            removed = std::filesystem::remove_all(file, ignored) > 0 || removed;
        }
    }
    if (removed)
        GamePath::InvalidateCache();
}

// Puts the host's long-lived objects back as the input found them, so that
// they name nothing the input made.
void Reset(CPGameHost& host, const CPEnemyRegistry& enemies)
{
    if (CPLevel* level = GetLevel())
        delete level;
    if (CPRender* render = GetRender())
        EmptyHostBatches(*render);
    if (CPGameData* data = GetGameData())
        data->m_bonuses.clear();
    fuzz::ClearLevelTraces(host);
    if (CPEnemyRegistry* registry = GetEnemyRegistry())
        *registry = enemies;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchRoot root;
    static const std::vector<const luaL_reg*> functions = AllFunctions();
    // Never destroyed: the engine's lists it holds may still name objects
    // that ended with their input.
    static CPGameHost& host = *new CPGameHost(root.Path());
    static const CPEnemyRegistry enemies = GetEnemyRegistry() ? *GetEnemyRegistry() : CPEnemyRegistry();
    static const HostState before = ReadHostState(root.Path());
    if (functions.empty())
        return 0;
    lua_State* L = host.GetLuaState();
    fuzz::InputObjects objects;

    // Handles: a small object tree with a handler, live script objects, a
    // live object of another class, null, destroyed objects (a game object
    // and another), a live object's address and a forged number.
    CPScriptObject* jeep = host.GetScriptObject("jeep");
    CPGameObject* tree = host.NewObject("root", nullptr, jeep);
    CPGameObject* child = host.NewObject("child", tree);
    CPGameObject* grandchild = host.NewObject("grandchild", child, jeep);
    CPGameObject* gone = host.NewObject("gone", child);
    const uint64_t goneId = gone->GetId();
    host.DeleteObject(gone);
    Probe probe;
    Probe* freed = new Probe;
    const uint64_t freedId = freed->GetId();
    delete freed;
    const std::vector<uint64_t> handles = {
        tree->GetId(),
        child->GetId(),
        grandchild->GetId(),
        goneId,
        jeep->GetId(),
        host.GetScriptObject("main")->GetId(),
        host.GetScriptObject("gamemenu")->GetId(),
        probe.GetId(),
        0,
        freedId,
        reinterpret_cast<uintptr_t>(&probe),
        probe.GetId() + 0x1234,
    };

    Reader in { data, size };
    for (int call = 0; call < 64 && in.More(); ++call) {
        const uint8_t choice = in.Byte();
        if (choice == 0xFF) {
            RunFrame(0.02f);
            continue;
        }
        const luaL_reg* entry = functions[choice % functions.size()];
        lua_settop(L, 0);
        lua_pushcfunction(L, entry->func);
        const int count = in.Byte() % 8;
        for (int i = 0; i < count; ++i)
            PushArgument(L, in, handles);
        lua_pcall(L, count, LUA_MULTRET, 0);
    }
    lua_settop(L, 0);
    lua_gc(L, LUA_GCCOLLECT, 0);

    Reset(host, enemies);
    DropInputTasksAndFiles(root.Path(), before);
    for (CPGameObject* object : { grandchild, child, tree })
        host.DeleteObject(object);
    fuzz::KeepLayerCameras(objects);
    objects.End();
    Reset(host, enemies);
    return 0;
}
