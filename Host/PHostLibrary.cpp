#include "Host/PHostLibrary.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Core/PTaskManager.h"
#include "Core/PUtils.h"
#include "Host/PGameHost.h"
#include "Host/PHostDump.h"
#include "Host/PHostEnemies.h"
#include "Host/PHostFrame.h"
#include "Host/PHostInput.h"
#include "Host/PHostRaceState.h"
#include "Host/PScriptObject.h"
#include "Platform/CRand.h"
#include "Platform/Clock.h"
#include "Platform/GamePath.h"
#include "Platform/Shell.h"
#include "Race/PLevel.h"
#include "Script/ScriptBinding.h"
#include "Vehicles/PPlayer.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

namespace
{
const char* const kHostTable = "HOST";

// Every HOST function is a closure over the host (upvalue 1) and its name as
// scripts call it, "HOST.frame" (upvalue 2). Lua names a function in an
// argument error from the call site, which gives '?' through pcall; the
// checks below name it from the closure instead, however it was called.
CPGameHost& Host(lua_State* L)
{
    return *static_cast<CPGameHost*>(lua_touserdata(L, lua_upvalueindex(1)));
}

// Lua's argument error, "bad argument #2 to 'HOST.script' (reason)", with the
// caller's position in front as Lua puts it.
int ArgError(lua_State* L, int index, const char* reason)
{
    return luaL_error(L, "bad argument #%d to '%s' (%s)", index, lua_tostring(L, lua_upvalueindex(2)), reason);
}

int TypeError(lua_State* L, int index, const char* expected)
{
    return ArgError(L, index, lua_pushfstring(L, "%s expected, got %s", expected, luaL_typename(L, index)));
}

// A number or a numeric string, as luaL_checknumber takes it.
double CheckNumber(lua_State* L, int index)
{
    const double value = lua_tonumber(L, index);
    if (value == 0.0 && !lua_isnumber(L, index))
        TypeError(L, index, "number");
    return value;
}

// Truncated toward zero, as the engine's functions truncate.
int32_t CheckInt(lua_State* L, int index)
{
    return TruncateToInt(CheckNumber(L, index));
}

// A string or a number as its text, as luaL_checklstring takes it.
const char* CheckText(lua_State* L, int index, size_t* length = nullptr)
{
    const char* text = lua_tolstring(L, index, length);
    if (!text)
        TypeError(L, index, "string");
    return text;
}

WORD CheckWord(lua_State* L, int index)
{
    const int32_t value = CheckInt(L, index);
    return static_cast<WORD>(value < 0 ? 0 : value > 0xFFFF ? 0xFFFF : value);
}

// A whole number from 0 to 2^32 - 1; NaN gives 0, others the nearest limit.
uint32_t CheckUnsigned(lua_State* L, int index)
{
    const double value = CheckNumber(L, index);
    if (!(value > 0.0))
        return 0;
    if (value >= 4294967295.0)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(value);
}

// A time that is negative, NaN or infinite (or becomes so as a float) would run the
// clocks back or leave them NaN for the rest of the run; a count must be a whole
// number of 0 or more. Either is refused before any frame runs.
int Frame(lua_State* L)
{
    const double seconds = CheckNumber(L, 1);
    if (!(seconds >= 0.0 && seconds <= std::numeric_limits<float>::max()))
        return ArgError(L, 1, "frame time must be a finite number of 0 or more");
    int32_t count = 1;
    if (!lua_isnoneornil(L, 2)) {
        const double wanted = CheckNumber(L, 2);
        if (!(wanted >= 0.0 && wanted <= 2147483647.0) || wanted != std::floor(wanted))
            return ArgError(L, 2, "frame count must be a whole number of 0 or more");
        count = static_cast<int32_t>(wanted);
    }
    const float frameTime = static_cast<float>(seconds);
    for (int32_t i = 0; i < count; ++i)
        RunFrame(frameTime);
    return 0;
}

int SetTimeMs(lua_State* L)
{
    PlatformClock::SetTime(CheckUnsigned(L, 1));
    return 0;
}

int SetLocalTime(lua_State* L)
{
    SYSTEMTIME time {};
    time.wYear = CheckWord(L, 1);
    time.wMonth = CheckWord(L, 2);
    time.wDayOfWeek = CheckWord(L, 3);
    time.wDay = CheckWord(L, 4);
    time.wHour = CheckWord(L, 5);
    time.wMinute = CheckWord(L, 6);
    time.wSecond = CheckWord(L, 7);
    time.wMilliseconds = CheckWord(L, 8);
    PlatformClock::SetLocalTime(time);
    return 0;
}

int Seed(lua_State* L)
{
    crt::srand(CheckUnsigned(L, 1));
    return 0;
}

int Script(lua_State* L)
{
    // Every check comes before the first C++ object: a Lua error skips destructors.
    const char* name = CheckText(L, 1);
    const bool list = lua_istable(L, 2);
    int count = 0;
    if (list) {
        for (;; ++count) {
            lua_rawgeti(L, 2, count + 1);
            const int type = lua_type(L, -1);
            lua_pop(L, 1);
            if (type == LUA_TNIL)
                break;
            if (type != LUA_TSTRING)
                ArgError(L, 2, "category names must be strings");
        }
    } else if (!lua_isnoneornil(L, 2)) {
        CheckText(L, 2);
        count = 1;
    }

    std::vector<std::string> categories;
    for (int i = 0; i < count; ++i) {
        if (list) {
            lua_rawgeti(L, 2, i + 1);
            categories.emplace_back(lua_tostring(L, -1));
            lua_pop(L, 1);
        } else {
            categories.emplace_back(lua_tostring(L, 2));
        }
    }
    ScriptPushObject(L, Host(L).GetScriptObject(name, categories));
    return 1;
}

int NewObject(lua_State* L)
{
    const char* name = CheckText(L, 1);
    CPGameObject* parent = ScriptReadObject<CPGameObject>(L, 2);
    CPCommandTarget* handler = ScriptReadObject<CPCommandTarget>(L, 3);
    ScriptPushObject(L, Host(L).NewObject(name, parent, handler));
    return 1;
}

int DeleteObject(lua_State* L)
{
    lua_pushboolean(L, Host(L).DeleteObject(CPManagedObject::FindLive(ScriptReadHandle(L, 1))));
    return 1;
}

int Tasks(lua_State* L)
{
    std::vector<std::vector<ScriptValue>> records;
    if (const CPTaskManager* tasks = GetTaskManager()) {
        for (const CPSmartPtr<CPTask>& task : tasks->GetTasks())
            records.push_back({ ScriptValue(static_cast<const CPManagedObject*>(task.Get())),
                                ScriptValue(task->GetOrder()) });
    }
    return ScriptPushRecords(L, records, false);
}

// The path argument of the file functions. A path holding a NUL byte, or one
// that a symbolic link inside the root leads out of it, raises an argument
// error that names the path (its NUL bytes shown as \0). No C++ object is
// alive when the error leaves, as a Lua error skips destructors.
const char* CheckGamePath(lua_State* L, int index, size_t& length)
{
    const char* text = CheckText(L, index, &length);
    const char* reason = nullptr;
    if (std::memchr(text, '\0', length))
        reason = "it holds a NUL byte";
    else if (!GamePath::StaysInsideRoot(text))
        reason = "it leads outside the data root";
    if (!reason)
        return text;
    luaL_Buffer message;
    luaL_buffinit(L, &message);
    luaL_addstring(&message, "refused path \"");
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\0')
            luaL_addstring(&message, "\\0");
        else
            luaL_addchar(&message, text[i]);
    }
    luaL_addstring(&message, "\": ");
    luaL_addstring(&message, reason);
    luaL_pushresult(&message);
    ArgError(L, index, lua_tostring(L, -1));
    return nullptr;
}

