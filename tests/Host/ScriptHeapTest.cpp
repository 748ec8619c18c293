// The host's Lua heap against Lua's own allocator: the same script leaves the
// same values and the same memory count, across blocks that grow through the
// size classes and past them.
#include "Host/PScriptHeap.h"

#include <gtest/gtest.h>

#include <lua.hpp>

#include <string>

namespace
{
// Grows strings, arrays and hash parts from one byte to past the heap's
// largest small block, frees them and collects, then reports a checksum of
// what it kept and the memory count.
const char* const kScript = R"(
    local kept = {}
    for n = 1, 700 do
        local s = string.rep("x", n) .. n
        local t = {}
        for i = 1, n % 97 do t[i] = i; t["k" .. i] = s end
        if n % 7 == 0 then kept[#kept + 1] = { s = s, t = t } end
    end
    collectgarbage("collect")
    local sum = 0
    for _, item in ipairs(kept) do sum = sum + #item.s + #item.t end
    return sum, collectgarbage("count")
)";

void RunScript(lua_State* L, double& sum, double& count)
{
    luaL_openlibs(L);
    ASSERT_EQ(luaL_dostring(L, kScript), 0) << lua_tostring(L, -1);
    sum = lua_tonumber(L, -2);
    count = lua_tonumber(L, -1);
    lua_close(L);
}
}

TEST(ScriptHeap, StatesSeeTheSameMemoryAsWithLuasAllocator)
{
    double plainSum = 0.0;
    double plainCount = 0.0;
    RunScript(luaL_newstate(), plainSum, plainCount);

    CPScriptHeap heap;
    lua_State* L = heap.NewState();
    ASSERT_NE(L, nullptr);
    double heapSum = 0.0;
    double heapCount = 0.0;
    RunScript(L, heapSum, heapCount);

    EXPECT_EQ(heapSum, plainSum);
    EXPECT_EQ(heapCount, plainCount);
    EXPECT_GT(heapSum, 0.0);
}
