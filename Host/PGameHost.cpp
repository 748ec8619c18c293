#include "Host/PGameHost.h"

#include "Core/PCommandDispatcher.h"
#include "Core/PGameObject.h"
#include "Core/PGlobals.h"
#include "Core/PGameHost.h"
#include "Core/PGlobalTimer.h"
#include "Core/PLog.h"
#include "Core/PTaskManager.h"
#include "Host/PHostDevice.h"
#include "Host/PHostDraw.h"
#include "Host/PHostEmitters.h"
#include "Host/PHostFonts.h"
#include "Host/PHostFrame.h"
#include "Host/PHostInput.h"
#include "Host/PHostLibrary.h"
#include "Host/PHostPhysics.h"
#include "Host/PHostRace.h"
#include "Host/PHostShots.h"
#include "Host/PHostSound.h"
#include "Host/PHostVideo.h"
#include "Host/PScriptHeap.h"
#include "Host/PScriptObject.h"
#include "Interface/PActionMap.h"
#include "Interface/PTextManager.h"
#include "Platform/GamePath.h"
#include "Platform/MediaFile.h"
#include "Race/PGameData.h"
#include "Render/PAnimationManager.h"
#include "Render/PRender.h"
#include "Render/PParticleManager.h"
#include "Render/PRenderObjectManager.h"
#include "Script/ScriptTables.h"
#include "Startup/PConfig.h"
#include "Startup/PConfigVars.h"
#include "Vehicles/PPhysicManager.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>

namespace
{
// The race's work of a frame after the tasks: the shots in flight, then the
// particles of the host's emitters.
void StepRaceFrame()
{
    StepHostShots();
    StepHostEmitters(g_FrameTime);
}

// A music or video file refused for what its header claims goes to the log.
void ReportMediaFile(const std::string& line)
{
    GetLog().Print(0, "%s", line.c_str());
}

// Lua 5.1 wants its libraries opened by calling them from Lua.
void OpenLibrary(lua_State* L, lua_CFunction open)
{
    lua_pushcfunction(L, open);
    lua_call(L, 0, 0);
}

// Makes every function of a table a global of its name; a later table's
// function replaces an earlier one of the same name.
void RegisterGlobals(lua_State* L, const luaL_reg* table)
{
    for (; table->name; ++table) {
        lua_pushcfunction(L, table->func);
        lua_setglobal(L, table->name);
    }
}

// Message handler of the protected call: the error text and where the script
// was when it failed.
int ErrorWithTraceback(lua_State* L)
{
    const char* message = lua_tostring(L, 1);
    if (!message)
        lua_pushfstring(L, "(error object is a %s value)", luaL_typename(L, 1));
    else
        lua_pushvalue(L, 1);
    luaL_Buffer buffer;
    luaL_buffinit(L, &buffer);
    luaL_addvalue(&buffer);
    luaL_addstring(&buffer, "\nstack traceback:");
    lua_Debug frame;
    for (int level = 1; level < 30 && lua_getstack(L, level, &frame); ++level) {
        lua_getinfo(L, "Sln", &frame);
        if (frame.currentline < 0)
            lua_pushfstring(L, "\n\t[C]: in function '%s'", frame.name ? frame.name : "?");
        else if (frame.name)
            lua_pushfstring(L, "\n\t%s:%d: in function '%s'", frame.short_src, frame.currentline, frame.name);
        else if (*frame.what == 'm')
            lua_pushfstring(L, "\n\t%s:%d: in main chunk", frame.short_src, frame.currentline);
        else
            lua_pushfstring(L, "\n\t%s:%d: in function <%s:%d>", frame.short_src, frame.currentline,
                            frame.short_src, frame.linedefined);
        luaL_addvalue(&buffer);
    }
    luaL_pushresult(&buffer);
    return 1;
}
}

const std::vector<CPGameHost::ScriptObjectSpec>& CPGameHost::GetGameScriptObjects()
{
    // The menu script hears the race outcome and the pointer; the race display
    // hears the pointer; the vehicle's script hears the level's events.
    static const std::vector<ScriptObjectSpec> objects = {
        { "gamemenu", { "main", "interface" } },
        { "main", { "main" } },
        { "game_interface", { "interface" } },
        { "jeep", { "level" } },
    };
    return objects;
}

