#include "Render/PDeviceObject.h"

namespace
{
// The list's ends and length: plain values, set before any constructor runs,
// so device objects of any lifetime can join and leave it.
CPDeviceObject* g_first = nullptr;
CPDeviceObject* g_last = nullptr;
size_t g_count = 0;
}

CPDeviceObject::CPDeviceObject()
    : m_previous(g_last),
      m_next(nullptr)
{
    if (g_last)
        g_last->m_next = this;
    else
        g_first = this;
    g_last = this;
    ++g_count;
}

CPDeviceObject::~CPDeviceObject()
{
    if (m_previous)
        m_previous->m_next = m_next;
    else
        g_first = m_next;
    if (m_next)
        m_next->m_previous = m_previous;
    else
        g_last = m_previous;
    --g_count;
}

CPDeviceObject* CPDeviceObject::First()
{
    return g_first;
}

size_t CPDeviceObject::Count()
{
    return g_count;
}

void CPDeviceObject::LoseAll()
{
    for (CPDeviceObject* object = g_first; object;) {
        CPDeviceObject* const next = object->m_next;
        object->OnLostDevice();
        object = next;
    }
}

void CPDeviceObject::ResetAll()
{
    for (CPDeviceObject* object = g_first; object;) {
        CPDeviceObject* const next = object->m_next;
        object->OnResetDevice();
        object = next;
    }
}
