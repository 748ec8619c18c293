#include "Platform/D3D9.h"

#include "Platform/DisplayModes.h"

const IID IID_IDirect3D9 = { 0x7E172001, 0x0000, 0x0000, { 0x56, 0x45, 0x4C, 0x54, 0x52, 0x49, 0x58, 0x01 } };

namespace
{
int g_liveObjects = 0;

// The Direct3D object over a snapshot of the mode source taken at creation.
// Adapter 0 is the only adapter.
class CDirect3D9 final : public IDirect3D9
{
public:
    explicit CDirect3D9(const PlatformDisplay::Source& source)
        : m_source(source)
    {
        ++g_liveObjects;
    }
    ~CDirect3D9() { --g_liveObjects; }
    CDirect3D9(const CDirect3D9&) = delete;
    CDirect3D9& operator=(const CDirect3D9&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_IDirect3D9) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDirect3D9*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_count; }
    ULONG Release() override
    {
        const ULONG count = --m_count;
        if (count == 0)
            delete this;
        return count;
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

private:
    ULONG m_count = 1;
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