CPGameHost::CPGameHost(const std::string& dataDirectory)
{
    GamePath::SetRoot(dataDirectory);
    // Scripts may open web pages and documents: a headless run only records
    // the shell calls, unless the environment already says what to do.
    setenv("VELTRIX_SHELL", "record", 0);

    m_taskManager = std::make_unique<CPTaskManager>();
    g_TaskManager = m_taskManager.get();
    m_dispatcher = std::make_unique<CPCommandDispatcher>();
    g_CommandDispatcher = m_dispatcher.get();
    m_globalTimer = std::make_unique<CPGlobalTimer>();
    g_GlobalTimer = m_globalTimer.get();
    // The configuration first: the sound volumes come from it.
    m_config = std::make_unique<CPConfig>();
    m_config->Load(kConfigFileName);
    PlatformMedia::SetReport(ReportMediaFile);
    CreateHostSound(nullptr);
    CreateHostRender(nullptr);
    CreateHostVideo();
    m_particleManager = std::make_unique<CPParticleManager>();
    g_ParticleManager = m_particleManager.get();
    CreateHostEmitters(*m_particleManager);
    m_actionMap = std::make_unique<CPActionMap>();
    g_ActionMap = m_actionMap.get();
    ResetHostInput();
    m_textManager = std::make_unique<CPTextManager>();
    g_TextManager = m_textManager.get();
    LoadHostFonts(*m_textManager);
    m_animationManager = std::make_unique<CPAnimationManager>();
    g_AnimationManager = m_animationManager.get();
    m_renderObjectManager = std::make_unique<CPRenderObjectManager>();
    g_RenderObjectManager = m_renderObjectManager.get();
    m_physicStepper = std::make_unique<CPHostPhysics>();
    m_physicManager = std::make_unique<CPPhysicManager>();
    m_physicManager->SetStepper(m_physicStepper.get());
    m_physicManager->SetParkingDepth(CPPhysicManager::kParkingRestart);
    g_PhysicManager = m_physicManager.get();
    CreateHostRace();
    CreateHostShots();
    g_HostFrameWork = StepRaceFrame;

    m_scriptHeap = std::make_unique<CPScriptHeap>();
    m_lua = m_scriptHeap->NewState();
    OpenLibrary(m_lua, luaopen_base);
    OpenLibrary(m_lua, luaopen_table);
    OpenLibrary(m_lua, luaopen_string);
    OpenLibrary(m_lua, luaopen_math);
    OpenLibrary(m_lua, luaopen_io);
    OpenLibrary(m_lua, luaopen_os);
    RegisterGlobals(m_lua, g_ScriptMainTable);
    RegisterGlobals(m_lua, g_ScriptRaceTable);
    RegisterGlobals(m_lua, g_ScriptObjectTable);
    OpenHostLibrary(m_lua, *this);

    for (const ScriptObjectSpec& spec : GetGameScriptObjects())
        GetScriptObject(spec.name, spec.categories);
}

CPGameHost::~CPGameHost()
{
    // Bodies queued for a frame that was never drawn (a script's bolt, say)
    // may belong to objects that end below, before the render system.
    if (CPRender* render = GetRender())
        EmptyHostBatches(*render);
    lua_close(m_lua);
    // The game data's bonus list may hold the host's objects: it lets go of
    // them before they end.
    if (CPGameData* data = GetGameData())
        data->m_bonuses.clear();
    // Game objects first: deactivation still reaches their handlers.
    while (!m_objects.empty()) {
        CPGameObject* object = m_objects.back();
        m_objects.pop_back();
        delete object;
    }
    for (auto it = m_scriptObjects.rbegin(); it != m_scriptObjects.rend(); ++it) {
        m_dispatcher->UnregisterObject(*it);
        delete *it; // leaves the task list on its way out
    }
    m_scriptObjects.clear();

    DestroyHostShots();
    DestroyHostRace();
    g_RenderObjectManager = nullptr;
    m_renderObjectManager.reset();
    g_AnimationManager = nullptr;
    m_animationManager.reset();
    g_PhysicManager = nullptr;
    m_physicManager.reset(); // leaves the task list; its world goes with it
    m_physicStepper.reset();
    g_TextManager = nullptr;
    m_textManager.reset(); // its fonts' materials before the render system
    g_ActionMap = nullptr;
    m_actionMap.reset();
    g_ParticleManager = nullptr;
    DestroyHostEmitters(*m_particleManager);
    m_particleManager.reset();
    DestroyHostVideo(); // before the device its textures came from
    DestroyHostRender();
    DestroyHostSound(); // its music task leaves the task list
    PlatformMedia::SetReport(nullptr);
    // The registry only drops its handles to the configuration variables;
    // the host made them, so it destroys them.
    const std::vector<CPDatorBase*> variables = GetConfigVariables();
    m_config.reset();
    g_GlobalTimer = nullptr;
    m_globalTimer.reset(); // leaves the task list on its way out
    for (CPDatorBase* variable : variables)
        delete variable;
    g_CommandDispatcher = nullptr;
    m_dispatcher.reset();
    g_TaskManager = nullptr;
    m_taskManager.reset();
}

