// Bindings that hand objects to the renderer's queue of the current frame.
#pragma once

#include <lua.hpp>

namespace ScriptApi
{
// DrawDynamicObject (obj): the object and, while it is visible, its children
// into this frame's render queue; nothing for a null object or without a
// queue.
int DrawDynamicObject(lua_State* L);
}
