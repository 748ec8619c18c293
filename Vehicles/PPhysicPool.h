// Fixed-capacity pool of one kind of simulator record. The records live in a
// single block taken from the world's allocator when the pool is created;
// they start on the free list in array order with their kind's construction
// defaults. Taking a record marks it in use and unlinks it from the free list.
// Nothing gives a record back: it stays taken for the life of the world.
#pragma once

#include "Vehicles/PPhysicAllocator.h"
#include "Vehicles/PPhysicList.h"

#include <cstdint>

template <class T>
class CPPhysicPool
{
public:
    CPPhysicPool() = default;
    CPPhysicPool(const CPPhysicPool&) = delete;
    CPPhysicPool& operator=(const CPPhysicPool&) = delete;
    ~CPPhysicPool() { Destroy(); }

    // Takes the block for `capacity` records. A capacity of 0 or less makes
    // an empty pool that needs no memory. False, leaving the pool empty, when
    // the block is larger than 32 bits can say or the allocator refuses it.
    bool Create(CPPhysicAllocator* allocator, int32_t capacity)
    {
        Destroy();
        if (capacity <= 0)
            return true;
        m_records = PhysicAllocArray<T>(allocator, capacity);
        if (!m_records)
            return false;
        m_allocator = allocator;
        m_capacity = capacity;
        for (int32_t i = 0; i < capacity; ++i) {
            m_records[i].m_inUse = 0;
            m_free.PushTail(m_records + i);
        }
        return true;
    }

    // The free-list head, marked in use; null when the pool is empty.
    T* Take()
    {
        T* record = m_free.PopHead();
        if (!record)
            return nullptr;
        record->m_inUse = 1;
        ++m_taken;
        return record;
    }

    int32_t GetCapacity() const { return m_capacity; }
    int32_t GetFreeCount() const { return m_free.m_count; }
    int32_t GetTakenCount() const { return m_taken; }

    // Position of a record of this pool in its block.
    int32_t IndexOf(const T* record) const { return static_cast<int32_t>(record - m_records); }
    T* GetRecord(int32_t index) const
    {
        return index >= 0 && index < m_capacity ? m_records + index : nullptr;
    }

private:
    void Destroy()
    {
        PhysicFreeArray(m_allocator, m_records, m_capacity);
        m_allocator = nullptr;
        m_records = nullptr;
        m_free = CPPhysicList<T>();
        m_capacity = 0;
        m_taken = 0;
    }

    CPPhysicAllocator* m_allocator = nullptr;
    T* m_records = nullptr;
    CPPhysicList<T> m_free;
    int32_t m_capacity = 0;
    int32_t m_taken = 0;
};