int ReadFile(lua_State* L)
{
    size_t length = 0;
    const char* text = CheckGamePath(L, 1, length);
    const std::string path(text, length);
    FILE* file = GamePath::GameFOpen(path, "rb");
    if (!file) {
        lua_pushnil(L);
        return 1;
    }
    std::string bytes;
    char block[4096];
    size_t count;
    while ((count = std::fread(block, 1, sizeof(block), file)) > 0)
        bytes.append(block, count);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        lua_pushnil(L);
    else
        lua_pushlstring(L, bytes.data(), bytes.size());
    return 1;
}

// The directories of a game path, outermost first ("a/b/c.txt": "a", "a/b").
std::vector<std::string> DirectoryPrefixes(const std::string& path)
{
    std::vector<std::string> prefixes;
    for (size_t at = path.find_first_of("\\/"); at != std::string::npos; at = path.find_first_of("\\/", at + 1))
        prefixes.push_back(path.substr(0, at));
    return prefixes;
}

int WriteFile(lua_State* L)
{
    size_t size = 0;
    const char* bytes = CheckText(L, 2, &size);
    size_t length = 0;
    const char* text = CheckGamePath(L, 1, length);
    const std::string path(text, length);
    // The directories the write is about to make, so a failed write can
    // take them away again.
    std::vector<std::string> made;
    for (const std::string& prefix : DirectoryPrefixes(path)) {
        if (!made.empty() || !GamePath::IsDirectory(prefix))
            made.push_back(prefix);
    }
    FILE* file = GamePath::GameFOpen(path, "wb");
    bool written = file != nullptr;
    if (file) {
        written = std::fwrite(bytes, 1, size, file) == size;
        written = std::fclose(file) == 0 && written;
        if (!written)
            GamePath::RemoveFile(path);
    }
    if (!written && !made.empty()) {
        std::vector<std::string> hostPaths;
        for (const std::string& directory : made) {
            std::string hostPath;
            if (GamePath::ResolveForReading(directory, hostPath))
                hostPaths.push_back(hostPath);
        }
        for (auto it = hostPaths.rbegin(); it != hostPaths.rend(); ++it) {
            std::error_code ignored;
            std::filesystem::remove(*it, ignored); // only while empty
        }
        GamePath::InvalidateCache();
    }
    lua_pushboolean(L, written);
    return 1;
}

