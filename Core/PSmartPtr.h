// Intrusive smart pointer over a managed object: taking an object calls
// AddRef, dropping or replacing it calls Release. It owns nothing (Release
// frees nothing), so it is a counted reference, not a lifetime.
#pragma once

#include "Core/PManagedObject.h"

template <class T>
class CPSmartPtr
{
public:
    CPSmartPtr()
        : m_object(nullptr)
    {
    }

    CPSmartPtr(T* object)
        : m_object(object)
    {
        if (m_object)
            m_object->AddRef();
    }

    CPSmartPtr(const CPSmartPtr& other)
        : m_object(other.m_object)
    {
        if (m_object)
            m_object->AddRef();
    }

    template <class U>
    CPSmartPtr(const CPSmartPtr<U>& other)
        : m_object(other.Get())
    {
        if (m_object)
            m_object->AddRef();
    }

    ~CPSmartPtr()
    {
        if (m_object)
            m_object->Release();
    }

    // Release the old object, store the new one, AddRef it: in that order, so
    // assigning an object to itself leaves its count at 1.
    CPSmartPtr& operator=(T* object)
    {
        if (m_object)
            m_object->Release();
        m_object = object;
        if (m_object)
            m_object->AddRef();
        return *this;
    }

    CPSmartPtr& operator=(const CPSmartPtr& other) { return *this = other.m_object; }

    T* Get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    bool operator==(const CPSmartPtr& other) const { return m_object == other.m_object; }
    bool operator!=(const CPSmartPtr& other) const { return m_object != other.m_object; }
    bool operator==(const T* object) const { return m_object == object; }
    bool operator!=(const T* object) const { return m_object != object; }

private:
    T* m_object;
};
