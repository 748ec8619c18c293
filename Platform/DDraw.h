// A DirectDraw object that makes plain surfaces in system memory: enough for
// the video player, which has frames decoded into a surface and copies them
// out. Only 32-bit RGB surfaces are made. A surface's pixels stay where Lock
// returned them until the surface is released; Lock and Unlock pair up.
#pragma once

#include "Platform/ComClasses.h"
#include "Platform/Win32.h"

#include <cstdint>

constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = static_cast<HRESULT>(0x88760091u);
constexpr HRESULT DDERR_SURFACEBUSY = static_cast<HRESULT>(0x887601AEu);
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x88760248u);

// Cooperative levels.
constexpr DWORD DDSCL_NORMAL = 0x00000008;

// Which fields of a surface description are valid.
constexpr DWORD DDSD_CAPS = 0x00000001;
constexpr DWORD DDSD_HEIGHT = 0x00000002;
constexpr DWORD DDSD_WIDTH = 0x00000004;
constexpr DWORD DDSD_PITCH = 0x00000008;
constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;

constexpr DWORD DDPF_RGB = 0x00000040;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800;

constexpr DWORD DDLOCK_WAIT = 0x00000001;
constexpr DWORD DDLOCK_READONLY = 0x00000010;

struct DDPIXELFORMAT
{
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
};

struct DDSCAPS
{
    DWORD dwCaps;
};

struct DDSURFACEDESC
{
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    DWORD dwRefreshRate;
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
};

// The size callers put in DDSURFACEDESC::dwSize: the description's size in
// the game's own 32-bit layout, which every call checks.
constexpr DWORD kDDSurfaceDescSize = 108;

class IDirectDrawSurface : public IUnknown
{
public:
    // The whole surface (the rectangle must be null): its description with
    // lpSurface and lPitch filled. DDERR_SURFACEBUSY while already locked.
    virtual HRESULT Lock(RECT* rect, DDSURFACEDESC* description, DWORD flags, HANDLE event) = 0;
    virtual HRESULT Unlock(LPVOID rect) = 0;
    virtual HRESULT GetSurfaceDesc(DDSURFACEDESC* description) = 0;

protected:
    ~IDirectDrawSurface() = default;
};

class IDirectDraw : public IUnknown
{
public:
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    // A surface of the description's width, height and 32-bit RGB format.
    virtual HRESULT CreateSurface(DDSURFACEDESC* description, IDirectDrawSurface** surface, IUnknown* outer) = 0;

protected:
    ~IDirectDraw() = default;
};

extern const IID IID_IDirectDraw;
extern const IID IID_IDirectDrawSurface;

// The driver must be null (the default one); no outer object.
HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** directDraw, IUnknown* outer);

namespace PlatformDDraw
{
// Objects and surfaces alive now.
int LiveObjects();
int LiveSurfaces();
}
