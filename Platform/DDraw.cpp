#include "Platform/DDraw.h"

#include "Platform/ComObject.h"

#include <cstddef>
#include <vector>

const IID IID_IDirectDraw = { 0x7a1c0301, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x03, 0x01 } };
const IID IID_IDirectDrawSurface = { 0x7a1c0302, 0x5e17, 0x4c0e, { 0x90, 0x02, 0x56, 0x65, 0x6c, 0x74, 0x03, 0x02 } };

namespace
{
int g_LiveObjects = 0;
int g_LiveSurfaces = 0;

// The pixel format of every surface: X8R8G8B8.
DDPIXELFORMAT RgbFormat()
{
    DDPIXELFORMAT format {};
    format.dwSize = sizeof(DDPIXELFORMAT);
    format.dwFlags = DDPF_RGB;
    format.dwRGBBitCount = 32;
    format.dwRBitMask = 0x00FF0000;
    format.dwGBitMask = 0x0000FF00;
    format.dwBBitMask = 0x000000FF;
    return format;
}

class Surface final : public ComObject<Surface, IDirectDrawSurface>
{
public:
    Surface(DWORD width, DWORD height)
        : m_width(width)
        , m_height(height)
        , m_pixels(static_cast<size_t>(width) * height * 4, 0)
    {
        ++g_LiveSurfaces;
    }

    ~Surface() { --g_LiveSurfaces; }

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == IID_IDirectDrawSurface)
            return static_cast<IDirectDrawSurface*>(this);
        return nullptr;
    }

    HRESULT Lock(RECT* rect, DDSURFACEDESC* description, DWORD, HANDLE) override
    {
        if (rect || !description || description->dwSize != kDDSurfaceDescSize)
            return DDERR_INVALIDPARAMS;
        if (m_locked)
            return DDERR_SURFACEBUSY;
        Describe(*description);
        description->lpSurface = m_pixels.data();
        m_locked = true;
        return S_OK;
    }

    HRESULT Unlock(LPVOID) override
    {
        if (!m_locked)
            return DDERR_NOTLOCKED;
        m_locked = false;
        return S_OK;
    }

    HRESULT GetSurfaceDesc(DDSURFACEDESC* description) override
    {
        if (!description || description->dwSize != kDDSurfaceDescSize)
            return DDERR_INVALIDPARAMS;
        Describe(*description);
        return S_OK;
    }

private:
    void Describe(DDSURFACEDESC& description) const
    {
        description = DDSURFACEDESC {};
        description.dwSize = kDDSurfaceDescSize;
        description.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
        description.dwWidth = m_width;
        description.dwHeight = m_height;
        description.lPitch = static_cast<LONG>(m_width * 4);
        description.ddpfPixelFormat = RgbFormat();
        description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    }

    DWORD m_width;
    DWORD m_height;
    std::vector<uint8_t> m_pixels;
    bool m_locked = false;
};

class DirectDraw final : public ComObject<DirectDraw, IDirectDraw>
{
public:
    DirectDraw() { ++g_LiveObjects; }

    ~DirectDraw() { --g_LiveObjects; }

    void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown || iid == IID_IDirectDraw)
            return static_cast<IDirectDraw*>(this);
        return nullptr;
    }

    HRESULT SetCooperativeLevel(HWND, DWORD) override { return S_OK; }

    HRESULT CreateSurface(DDSURFACEDESC* description, IDirectDrawSurface** surface, IUnknown* outer) override
    {
        if (!surface)
            return DDERR_INVALIDPARAMS;
        *surface = nullptr;
        if (!description || description->dwSize != kDDSurfaceDescSize || outer)
            return DDERR_INVALIDPARAMS;
        const DWORD needed = DDSD_WIDTH | DDSD_HEIGHT;
        if ((description->dwFlags & needed) != needed || description->dwWidth == 0 || description->dwHeight == 0
            || description->dwWidth > 16384 || description->dwHeight > 16384)
            return DDERR_INVALIDPARAMS;
        if (description->dwFlags & DDSD_PIXELFORMAT) {
            const DDPIXELFORMAT& format = description->ddpfPixelFormat;
            const DDPIXELFORMAT rgb = RgbFormat();
            if (!(format.dwFlags & DDPF_RGB) || format.dwRGBBitCount != 32 || format.dwRBitMask != rgb.dwRBitMask
                || format.dwGBitMask != rgb.dwGBitMask || format.dwBBitMask != rgb.dwBBitMask)
                return DDERR_INVALIDPIXELFORMAT;
        }
        *surface = new Surface(description->dwWidth, description->dwHeight);
        return S_OK;
    }

private:
};
}

HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** directDraw, IUnknown* outer)
{
    if (!directDraw)
        return DDERR_INVALIDPARAMS;
    *directDraw = nullptr;
    if (driver || outer)
        return DDERR_INVALIDPARAMS;
    *directDraw = new DirectDraw;
    return S_OK;
}

namespace PlatformDDraw
{
int LiveObjects()
{
    return g_LiveObjects;
}

int LiveSurfaces()
{
    return g_LiveSurfaces;
}
}