int ShellLog(lua_State* L)
{
    std::vector<std::vector<ScriptValue>> records;
    for (const PlatformShell::Call& call : PlatformShell::Calls()) {
        records.push_back({ ScriptValue(call.verb), ScriptValue(call.file), ScriptValue(call.parameters),
                            ScriptValue(call.directory), ScriptValue(PlatformShell::ShowCommandName(call.showCommand)) });
    }
    return ScriptPushRecords(L, records, false);
}

int MouseMove(lua_State* L)
{
    HostMouseMove(static_cast<float>(CheckNumber(L, 1)), static_cast<float>(CheckNumber(L, 2)));
    return 0;
}

int Click(lua_State* L)
{
    HostClick(lua_isnoneornil(L, 1) ? 0 : CheckInt(L, 1));
    return 0;
}

int Key(lua_State* L)
{
    const char* name = CheckText(L, 1);
    lua_pushboolean(L, HostKey(name, lua_toboolean(L, 2) != 0));
    return 1;
}

int KeyDown(lua_State* L)
{
    lua_pushboolean(L, HostKeyDown(CheckText(L, 1)));
    return 1;
}

int Type(lua_State* L)
{
    size_t size = 0;
    const char* text = CheckText(L, 1, &size);
    HostType(std::string(text, size));
    return 0;
}

// The typed character codes since the last call, as a list of numbers.
int Typed(lua_State* L)
{
    const std::string typed = HostTakeTyped();
    lua_createtable(L, static_cast<int>(typed.size()), 0);
    for (size_t i = 0; i < typed.size(); ++i) {
        lua_pushinteger(L, static_cast<unsigned char>(typed[i]));
        lua_rawseti(L, -2, static_cast<int>(i + 1));
    }
    return 1;
}

int AttachEnemy(lua_State* L)
{
    const char* typeName = CheckText(L, 2);
    CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    CPHostEnemies* enemies = GetHostEnemies();
    lua_pushboolean(L, object && enemies && enemies->Attach(*object, typeName) != nullptr);
    return 1;
}

int Dump(lua_State* L)
{
    const CPGameObject* object = ScriptReadObject<CPGameObject>(L, 1);
    if (!object) {
        lua_pushnil(L);
        return 1;
    }
    const std::string text = DumpObjectTree(*object);
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}

