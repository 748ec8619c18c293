#include "Platform/D3D9.h"

#include "Platform/ComObject.h"
#include "Platform/D3D9Device.h"
#include "Platform/DisplayModes.h"

const IID IID_IDirect3D9 = { 0x7E172001, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x01 } };

namespace
{
int g_liveObjects = 0;

// The Direct3D object over a snapshot of the mode source taken at creation.
// Adapter 0 is the only adapter.
class CDirect3D9 final : public ComObject<CDirect3D9, IDirect3D9>
{
public:
    explicit CDirect3D9(const PlatformDisplay::Source& source)
        : m_source(source)
    {
        ++g_liveObjects;
    }
    ~CDirect3D9() { --g_liveObjects; }

    void* FindInterface(REFIID iid)
    {
        return iid == IID_IUnknown || iid == IID_IDirect3D9 ? static_cast<IDirect3D9*>(this) : nullptr;
    }

    UINT GetAdapterCount() override { return 1; }

    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override
    {
        if (adapter != D3DADAPTER_DEFAULT)
            return 0;
        UINT count = 0;
        for (const PlatformDisplay::Mode& mode : m_source.modes)
            count += mode.format == format ? 1 : 0;
        return count;
    }

    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* displayMode) override
    {
        if (adapter != D3DADAPTER_DEFAULT || !displayMode)
            return D3DERR_INVALIDCALL;
        UINT seen = 0;
        for (const PlatformDisplay::Mode& mode : m_source.modes) {
            if (mode.format != format || seen++ != index)
                continue;
            if (mode.enumerationFails)
                return D3DERR_NOTAVAILABLE;
            *displayMode = { mode.width, mode.height, mode.refreshRate, mode.format };
            return S_OK;
        }
        return D3DERR_INVALIDCALL;
    }

    // A display format is usable when the adapter has modes in it; the back
    // buffer must match it, except that an alpha channel may be added.
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT displayFormat,
                            D3DFORMAT backBufferFormat, BOOL windowed) override
    {
        (void)windowed;
        if (adapter != D3DADAPTER_DEFAULT || deviceType != D3DDEVTYPE_HAL)
            return D3DERR_INVALIDCALL;
        if (GetAdapterModeCount(adapter, displayFormat) == 0)
            return D3DERR_NOTAVAILABLE;
        const bool matches = backBufferFormat == displayFormat
            || (displayFormat == D3DFMT_X8R8G8B8 && backBufferFormat == D3DFMT_A8R8G8B8)
            || (displayFormat == D3DFMT_X1R5G5B5 && backBufferFormat == D3DFMT_A1R5G5B5);
        return matches ? S_OK : D3DERR_NOTAVAILABLE;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override
    {
        (void)focusWindow;
        if (device)
            *device = nullptr;
        if (!device || !parameters || adapter != D3DADAPTER_DEFAULT)
            return D3DERR_INVALIDCALL;
        if (deviceType != D3DDEVTYPE_HAL)
            return D3DERR_NOTAVAILABLE;
        const DWORD processing = behaviorFlags
            & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING
               | D3DCREATE_MIXED_VERTEXPROCESSING);
        if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING
            && processing != D3DCREATE_MIXED_VERTEXPROCESSING)
            return D3DERR_INVALIDCALL;
        PlatformD3D9::RecordingDevice* made = PlatformD3D9::CreateRecordingDevice(*parameters);
        made->SetLogging(false); // a running game keeps no call log
        *device = made;
        return S_OK;
    }

private:
    const PlatformDisplay::Source m_source;
};
}

IDirect3D9* Direct3DCreate9(UINT sdkVersion)
{
    if (sdkVersion != D3D_SDK_VERSION)
        return nullptr;
    const PlatformDisplay::Source source = PlatformDisplay::CurrentSource();
    if (!source.runtimePresent)
        return nullptr;
    return new CDirect3D9(source);
}

namespace PlatformD3D9
{
int LiveObjectCount()
{
    return g_liveObjects;
}
}
