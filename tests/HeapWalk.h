// Follows what managed objects hold on the heap, the way a leak checker
// does: every aligned word of a reached heap block is taken for a pointer,
// and a word that holds the start of another live block leads on to that
// block. A walk from one object enters the blocks it owns (its own block, the
// buffers of its vectors and strings, the nodes of its maps and lists) and
// stops at the managed objects it points at, which it names. Whoever owns
// the heap says where blocks start: the sanitizer's allocator hooks in the
// fuzz targets, a counting allocator in the benchmarks, each keeping its
// blocks in a BlockTable.
#pragma once

#include "Core/PManagedObject.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <vector>

// The walks are no part of what a fuzz target explores: their branches are
// kept out of the coverage that guides it.
#if defined(__clang__)
#define HEAP_UNCOVERED __attribute__((no_sanitize("coverage")))
#else
#define HEAP_UNCOVERED
#endif

// Reads that no sanitizer checks (GCC knows no memory sanitizer).
#if defined(__clang__)
#define HEAP_UNCHECKED __attribute__((no_sanitize("address", "memory")))
#else
#define HEAP_UNCHECKED __attribute__((no_sanitize("address")))
#endif

namespace heap
{
// Live heap blocks as an allocator hook reports them: start, requested size
// and the serial number of the allocation, in an open table (linear probing,
// at most half full) whose memory comes straight from the system, so that
// keeping it allocates nothing. The table starts empty without construction
// (it can serve an allocator before the program's constructors run). The
// table keeps the size it grew to, and a clear costs what was added since
// the last one, not the table's size: the slots Add filled are listed.
class BlockTable
{
public:
    HEAP_UNCOVERED void Add(const void* start, size_t size)
    {
        if (!start)
            return;
        Lock();
        if ((m_count + 1) * 2 > m_capacity)
            Grow();
        const size_t index = Find(start);
        Slot& slot = m_slots[index];
        if (!slot.start) {
            ++m_count;
            NoteFilled(index);
        } else
            m_bytes -= slot.size;
        slot = Slot{ start, size, ++m_serial };
        m_bytes += size;
        const uintptr_t address = reinterpret_cast<uintptr_t>(start);
        m_lowest = std::min(m_lowest, address);
        m_highest = std::max(m_highest, address);
        Unlock();
    }

    HEAP_UNCOVERED void Remove(const void* start)
    {
        if (!start)
            return;
        Lock();
        if (m_capacity != 0) {
            size_t hole = Find(start);
            if (m_slots[hole].start) {
                m_bytes -= m_slots[hole].size;
                --m_count;
                // Later slots of the run move back into the hole when their
                // home lies at or before it.
                for (size_t j = (hole + 1) & Mask(); m_slots[j].start; j = (j + 1) & Mask()) {
                    if (((j - Home(m_slots[j].start)) & Mask()) >= ((j - hole) & Mask())) {
                        m_slots[hole] = m_slots[j];
                        hole = j;
                    }
                }
                m_slots[hole] = Slot{};
            }
        }
        Unlock();
    }

    // The requested size of the block that starts there when it was
    // allocated after `serial`; 0 otherwise.
    HEAP_UNCOVERED size_t SizeSince(const void* start, uint64_t serial)
    {
        // Most words of a block are no address of a block at all.
        const uintptr_t address = reinterpret_cast<uintptr_t>(start);
        if (address < m_lowest || address > m_highest)
            return 0;
        Lock();
        size_t size = 0;
        if (m_capacity != 0) {
            const Slot& slot = m_slots[Find(start)];
            if (slot.start && slot.serial > serial)
                size = slot.size;
        }
        Unlock();
        return size;
    }

    // The serial number of the live block that starts there; 0 when none does.
    HEAP_UNCOVERED uint64_t SerialOf(const void* start)
    {
        Lock();
        const uint64_t serial = m_capacity != 0 ? m_slots[Find(start)].serial : 0;
        Unlock();
        return serial;
    }

    // Calls f(start, size) for every block listed.
    template <class F>
    void ForEach(F f)
    {
        for (size_t i = 0; i < m_capacity; ++i) {
            if (m_slots[i].start)
                f(m_slots[i].start, m_slots[i].size);
        }
    }

    // Forgets every block; the serial numbers go on.
    HEAP_UNCOVERED void Clear()
    {
        Lock();
        // An empty table has no slot to clear (Remove empties the slots it
        // frees).
        if (m_count != 0 && m_filledAll) {
            for (size_t i = 0; i < m_capacity; ++i)
                m_slots[i] = Slot{};
        } else if (m_count != 0) {
            for (size_t i = 0; i < m_filledCount; ++i)
                m_slots[m_filled[i]] = Slot{};
        }
        m_filledCount = 0;
        m_filledAll = false;
        m_count = 0;
        m_bytes = 0;
        m_lowest = UINTPTR_MAX;
        m_highest = 0;
        Unlock();
    }

