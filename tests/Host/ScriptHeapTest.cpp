// The host's Lua heap against Lua's own allocator: the same script leaves the
// same values and the same memory count, across blocks that grow through the
// size classes and past them.
#include "Host/PScriptHeap.h"

#include <gtest/gtest.h>

#include <lua.hpp>

#include <cstring>
#include <string>
#include <vector>

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

// Both ways of serving blocks, whatever the build: the free lists run under
// the sanitizers too.
TEST(ScriptHeap, StatesSeeTheSameMemoryAsWithLuasAllocator)
{
    double plainSum = 0.0;
    double plainCount = 0.0;
    RunScript(luaL_newstate(), plainSum, plainCount);

    for (const bool freeLists : { true, false }) {
        CPScriptHeap heap(freeLists);
        lua_State* L = heap.NewState();
        ASSERT_NE(L, nullptr);
        double heapSum = 0.0;
        double heapCount = 0.0;
        RunScript(L, heapSum, heapCount);

        EXPECT_EQ(heapSum, plainSum) << "free lists " << freeLists;
        EXPECT_EQ(heapCount, plainCount) << "free lists " << freeLists;
        EXPECT_GT(heapSum, 0.0);
    }
}

// Lua takes a shrink as never failing: with no chunk left for the smaller
// size class the old block is kept, small or from the system; a growth that
// cannot be served is still refused.
TEST(ScriptHeap, AShrinkOutOfChunksKeepsTheOldBlock)
{
    constexpr size_t kLarge = CPScriptHeap::kLargestSmall;
    CPScriptHeap heap(true, 1);
    void* first = CPScriptHeap::Allocate(&heap, nullptr, 0, kLarge);
    ASSERT_NE(first, nullptr);
    std::memset(first, 'a', kLarge);
    // Use up the one chunk.
    std::vector<void*> rest;
    while (void* block = CPScriptHeap::Allocate(&heap, nullptr, 0, kLarge))
        rest.push_back(block);
    ASSERT_EQ(CPScriptHeap::Allocate(&heap, nullptr, 0, 100), nullptr) << "no chunk left";

    EXPECT_EQ(CPScriptHeap::Allocate(&heap, first, kLarge, 100), first);
    EXPECT_EQ(std::string(static_cast<char*>(first), 100), std::string(100, 'a'));
    EXPECT_EQ(CPScriptHeap::Allocate(&heap, first, 100, 200), nullptr) << "a growth fails";

    void* system = CPScriptHeap::Allocate(&heap, nullptr, 0, 3 * kLarge);
    ASSERT_NE(system, nullptr);
    std::memset(system, 'b', 64);
    EXPECT_EQ(CPScriptHeap::Allocate(&heap, system, 3 * kLarge, 64), system);
    EXPECT_EQ(std::string(static_cast<char*>(system), 64), std::string(64, 'b'));

    // Both go back to the free lists by their new sizes and serve again;
    // the heap frees the system block with its chunks (the leak check sees it).
    EXPECT_EQ(CPScriptHeap::Allocate(&heap, system, 64, 0), nullptr);
    EXPECT_EQ(CPScriptHeap::Allocate(&heap, first, 100, 0), nullptr);
    EXPECT_EQ(CPScriptHeap::Allocate(&heap, nullptr, 0, 64), system);
    EXPECT_EQ(CPScriptHeap::Allocate(&heap, nullptr, 0, 100), first);
}
