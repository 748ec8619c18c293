// The headless game host: it makes a directory the game root, creates the
// engine's global objects, opens a Lua state with the script API and the
// HOST table (Host/PHostLibrary.h), creates the game's script objects and
// runs scripts. Tests and tools drive the engine through it without a window;
// its devices record what they are asked. Frames run only when a script asks
// for them.
#pragma once

#include <lua.hpp>

#include <memory>
#include <string>
#include <vector>

class CPActionMap;
class CPAnimationManager;
class CPCommandDispatcher;
class CPConfig;
class CPGlobalTimer;
class CPCommandTarget;
class CPGameObject;
class CPHostPhysics;
class CPParticleManager;
class CPRenderObjectManager;
class CPPhysicManager;
class CPScriptHeap;
class CPScriptObject;
class CPTaskManager;
class CPTextManager;

class CPGameHost
{
public:
    // The game's script objects and the categories they are registered under.
    struct ScriptObjectSpec
    {
        const char* name;
        std::vector<std::string> categories;
    };
    static const std::vector<ScriptObjectSpec>& GetGameScriptObjects();

    // `dataDirectory` becomes the game root. Creates and publishes the global
    // objects (task manager, command dispatcher, configuration loaded from the
    // root's "config.cfg", the silent sound device with the sound manager and
    // the music task, the recording render device with the render system, the
    // two video players, particle manager, action map, text manager with the
    // fonts of the fonts file, the physics manager with the host's stepper,
    // the shot manager with its templates);
    // one host at a time.
    explicit CPGameHost(const std::string& dataDirectory);
    // Closes the Lua state, then destroys the game objects it made, the
    // script objects and the global objects, and clears their global pointers.
    ~CPGameHost();
    CPGameHost(const CPGameHost&) = delete;
    CPGameHost& operator=(const CPGameHost&) = delete;

    lua_State* GetLuaState() const { return m_lua; }

    // Runs a Lua file (a host path; "-" reads standard input) with `args` as
    // the chunk's arguments and as the global table `arg` (arg[0] is the
    // file). A UTF-8 byte-order mark at its start is skipped. False with the
    // Lua error message when loading or running fails.
    bool RunScript(const std::string& path, const std::vector<std::string>& args, std::string& error);
    // Runs Lua source text, for tests; as RunScript.
    bool RunString(const std::string& source, const std::string& chunkName, std::string& error);

    // The script object of that name, created, registered under the given
    // categories and started as a task on first use; later calls return it
    // as it is.
    CPScriptObject* GetScriptObject(const std::string& name, const std::vector<std::string>& categories = {});

    // A plain game object owned by the host: a child of `parent` when one is
    // given, with `handler` as its script handler when one is given.
    CPGameObject* NewObject(const std::string& name, CPGameObject* parent = nullptr,
                            CPCommandTarget* handler = nullptr);
    // Destroys an object that NewObject made; false for any other address.
    bool DeleteObject(const void* object);

private:
    bool Run(int loadResult, int argumentCount, std::string& error);

    std::unique_ptr<CPScriptHeap> m_scriptHeap; // outlives m_lua
    lua_State* m_lua = nullptr;
    std::unique_ptr<CPTaskManager> m_taskManager;
    std::unique_ptr<CPCommandDispatcher> m_dispatcher;
    std::unique_ptr<CPConfig> m_config;
    std::unique_ptr<CPParticleManager> m_particleManager;
    std::unique_ptr<CPActionMap> m_actionMap;
    std::unique_ptr<CPTextManager> m_textManager;
    std::unique_ptr<CPGlobalTimer> m_globalTimer;
    std::unique_ptr<CPAnimationManager> m_animationManager;
    std::unique_ptr<CPRenderObjectManager> m_renderObjectManager;
    std::unique_ptr<CPHostPhysics> m_physicStepper;
    std::unique_ptr<CPPhysicManager> m_physicManager;
    std::vector<CPScriptObject*> m_scriptObjects; // owned, in creation order
    std::vector<CPGameObject*> m_objects;         // owned, in creation order
};
