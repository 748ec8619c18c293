#include "Platform/Com.h"

#include <cstring>
#include <vector>

const GUID GUID_NULL = { 0, 0, 0, { 0, 0, 0, 0, 0, 0, 0, 0 } };
const IID IID_IUnknown = { 0x7a1c0001, 0x5e17, 0x4c0e, { 0x90, 0x00, 0x56, 0x65, 0x6c, 0x74, 0x00, 0x01 } };

bool operator==(const GUID& a, const GUID& b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3
        && std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

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
void RegisterClass(REFCLSID clsid, ClassFactory factory)
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
