// Bindings that build objects from scene descriptions.
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
// LoadRenderObject (text name, number layer base): the object tree of the
// scene description, with a reference taken for the script; a handle of
// value 0 when nothing could be built or there is no loader.
int LoadRenderObject(lua_State* L);
}
