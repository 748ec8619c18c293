// The simulator world's memory interface. Every pool and array of a world is
// taken through one allocator: the caller's, or the world's own, which is this
// class as it stands: the C heap, with a running total of the bytes asked for
// that only ever grows. A caller supplies its own by overriding both calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

class CPPhysicAllocator
{
public:
    CPPhysicAllocator() = default;
    CPPhysicAllocator(const CPPhysicAllocator&) = delete;
    CPPhysicAllocator& operator=(const CPPhysicAllocator&) = delete;

    // A block of `size` bytes, or null. Every caller passes the hint 0.
    virtual void* Alloc(uint32_t size, uint32_t hint);
    virtual void Free(void* block);
    virtual ~CPPhysicAllocator() = default;

    // Sum of every size asked of the heap allocator (32 bits, wrapping).
    uint32_t GetAllocatedTotal() const { return m_allocatedTotal; }

private:
    uint32_t m_allocatedTotal = 0;
};

// An array of `count` value-initialised records taken from the allocator in
// one block. Null when the count is 0 or less, when the block is larger than
// 32 bits can say, or when the allocator refuses it.
template <class T>
T* PhysicAllocArray(CPPhysicAllocator* allocator, int64_t count)
{
    static_assert(alignof(T) <= alignof(std::max_align_t), "simulator records need no special alignment");
    if (!allocator || count <= 0 || static_cast<uint64_t>(count) > UINT32_MAX / sizeof(T))
        return nullptr;
    void* block = allocator->Alloc(static_cast<uint32_t>(count * sizeof(T)), 0);
    if (!block)
        return nullptr;
    T* array = static_cast<T*>(block);
    // Numbers and pointers value-initialise to zero bytes: the broad phase's
    // pair tables hold millions of them.
    if constexpr (std::is_arithmetic_v<T> || std::is_pointer_v<T>) {
        std::memset(block, 0, static_cast<size_t>(count) * sizeof(T));
    } else {
        for (int64_t i = 0; i < count; ++i)
            new (array + i) T();
    }
    return array;
}

// Destroys the records of an array from PhysicAllocArray and gives its block back.
template <class T>
void PhysicFreeArray(CPPhysicAllocator* allocator, T* array, int64_t count)
{
    if (!array)
        return;
    if constexpr (!std::is_trivially_destructible_v<T>) {
        for (int64_t i = 0; i < count; ++i)
            array[i].~T();
    }
    allocator->Free(array);
}