// The commands the named script object received since the last call, oldest
// first: a list of records {command, parameter 1, parameter 2, ...}; nil
// when no script object has the name.
int Commands(lua_State* L)
{
    const char* name = CheckText(L, 1);
    CPCommandDispatcher* dispatcher = GetCommandDispatcher();
    auto* object = dispatcher ? dynamic_cast<CPScriptObject*>(dispatcher->FindObject(name).Get()) : nullptr;
    if (!object) {
        lua_pushnil(L);
        return 1;
    }
    const std::vector<CPCommand> received = object->TakeReceived();
    lua_createtable(L, static_cast<int>(received.size()), 0);
    for (size_t i = 0; i < received.size(); ++i) {
        const CPCommand& command = received[i];
        lua_createtable(L, static_cast<int>(command.params.size()) + 1, 0);
        lua_pushlstring(L, command.name.data(), command.name.size());
        lua_rawseti(L, -2, 1);
        for (size_t p = 0; p < command.params.size(); ++p) {
            lua_pushlstring(L, command.params[p].data(), command.params[p].size());
            lua_rawseti(L, -2, static_cast<int>(p + 2));
        }
        lua_rawseti(L, -2, static_cast<int>(i + 1));
    }
    return 1;
}

// Throttle and steering for a race vehicle; false for anything else.
int SetControls(lua_State* L)
{
    const float throttle = static_cast<float>(CheckNumber(L, 2));
    const float steering = static_cast<float>(CheckNumber(L, 3));
    CPPlayer* vehicle = ScriptReadObject<CPPlayer>(L, 1);
    if (vehicle)
        vehicle->SetCarParams(throttle, steering);
    lua_pushboolean(L, vehicle != nullptr);
    return 1;
}

// The level's player vehicle; no result without a level or a player.
int Player(lua_State* L)
{
    const CPLevel* level = GetLevel();
    if (!level || !level->player)
        return 0;
    ScriptPushObject(L, level->player.Get());
    return 1;
}

// The handles of the level's vehicle list in its order; an empty list
// without a level.
int Vehicles(lua_State* L)
{
    const CPLevel* level = GetLevel();
    lua_createtable(L, level ? static_cast<int>(level->vehicles.size()) : 0, 0);
    if (!level)
        return 1;
    int index = 0;
    for (const CPSmartPtr<CPPlayer>& vehicle : level->vehicles) {
        if (!vehicle)
            continue;
        ScriptPushObject(L, vehicle.Get());
        lua_rawseti(L, -2, ++index);
    }
    return 1;
}

int StateHash(lua_State* L)
{
    const std::string text = RaceStateHashText();
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}

const luaL_reg kHostFunctions[] = {
    { "frame", ScriptGuard<Frame> },
    { "set_time_ms", ScriptGuard<SetTimeMs> },
    { "set_local_time", ScriptGuard<SetLocalTime> },
    { "seed", ScriptGuard<Seed> },
    { "script", ScriptGuard<Script> },
    { "new_object", ScriptGuard<NewObject> },
    { "delete_object", ScriptGuard<DeleteObject> },
    { "tasks", ScriptGuard<Tasks> },
    { "read_file", ScriptGuard<ReadFile> },
    { "write_file", ScriptGuard<WriteFile> },
    { "shell_log", ScriptGuard<ShellLog> },
    { "dump", ScriptGuard<Dump> },
    { "mouse_move", ScriptGuard<MouseMove> },
    { "click", ScriptGuard<Click> },
    { "key", ScriptGuard<Key> },
    { "key_down", ScriptGuard<KeyDown> },
    { "type", ScriptGuard<Type> },
    { "typed", ScriptGuard<Typed> },
    { "commands", ScriptGuard<Commands> },
    { "set_controls", ScriptGuard<SetControls> },
    { "state_hash", ScriptGuard<StateHash> },
    { "player", ScriptGuard<Player> },
    { "vehicles", ScriptGuard<Vehicles> },
    { "attach_enemy", ScriptGuard<AttachEnemy> },
    { nullptr, nullptr },
};
}

void OpenHostLibrary(lua_State* L, CPGameHost& host)
{
    lua_newtable(L);
    for (const luaL_reg* entry = kHostFunctions; entry->name; ++entry) {
        lua_pushlightuserdata(L, &host);
        lua_pushfstring(L, "%s.%s", kHostTable, entry->name);
        lua_pushcclosure(L, entry->func, 2);
        lua_setfield(L, -2, entry->name);
    }
    lua_setglobal(L, kHostTable);
}
