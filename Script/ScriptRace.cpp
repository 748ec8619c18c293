// The race table: what a running race and its display call.
#include "Script/ScriptBinding.h"
#include "Script/ScriptTables.h"

const luaL_reg g_ScriptRaceTable[] = {
    { nullptr, nullptr },
};
