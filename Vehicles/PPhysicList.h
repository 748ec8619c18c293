// Intrusive doubly linked list of simulator records: a head, a tail and a
// count. Every record kind carries its own m_prev and m_next links (and the
// pool's in-use byte), so a record sits on exactly one list at a time: its
// pool's free list, a body list of the world, or a list of its body.
#pragma once

#include <cstdint>

template <class T>
struct CPPhysicList
{
    T* m_head = nullptr;
    T* m_tail = nullptr;
    int32_t m_count = 0;

    bool IsEmpty() const { return m_head == nullptr; }

    void PushTail(T* record)
    {
        record->m_next = nullptr;
        record->m_prev = m_tail;
        if (m_tail)
            m_tail->m_next = record;
        else
            m_head = record;
        m_tail = record;
        ++m_count;
    }

    void PushHead(T* record)
    {
        record->m_prev = nullptr;
        record->m_next = m_head;
        if (m_head)
            m_head->m_prev = record;
        else
            m_tail = record;
        m_head = record;
        ++m_count;
    }

    // The record must be on this list.
    void Unlink(T* record)
    {
        if (record->m_prev)
            record->m_prev->m_next = record->m_next;
        else
            m_head = static_cast<T*>(record->m_next);
        if (record->m_next)
            record->m_next->m_prev = record->m_prev;
        else
            m_tail = static_cast<T*>(record->m_prev);
        record->m_prev = nullptr;
        record->m_next = nullptr;
        --m_count;
    }

    T* PopHead()
    {
        T* record = m_head;
        if (record)
            Unlink(record);
        return record;
    }
};
