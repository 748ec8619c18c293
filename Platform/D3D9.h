// Direct3D 9 as the engine calls it: formats, device types, display modes and
// the Direct3D object. The object enumerates the display modes of one adapter
// from the platform's mode source (Platform/DisplayModes.h). Interfaces are
// abstract so that the devices and resources the renderer needs can be added
// beside the enumeration.
#pragma once

#include "Platform/COM.h"
#include "Platform/D3DX9Math.h"
#include "Platform/Win32.h"

constexpr UINT D3D_SDK_VERSION = 32;
constexpr UINT D3DADAPTER_DEFAULT = 0;

// Pixel formats (the values are the ones files and drivers use).
enum D3DFORMAT : uint32_t
{
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A1R5G5B5 = 25,
};

enum D3DDEVTYPE : uint32_t
{
    D3DDEVTYPE_HAL = 1,
    D3DDEVTYPE_REF = 2,
    D3DDEVTYPE_SW = 3,
};

struct D3DDISPLAYMODE
{
    UINT Width;
    UINT Height;
    UINT RefreshRate;
    D3DFORMAT Format;
};

enum D3DLIGHTTYPE : uint32_t
{
    D3DLIGHT_POINT = 1,
    D3DLIGHT_SPOT = 2,
    D3DLIGHT_DIRECTIONAL = 3,
};

// Colour with float channels as the device takes it.
struct D3DCOLORVALUE
{
    float r, g, b, a;
};

// A light of the fixed-function pipeline.
struct D3DLIGHT9
{
    D3DLIGHTTYPE Type;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DVECTOR Position;
    D3DVECTOR Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;
    float Phi;
};

constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);

extern const IID IID_IDirect3D9;

class IDirect3D9 : public IUnknown
{
public:
    virtual UINT GetAdapterCount() = 0;
    // Modes of the adapter in the given display format; 0 for an unknown
    // adapter or a format no mode has.
    virtual UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
    virtual HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) = 0;
    // Whether a device of the type can run with this display format and
    // back-buffer format, in a window or full screen.
    virtual HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT displayFormat,
                                    D3DFORMAT backBufferFormat, BOOL windowed) = 0;

protected:
    ~IDirect3D9() = default;
};

// The Direct3D object (count 1), or null when the SDK version is not
// D3D_SDK_VERSION or no Direct3D runtime is present.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

namespace PlatformD3D9
{
// Direct3D objects created and not yet released.
int LiveObjectCount();
}
