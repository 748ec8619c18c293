// Creating component objects by class: CoCreateInstance over a registry of
// the classes this build provides (each stand-in that offers a creatable
// class registers it), and the small helpers the engine uses with the
// objects. The identifier values of the stand-ins are this build's own.
#pragma once

#include "Platform/COM.h"
#include "Platform/Win32.h"

typedef IUnknown* LPUNKNOWN;

extern const GUID GUID_NULL;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);

// Creates an object of a registered class and queries it for `iid`.
// REGDB_E_CLASSNOTREG for a class nobody registered, CLASS_E_NOAGGREGATION
// when an outer object is given.
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, void** object);

// Releases an interface pointer that may be null and clears it.
template <class Interface>
void SafeRelease(Interface*& held)
{
    if (held)
        held->Release();
    held = nullptr;
}

namespace PlatformCom
{
// Makes a new object of the class with one reference held by the caller,
// or returns null.
typedef IUnknown* (*ClassFactory)();

// Registers (or with a null factory, removes) a creatable class.
void RegisterClassFactory(REFCLSID clsid, ClassFactory factory);
}
