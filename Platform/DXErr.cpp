#include "Platform/DXErr.h"

#include "Platform/D3D9.h"
#include "Platform/D3DX9Tex.h"
#include "Platform/DSound.h"
#include "Platform/DShow.h"

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
    { D3DERR_OUTOFVIDEOMEMORY, "D3DERR_OUTOFVIDEOMEMORY", "Not enough display memory to complete the call." },
    { D3DERR_DRIVERINTERNALERROR, "D3DERR_DRIVERINTERNALERROR", "The display driver met an internal error." },
    { D3DERR_DEVICELOST, "D3DERR_DEVICELOST", "The device is lost and cannot be reset yet." },
    { D3DERR_DEVICENOTRESET, "D3DERR_DEVICENOTRESET", "The device is lost but can be reset now." },

    // D3DX.
    { D3DXERR_INVALIDDATA, "D3DXERR_INVALIDDATA", "The data is invalid." },

    // DirectSound.
    { DSERR_CONTROLUNAVAIL, "DSERR_CONTROLUNAVAIL", "The buffer was not created with the control this call needs." },
    { DSERR_INVALIDCALL, "DSERR_INVALIDCALL", "This call is not valid for the object in its present state." },
    { DSERR_PRIOLEVELNEEDED, "DSERR_PRIOLEVELNEEDED", "The call needs a higher cooperative level." },
    { DSERR_BADFORMAT, "DSERR_BADFORMAT", "The wave format is not supported." },
    { DSERR_BUFFERLOST, "DSERR_BUFFERLOST", "The buffer memory was lost and must be restored." },

    // Component objects and DirectShow.
    { CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION", "The class cannot be created as part of another object." },
    { REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG", "The class is not registered." },
    { CO_E_NOTINITIALIZED, "CO_E_NOTINITIALIZED", "The object has not been initialised." },
    { E_ABORT, "E_ABORT", "The operation was aborted." },
    { HRESULT_FILE_NOT_FOUND, "ERROR_FILE_NOT_FOUND", "The system cannot find the file specified." },
    { VFW_E_UNKNOWN_FILE_TYPE, "VFW_E_UNKNOWN_FILE_TYPE", "The media type of this file is not recognised." },
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
