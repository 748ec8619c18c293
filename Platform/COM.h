// Component-object basics as the engine calls them: interface identifiers,
// the IUnknown root, wide strings (BSTR), the VARIANT holder for them, and
// COM/OLE start-up and shut-down. Start-up calls are counted so tests can
// check that every initialise is matched by an uninitialise.
#pragma once

#include "Platform/Win32.h"

#include <cstdint>

typedef uint32_t ULONG;
typedef char16_t WCHAR; // UTF-16 code unit, as on the platform the game targets
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* LPCOLESTR;
typedef WCHAR* BSTR;
typedef int16_t VARIANT_BOOL;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);

struct GUID
{
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFIID;
typedef const GUID& REFCLSID;

bool operator==(const GUID& a, const GUID& b);
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
inline bool IsEqualGUID(const GUID& a, const GUID& b) { return a == b; }

extern const IID IID_IUnknown;

// Root of every interface: reference counting and interface lookup.
class IUnknown
{
public:
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// --- BSTR and VARIANT ---------------------------------------------------------

// A BSTR is allocated with its length in front; null stands for "".
BSTR SysAllocString(LPCOLESTR text);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

typedef uint16_t VARTYPE;
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_BOOL = 11;

// The tagged value passed to automation calls; only the kinds above occur.
struct VARIANT
{
    VARTYPE vt;
    uint16_t wReserved1;
    uint16_t wReserved2;
    uint16_t wReserved3;
    union
    {
        LONG lVal;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
    };
};

void VariantInit(VARIANT* value);
// Frees what the value owns (a BSTR) and makes it VT_EMPTY.
HRESULT VariantClear(VARIANT* value);

// --- Code-page conversion -------------------------------------------------------

constexpr UINT CP_ACP = 0;
constexpr DWORD MB_PRECOMPOSED = 0x00000001;

// Widens ANSI text to UTF-16, each byte becoming the code unit of the same
// value. A length of -1 converts through the terminating zero (included in
// the count). With no room given it returns the units needed; with too
// little room, 0.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide, int wideLength);

// --- Start-up and shut-down -----------------------------------------------------

// The reserved argument must be null. S_OK for the first call on the thread,
// S_FALSE for every further one; each needs its own uninitialise.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();
// Initialises COM as well (and uninitialises it again).
HRESULT OleInitialize(LPVOID reserved);
void OleUninitialize();

namespace PlatformCom
{
// Initialisations not yet matched by an uninitialise.
int ComInitCount();
int OleInitCount();
// Uninitialise calls that found nothing to undo.
int UnmatchedUninitializeCount();
// Back to a fresh process: no initialisation, no unmatched call.
void Reset();
}
