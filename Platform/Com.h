// Component objects as the engine uses them: interface identifiers, the
// IUnknown base with its reference count, and CoCreateInstance over a registry
// of the classes this build provides (each stand-in that offers a creatable
// class registers it). The identifier values are this build's own.
#pragma once

#include "Platform/Win32.h"

typedef uint32_t ULONG;

struct GUID
{
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
typedef const GUID& REFGUID;

bool operator==(const GUID& a, const GUID& b);
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

extern const GUID GUID_NULL;

class IUnknown
{
public:
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;

extern const IID IID_IUnknown;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);

// Creates an object of a registered class and queries it for `iid`.
// REGDB_E_CLASSNOTREG for a class nobody registered, CLASS_E_NOAGGREGATION
// when an outer object is given.
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, void** object);

namespace PlatformCom
{
// Makes a new object of the class with one reference held by the caller,
// or returns null.
typedef IUnknown* (*ClassFactory)();

// Registers (or with a null factory, removes) a creatable class.
void RegisterClass(REFCLSID clsid, ClassFactory factory);
}
