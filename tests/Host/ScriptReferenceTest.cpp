// The script reference (docs/scripting.md) against what the host registers:
// every global a script finds beyond Lua's own libraries, and every field of
// the HOST table, is named in the reference exactly once, and the reference
// names nothing else.
#include "Host/PGameHost.h"
#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <fstream>
#include <lua.hpp>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace
{
// The global names of a state, each table's function fields as
// "table.field" too.
std::set<std::string> Globals(lua_State* L)
{
    std::set<std::string> names;
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX) != 0) {
        if (lua_type(L, -2) == LUA_TSTRING) {
            const std::string name = lua_tostring(L, -2);
            names.insert(name);
            if (lua_istable(L, -1) && name != "_G") {
                lua_pushnil(L);
                while (lua_next(L, -2) != 0) {
                    if (lua_type(L, -2) == LUA_TSTRING && lua_isfunction(L, -1))
                        names.insert(name + "." + lua_tostring(L, -2));
                    lua_pop(L, 1);
                }
            }
        }
        lua_pop(L, 1);
    }
    return names;
}

// What a plain state with the libraries the host opens holds.
std::set<std::string> LuaOwnGlobals()
{
    lua_State* L = luaL_newstate();
    for (lua_CFunction open : { luaopen_base, luaopen_table, luaopen_string, luaopen_math, luaopen_io, luaopen_os }) {
        lua_pushcfunction(L, open);
        lua_call(L, 0, 0);
    }
    std::set<std::string> names = Globals(L);
    lua_close(L);
    return names;
}

// The first cell of each table row that names a function: "| `Name` |".
std::map<std::string, int> ReferenceNames(const std::string& path)
{
    std::map<std::string, int> names;
    std::ifstream in(path);
    const std::regex row(R"(^\| `([A-Za-z_][A-Za-z0-9_.]*)` \|)");
    std::smatch match;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_search(line, match, row))
            ++names[match[1]];
    }
    return names;
}
}

TEST(ScriptReference, NamesEveryRegisteredFunctionOnce)
{
    const std::map<std::string, int> documented = ReferenceNames(VELTRIX_SOURCE_DIR "/docs/scripting.md");
    ASSERT_FALSE(documented.empty()) << "no function rows in docs/scripting.md";

    ScratchRoot root;
    CPGameHost host(root.Path());
    const std::set<std::string> own = LuaOwnGlobals();
    std::set<std::string> registered;
    for (const std::string& name : Globals(host.GetLuaState())) {
        if (own.count(name) == 0 && name != "HOST")
            registered.insert(name);
    }

    for (const std::string& name : registered)
        EXPECT_EQ(documented.count(name), 1u) << name << " is registered but missing from docs/scripting.md";
    for (const auto& [name, rows] : documented) {
        EXPECT_EQ(registered.count(name), 1u) << name << " is in docs/scripting.md but not registered";
        EXPECT_EQ(rows, 1) << name << " has " << rows << " rows in docs/scripting.md";
    }
}