    size_t Count() const { return m_count; }
    size_t Bytes() const { return m_bytes; }
    uint64_t Serial() const { return m_serial; }

private:
    struct Slot
    {
        const void* start = nullptr;
        size_t size = 0;
        uint64_t serial = 0;
    };

    void Lock()
    {
        while (m_lock.test_and_set(std::memory_order_acquire)) {
        }
    }
    void Unlock() { m_lock.clear(std::memory_order_release); }

    size_t Mask() const { return m_capacity - 1; }
    HEAP_UNCOVERED size_t Home(const void* start) const
    {
        return static_cast<size_t>((reinterpret_cast<uintptr_t>(start) * 0x9E3779B97F4A7C15ull) >> 20) & Mask();
    }
    HEAP_UNCOVERED size_t Find(const void* start) const
    {
        size_t i = Home(start);
        while (m_slots[i].start && m_slots[i].start != start)
            i = (i + 1) & Mask();
        return i;
    }

    static void* MapPages(size_t bytes)
    {
        void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED)
            std::abort();
        return memory;
    }

    // Lists a slot that Add filled. Every slot in use is listed: a slot comes
    // into use only through Add or, in Remove, by taking the entry of a later
    // slot into one that was in use. Past half the table the list stops and
    // the next clear goes over every slot.
    HEAP_UNCOVERED void NoteFilled(size_t index)
    {
        if (m_filledAll)
            return;
        if (m_filledCount == FilledCapacity()) {
            m_filledAll = true;
            return;
        }
        m_filled[m_filledCount++] = static_cast<uint32_t>(index);
    }
    size_t FilledCapacity() const { return m_capacity / 2; }

    HEAP_UNCOVERED void Grow()
    {
        Slot* const old = m_slots;
        const size_t oldCapacity = m_capacity;
        uint32_t* const oldFilled = m_filled;
        m_capacity = oldCapacity == 0 ? (1u << 16) : oldCapacity * 2;
        m_slots = static_cast<Slot*>(MapPages(m_capacity * sizeof(Slot)));
        m_filled = static_cast<uint32_t*>(MapPages(FilledCapacity() * sizeof(uint32_t)));
        m_filledCount = 0;
        m_filledAll = false;
        for (size_t i = 0; i < oldCapacity; ++i) {
            if (old[i].start) {
                const size_t index = Find(old[i].start);
                m_slots[index] = old[i];
                NoteFilled(index);
            }
        }
        if (old) {
            munmap(old, oldCapacity * sizeof(Slot));
            munmap(oldFilled, oldCapacity / 2 * sizeof(uint32_t));
        }
    }

    std::atomic_flag m_lock = ATOMIC_FLAG_INIT;
    Slot* m_slots = nullptr;
    size_t m_capacity = 0;
    size_t m_count = 0;
    // The slots Add filled since the last clear (FilledCapacity() at most),
    // unless m_filledAll: then any slot may be in use.
    uint32_t* m_filled = nullptr;
    size_t m_filledCount = 0;
    bool m_filledAll = false;
    size_t m_bytes = 0;
    uint64_t m_serial = 0;
    // Every start listed since the table was made or cleared lies between
    // these.
    uintptr_t m_lowest = UINTPTR_MAX;
    uintptr_t m_highest = 0;
};

// The walks below take `sizeOf`, a function that gives the bytes of the
// live heap block starting at an address, and 0 when no block starts there
// (or the block is not to be walked).

// A word of a live block, read as the program never reads it (an array's
// element count, which the address checker guards, or bytes never written):
// so the read is not checked.
HEAP_UNCHECKED HEAP_UNCOVERED inline uintptr_t ReadWord(const void* at)
{
    uintptr_t word = 0;
    __builtin_memcpy(&word, at, sizeof(word));
    return word;
}

// Where a managed object's heap block starts: at its most-derived object.
inline const void* BlockOf(const CPManagedObject* object)
{
    return dynamic_cast<const void*>(object);
}

// The block a pointer leads to: the one that starts there, or the array
// whose element count (as new[] stores it in front of the elements of a
// class with a destructor) lies just before it; null for neither.
template <class BlockSize>
HEAP_UNCOVERED const void* BlockAt(const void* word, const BlockSize& sizeOf)
{
    if (!word)
        return nullptr;
    if (sizeOf(word) != 0)
        return word;
    // Plain numbers: the word may be any value at all.
    const uintptr_t address = reinterpret_cast<uintptr_t>(word);
    if (address < sizeof(size_t))
        return nullptr;
    const void* cookie = reinterpret_cast<const void*>(address - sizeof(size_t));
    const size_t size = sizeOf(cookie);
    if (size <= sizeof(size_t))
        return nullptr;
    const size_t count = ReadWord(cookie);
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
template <class BlockSize>
HEAP_UNCOVERED Reach Walk(const void* start, const BlockSize& sizeOf, std::unordered_set<const void*>& entered)
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
            const void* word = BlockAt(reinterpret_cast<const void*>(ReadWord(bytes + offset)), sizeOf);
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
