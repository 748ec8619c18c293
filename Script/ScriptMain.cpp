// The main table: what menu and mission scripts call.
#include "Script/ScriptBinding.h"
#include "Script/ScriptTables.h"

#include "Core/PCommandTarget.h"

namespace
{
int StopScript(lua_State* L)
{
    if (CPCommandTarget* script = ScriptReadObject<CPCommandTarget>(L, 1))
        script->SetFinished(true);
    return 0;
}
}

const luaL_reg g_ScriptMainTable[] = {
    { "StopScript", ScriptGuard<StopScript> },
    { nullptr, nullptr },
};
