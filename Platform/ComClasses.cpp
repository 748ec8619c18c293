#include "Platform/ComClasses.h"

#include <vector>

const GUID GUID_NULL = { 0, 0, 0, { 0, 0, 0, 0, 0, 0, 0, 0 } };

namespace
{
struct RegisteredClass
{
    CLSID clsid;
    PlatformCom::ClassFactory factory;
};

std::vector<RegisteredClass>& Classes()
{
    static std::vector<RegisteredClass> classes;
    return classes;
}
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    for (const RegisteredClass& c : Classes()) {
        if (c.clsid != clsid)
            continue;
        IUnknown* made = c.factory();
        if (!made)
            return E_OUTOFMEMORY;
        const HRESULT hr = made->QueryInterface(iid, object);
        made->Release();
        return hr;
    }
    return REGDB_E_CLASSNOTREG;
}

namespace PlatformCom
{
void RegisterClassFactory(REFCLSID clsid, ClassFactory factory)
{
    std::vector<RegisteredClass>& classes = Classes();
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (it->clsid != clsid)
            continue;
        if (factory)
            it->factory = factory;
        else
            classes.erase(it);
        return;
    }
    if (factory)
        classes.push_back({ clsid, factory });
}
}