CPScriptObject* CPGameHost::GetScriptObject(const std::string& name, const std::vector<std::string>& categories)
{
    for (CPScriptObject* object : m_scriptObjects) {
        if (object->GetName() == name)
            return object;
    }
    auto* object = new CPScriptObject(name, categories);
    m_scriptObjects.push_back(object);
    object->Register(*m_dispatcher);
    m_taskManager->AddTask(object);
    return object;
}

CPGameObject* CPGameHost::NewObject(const std::string& name, CPGameObject* parent, CPCommandTarget* handler)
{
    auto* object = new CPGameObject(name);
    m_objects.push_back(object);
    if (parent)
        parent->AddChild(object);
    if (handler)
        object->SetScriptHandler(handler);
    return object;
}

bool CPGameHost::DeleteObject(const void* object)
{
    for (auto it = m_objects.begin(); it != m_objects.end(); ++it) {
        if (*it == object) {
            CPGameObject* owned = *it;
            m_objects.erase(it);
            delete owned;
            return true;
        }
    }
    return false;
}

namespace
{
// Loads a script file ("-": standard input) as a chunk named after it. A
// UTF-8 byte-order mark at the start is skipped, and so is a first line
// starting with '#' (its line end stays, so line numbers hold).
int LoadScript(lua_State* L, const std::string& path)
{
    std::string source;
    if (path == "-") {
        source.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            lua_pushfstring(L, "cannot open %s", path.c_str());
            return LUA_ERRFILE;
        }
        source.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (file.bad()) {
            lua_pushfstring(L, "cannot read %s", path.c_str());
            return LUA_ERRFILE;
        }
    }
    static const char kByteOrderMark[] = "\xEF\xBB\xBF";
    if (source.compare(0, 3, kByteOrderMark) == 0)
        source.erase(0, 3);
    if (!source.empty() && source[0] == '#')
        source.erase(0, source.find('\n') == std::string::npos ? source.size() : source.find('\n'));
    const std::string name = path == "-" ? "=stdin" : "@" + path;
    return luaL_loadbuffer(L, source.data(), source.size(), name.c_str());
}
}

bool CPGameHost::RunScript(const std::string& path, const std::vector<std::string>& args, std::string& error)
{
    const int loaded = LoadScript(m_lua, path);
    lua_newtable(m_lua);
    lua_pushstring(m_lua, path.c_str());
    lua_rawseti(m_lua, -2, 0);
    for (size_t i = 0; i < args.size(); ++i) {
        lua_pushstring(m_lua, args[i].c_str());
        lua_rawseti(m_lua, -2, static_cast<int>(i + 1));
    }
    lua_setglobal(m_lua, "arg");
    if (loaded != 0)
        return Run(loaded, 0, error);
    if (!lua_checkstack(m_lua, static_cast<int>(args.size()))) {
        lua_pop(m_lua, 1);
        error = "too many script arguments";
        return false;
    }
    for (const std::string& argument : args)
        lua_pushstring(m_lua, argument.c_str());
    return Run(loaded, static_cast<int>(args.size()), error);
}

bool CPGameHost::RunString(const std::string& source, const std::string& chunkName, std::string& error)
{
    const int loaded = luaL_loadbuffer(m_lua, source.data(), source.size(), chunkName.c_str());
    return Run(loaded, 0, error);
}

bool CPGameHost::Run(int loadResult, int argumentCount, std::string& error)
{
    if (loadResult == 0) {
        const int chunk = lua_gettop(m_lua) - argumentCount;
        lua_pushcfunction(m_lua, ErrorWithTraceback);
        lua_insert(m_lua, chunk);
        const int result = lua_pcall(m_lua, argumentCount, 0, chunk);
        lua_remove(m_lua, chunk);
        if (result == 0)
            return true;
    }
    const char* message = lua_tostring(m_lua, -1);
    error = message ? message : "(error object is not a string)";
    lua_pop(m_lua, 1);
    return false;
}
