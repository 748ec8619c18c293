#include "Startup/PDisplayModeList.h"

#include "Platform/D3D9.h"

std::vector<CPDisplayMode> DisplayModeList;

namespace
{
constexpr UINT kMinWidth = 1024;
constexpr UINT kMinHeight = 768;
constexpr uint32_t kBitsPerPixel = 32;
}

void EnumerateDisplayModes()
{
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    DisplayModeList.clear();
    if (!d3d)
        return;

    // The first of these the hardware takes full screen; the first anyway.
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    for (const D3DFORMAT candidate : { D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8 }) {
        if (SUCCEEDED(d3d->CheckDeviceType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, candidate, candidate, FALSE))) {
            format = candidate;
            break;
        }
    }

    const UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, format);
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode {};
        if (FAILED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, format, i, &mode)))
            continue;
        if (mode.Width < kMinWidth || mode.Height < kMinHeight)
            continue;
        // The same size at another refresh rate follows directly.
        if (!DisplayModeList.empty() && DisplayModeList.back().width == mode.Width
            && DisplayModeList.back().height == mode.Height)
            continue;
        DisplayModeList.push_back({ mode.Height, mode.Width, kBitsPerPixel });
    }
    d3d->Release();
}
