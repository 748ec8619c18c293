#include "Host/PScriptHeap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// Under AddressSanitizer every block comes from the system allocator unless a
// heap asks otherwise, so the sanitizer still sees each Lua object's bounds
// and lifetime.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

// Adds the block to the list; false when the list cannot grow. Nothing may
// throw through Lua's allocator.
bool Keep(std::vector<void*>& blocks, void* block)
{
    try {
        blocks.push_back(block);
        return true;
    } catch (...) {
        return false;
    }
}

// What luaL_newstate's handler does: name the error on standard error.
int Panic(lua_State* L)
{
    std::fprintf(stderr, "PANIC: unprotected error in call to Lua API (%s)\n", lua_tostring(L, -1));
    return 0;
}
}

const bool CPScriptHeap::kFreeListsByDefault = !kUnderAddressSanitizer;

CPScriptHeap::~CPScriptHeap()
{
    for (void* chunk : m_chunks)
        std::free(chunk);
    for (void* block : m_adopted)
        std::free(block);
}

lua_State* CPScriptHeap::NewState()
{
    lua_State* L = lua_newstate(Allocate, this);
    if (L)
        lua_atpanic(L, Panic);
    return L;
}

void* CPScriptHeap::Take(size_t sizeClass)
{
    if (FreeBlock* block = m_free[sizeClass]) {
        m_free[sizeClass] = block->next;
        return block;
    }
    const size_t size = (sizeClass + 1) * kGranule;
    if (static_cast<size_t>(m_end - m_cursor) < size) {
        // The rest of the old chunk stays unused: it is smaller than a block.
        if (m_chunks.size() >= m_chunkLimit)
            return nullptr;
        void* chunk = std::malloc(kChunkSize);
        if (!chunk || !Keep(m_chunks, chunk)) {
            std::free(chunk);
            return nullptr;
        }
        m_cursor = static_cast<char*>(chunk);
        m_end = m_cursor + kChunkSize;
    }
    void* block = m_cursor;
    m_cursor += size;
    return block;
}

void CPScriptHeap::Give(void* block, size_t sizeClass)
{
    FreeBlock* freed = static_cast<FreeBlock*>(block);
    freed->next = m_free[sizeClass];
    m_free[sizeClass] = freed;
}

void CPScriptHeap::Adopt(void* block)
{
    // Out of memory for the list too: the block stays in use and in the free
    // lists, only its return to the system at the end is lost.
    Keep(m_adopted, block);
}

void* CPScriptHeap::Allocate(void* heap, void* block, size_t oldSize, size_t newSize)
{
    CPScriptHeap& self = *static_cast<CPScriptHeap*>(heap);
    const bool shrink = block && newSize < oldSize;
    if (!self.m_freeLists) {
        if (newSize == 0) {
            std::free(block);
            return nullptr;
        }
        void* resized = std::realloc(block, newSize);
        return resized || !shrink ? resized : block;
    }
    // Lua passes the block's size when it has a block; a new one has none.
    if (!block) {
        if (newSize == 0)
            return nullptr;
        return newSize <= kLargestSmall ? self.Take(ClassOf(newSize)) : std::malloc(newSize);
    }
    const bool oldSmall = oldSize <= kLargestSmall;
    if (newSize == 0) {
        if (oldSmall)
            self.Give(block, ClassOf(oldSize));
        else
            std::free(block);
        return nullptr;
    }
    if (!oldSmall && newSize > kLargestSmall) {
        void* resized = std::realloc(block, newSize);
        return resized || !shrink ? resized : block;
    }
    if (oldSmall && newSize <= kLargestSmall && ClassOf(oldSize) == ClassOf(newSize))
        return block;
    void* moved = newSize <= kLargestSmall ? self.Take(ClassOf(newSize)) : std::malloc(newSize);
    if (!moved) {
        if (!shrink)
            return nullptr;
        // The old block holds the new size. A system block from now on goes
        // back to the free lists by its new size, so the heap keeps it.
        if (!oldSmall)
            self.Adopt(block);
        return block;
    }
    std::memcpy(moved, block, oldSize < newSize ? oldSize : newSize);
    if (oldSmall)
        self.Give(block, ClassOf(oldSize));
    else
        std::free(block);
    return moved;
}
