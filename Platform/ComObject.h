// Reference counting and interface lookup for the COM-style stand-ins. A
// stand-in derives from ComObject<Self, Interfaces...> and only says which
// interface answers an identifier, in `void* FindInterface(REFIID)` (null when
// it has none). The count starts at one, the reference its creator hands out;
// the last Release deletes the object as a Self.
#pragma once

#include "Platform/COM.h"

template <class Self, class... Interfaces>
class ComObject : public Interfaces...
{
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = static_cast<Self*>(this)->FindInterface(iid);
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    ULONG AddRef() override { return ++m_count; }

    ULONG Release() override
    {
        const ULONG left = --m_count;
        if (left == 0)
            delete static_cast<Self*>(this);
        return left;
    }

protected:
    ~ComObject() = default;

private:
    ULONG m_count = 1;
};
