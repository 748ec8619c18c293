// A counted reference that notices when its object is destroyed. Objects end
// when their owner deletes them, whatever references are held (a level's
// pickups go with the level); a list that outlives them keeps this instead of
// a CPSmartPtr. It keeps the object's id (never reused) beside the pointer,
// gives null once no live object has that id, and from then on neither
// releases nor touches the object.
#pragma once

#include "Core/PManagedObject.h"
#include "Core/PSmartPtr.h"

#include <cstdint>

template <class T>
class CPLiveRef
{
public:
    CPLiveRef() = default;
    CPLiveRef(T* object) { Take(object); }
    CPLiveRef(const CPSmartPtr<T>& object) { Take(object.Get()); }
    CPLiveRef(const CPLiveRef& other) { Take(other.Get()); }
    ~CPLiveRef() { Drop(); }

    // Releases the old object when it still lives, then takes the new one:
    // in that order, as CPSmartPtr does.
    CPLiveRef& operator=(T* object)
    {
        Drop();
        Take(object);
        return *this;
    }

    CPLiveRef& operator=(const CPLiveRef& other) { return *this = other.Get(); }

    // The object, or null when there is none or it has been destroyed.
    T* Get() const { return m_object && CPManagedObject::FindLive(m_id) ? m_object : nullptr; }
    explicit operator bool() const { return Get() != nullptr; }

private:
    void Take(T* object)
    {
        m_object = object;
        m_id = object ? object->GetId() : 0;
        if (object)
            object->AddRef();
    }

    void Drop()
    {
        if (T* object = Get())
            object->Release();
        m_object = nullptr;
        m_id = 0;
    }

    T* m_object = nullptr;
    uint64_t m_id = 0;
};
