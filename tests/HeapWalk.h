// Follows what managed objects hold on the heap, the way a leak checker
// does: every aligned word of a reached heap block is taken for a pointer,
// and a word that holds the start of another live block leads on to that
// block. A walk from one object enters the blocks it owns (its own block, the
// buffers of its vectors and strings, the nodes of its maps and lists) and
// stops at the managed objects it points at, which it names. Whoever owns
// the heap says where blocks start: the sanitizer's allocator in the fuzz
// targets, a counting allocator in the benchmarks.
#pragma once

#include "Core/PManagedObject.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <unordered_set>
#include <vector>

namespace heap
{
// The bytes of the live heap block that starts at the address; 0 when no
// block starts there (or the block is not to be walked).
using BlockSize = std::function<size_t(const void*)>;

// Where a managed object's heap block starts: at its most-derived object.
inline const void* BlockOf(const CPManagedObject* object)
{
    return dynamic_cast<const void*>(object);
}

// The block a pointer leads to: the one that starts there, or the array
// whose element count (as new[] stores it in front of the elements of a
// class with a destructor) lies just before it; null for neither.
inline const void* BlockAt(const void* word, const BlockSize& sizeOf)
{
    if (!word)
        return nullptr;
    if (sizeOf(word) != 0)
        return word;
    const auto* cookie = static_cast<const unsigned char*>(word) - sizeof(size_t);
    if (reinterpret_cast<uintptr_t>(word) < sizeof(size_t))
        return nullptr;
    const size_t size = sizeOf(cookie);
    if (size <= sizeof(size_t))
        return nullptr;
    size_t count = 0;
    std::memcpy(&count, cookie, sizeof(count));
    return count != 0 && (size - sizeof(size_t)) % count == 0 ? cookie : nullptr;
}

struct Reach
{
    size_t bytes = 0;                 // of the blocks entered
    std::vector<const void*> objects; // block starts of the managed objects met
};

// Walks from the block at `start`. A block already in `entered` is not
// entered again, and every block entered is added to it, so walks that share
// the set count each block once.
inline Reach Walk(const void* start, const BlockSize& sizeOf, std::unordered_set<const void*>& entered)
{
    Reach reach;
    std::vector<const void*> pending;
    if (sizeOf(start) != 0 && entered.insert(start).second)
        pending.push_back(start);
    while (!pending.empty()) {
        const void* const block = pending.back();
        pending.pop_back();
        const size_t size = sizeOf(block);
        reach.bytes += size;
        const auto* bytes = static_cast<const unsigned char*>(block);
        for (size_t offset = 0; offset + sizeof(void*) <= size; offset += sizeof(void*)) {
            const void* word = nullptr;
            std::memcpy(&word, bytes + offset, sizeof(word));
            word = BlockAt(word, sizeOf);
            if (!word || word == block)
                continue;
            if (CPManagedObject::IsLive(word))
                reach.objects.push_back(word);
            else if (entered.insert(word).second)
                pending.push_back(word);
        }
    }
    return reach;
}
}
