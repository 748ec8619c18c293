// Runs a Lua chunk in the host and writes what it returns as one line of
// text: numbers to five significant digits, strings as they are, booleans
// and nil by name, handles as "#" and their id, tables as their elements
// 1 to n in braces. A Lua error gives "error: " and its message.
#pragma once

#include "Host/PGameHost.h"
#include "Script/ScriptBinding.h"

#include <lua.hpp>

#include <cstdio>
#include <string>

inline std::string ScriptValueText(lua_State* L, int index)
{
    switch (lua_type(L, index)) {
    case LUA_TNUMBER: {
        char text[32];
        std::snprintf(text, sizeof(text), "%.5g", lua_tonumber(L, index));
        return text;
    }
    case LUA_TSTRING:
        return lua_tostring(L, index);
    case LUA_TBOOLEAN:
        return lua_toboolean(L, index) ? "true" : "false";
    case LUA_TLIGHTUSERDATA:
        return "#" + std::to_string(ScriptReadHandle(L, index));
    case LUA_TTABLE: {
        std::string text = "{";
        for (int i = 1;; ++i) {
            lua_rawgeti(L, index, i);
            if (lua_isnil(L, -1)) {
                lua_pop(L, 1);
                break;
            }
            text += (i > 1 ? " " : "") + ScriptValueText(L, lua_gettop(L));
            lua_pop(L, 1);
        }
        return text + "}";
    }
    default:
        return lua_typename(L, lua_type(L, index));
    }
}

inline std::string ScriptResults(CPGameHost& host, const std::string& chunk)
{
    lua_State* L = host.GetLuaState();
    const int base = lua_gettop(L);
    std::string text;
    if (luaL_loadbuffer(L, chunk.data(), chunk.size(), "row") != 0 || lua_pcall(L, 0, LUA_MULTRET, 0) != 0) {
        text = std::string("error: ") + lua_tostring(L, -1);
    } else {
        for (int i = base + 1; i <= lua_gettop(L); ++i)
            text += (i > base + 1 ? " " : "") + ScriptValueText(L, i);
    }
    lua_settop(L, base);
    return text;
}
