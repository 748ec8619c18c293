#include "Platform/DXErr.h"

#include "Platform/D3D9.h"

namespace
{
struct DXErrorText
{
    HRESULT code;
    const char* name;
    const char* description;
};

// One row per code. Each device stand-in adds the codes its calls return,
// under its own heading; the lookup reads the table top to bottom.
const DXErrorText kErrorTexts[] = {
    // General results shared by every device interface.
    { S_OK, "S_OK", "The call succeeded." },
    { S_FALSE, "S_FALSE", "The call succeeded but did nothing." },
    { E_FAIL, "E_FAIL", "The call failed for an unspecified reason." },
    { E_OUTOFMEMORY, "E_OUTOFMEMORY", "Not enough memory to complete the call." },
    { E_INVALIDARG, "E_INVALIDARG", "An argument of the call is invalid." },
    { E_NOTIMPL, "E_NOTIMPL", "The operation is not implemented." },
    { E_NOINTERFACE, "E_NOINTERFACE", "The object does not offer the interface asked for." },
    { E_POINTER, "E_POINTER", "A pointer argument is invalid." },

    // Direct3D 9.
    { D3DERR_NOTAVAILABLE, "D3DERR_NOTAVAILABLE", "The device does not support the queried technique." },
    { D3DERR_INVALIDCALL, "D3DERR_INVALIDCALL", "The method call is invalid: a parameter may be wrong." },
};

const DXErrorText* FindErrorText(HRESULT result)
{
    for (const DXErrorText& entry : kErrorTexts) {
        if (entry.code == result)
            return &entry;
    }
    return nullptr;
}
}

const char* DXGetErrorString9A(HRESULT result)
{
    const DXErrorText* entry = FindErrorText(result);
    return entry ? entry->name : "Unknown";
}

const char* DXGetErrorDescription9A(HRESULT result)
{
    const DXErrorText* entry = FindErrorText(result);
    return entry ? entry->description : "The result code is not known.";
}
