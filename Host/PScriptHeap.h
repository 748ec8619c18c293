// The memory of one host's Lua state. Opening the script API allocates a
// thousand small objects (strings, closures, table parts) and closing the
// state frees them all, so small blocks come from free lists by size class,
// cut from chunks that are returned to the system only when the heap ends;
// larger blocks go to the system allocator (by default all blocks do under
// AddressSanitizer, so it sees each Lua object's bounds and lifetime). Lua
// sees the same sizes either way, so its memory count and collection steps
// stay as they were.
#pragma once

#include <lua.hpp>

#include <cstddef>
#include <cstdint>
#include <vector>

class CPScriptHeap
{
public:
    // Whether small blocks come from the free lists when a heap is made
    // without saying: not under AddressSanitizer.
    static const bool kFreeListsByDefault;

    // `freeLists` false sends every block to the system allocator; at most
    // `chunkLimit` chunks are ever taken (a smaller limit lets a test run
    // the heap out of chunks).
    explicit CPScriptHeap(bool freeLists = kFreeListsByDefault, size_t chunkLimit = SIZE_MAX)
        : m_freeLists(freeLists), m_chunkLimit(chunkLimit)
    {
    }
    // Frees every chunk; the state using the heap must be closed by then.
    ~CPScriptHeap();
    CPScriptHeap(const CPScriptHeap&) = delete;
    CPScriptHeap& operator=(const CPScriptHeap&) = delete;

    // A new state that allocates from this heap, with the same panic
    // handler luaL_newstate installs; null when memory runs out.
    lua_State* NewState();

    // Lua's allocator function: frees with newSize 0, else resizes
    // (`block` null: allocates). Null when memory runs out, except on a
    // shrink, which Lua takes as never failing: the old block is kept then.
    static void* Allocate(void* heap, void* block, size_t oldSize, size_t newSize);

    // Blocks up to this size come from the free lists: a fresh state's
    // largest parts (the globals' and the strings' tables) are below it.
    static constexpr size_t kLargestSmall = 4096;

private:
    static constexpr size_t kGranule = 16;
    static constexpr size_t kClassCount = kLargestSmall / kGranule;
    static constexpr size_t kChunkSize = 32 * 1024;

    // Size class of a small size (up to kLargestSmall).
    static size_t ClassOf(size_t size) { return size ? (size - 1) / kGranule : 0; }

    void* Take(size_t sizeClass);
    void Give(void* block, size_t sizeClass);
    // Keeps a system block that now serves as a small one; it is freed when
    // the heap ends.
    void Adopt(void* block);

    struct FreeBlock
    {
        FreeBlock* next;
    };
    FreeBlock* m_free[kClassCount] = {};
    char* m_cursor = nullptr; // unused rest of the newest chunk
    char* m_end = nullptr;
    std::vector<void*> m_chunks;
    std::vector<void*> m_adopted;
    bool m_freeLists;
    size_t m_chunkLimit;
};
