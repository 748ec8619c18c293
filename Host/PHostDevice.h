// The host's render device: the Direct3D device for the game window (size,
// colour depth and window mode from the configuration values), the render
// system that holds it together with its two render queues (published in
// g_Render), and the device's return after a loss: every device object lets
// go of what the lost device took, the device is reset, and every device
// object rebuilds.
#pragma once

#include "Platform/D3D9.h"

class CPHostDevice
{
public:
    // The device stays the caller's; the parameters are used for each Reset.
    CPHostDevice(IDirect3DDevice9* device, const D3DPRESENT_PARAMETERS& parameters);

    // Once a frame before drawing. S_OK while the device works, and once it
    // is back. While it is lost the device objects are told once, and
    // D3DERR_DEVICELOST comes back until the device can be reset; a refused
    // Reset is reported and returned, and tried again on the next call.
    HRESULT Restore();
    // True from the first notice of a loss until the reset succeeds.
    bool IsLost() const { return m_lost; }
    const D3DPRESENT_PARAMETERS& GetParameters() const { return m_parameters; }

private:
    IDirect3DDevice9* m_device;
    D3DPRESENT_PARAMETERS m_parameters;
    bool m_lost = false;
};

// Presentation parameters for the configured screen: "screenWidth",
// "screenHeight", "screenBPP" (16: R5G6B5, else X8R8G8B8) and "fullScreen".
D3DPRESENT_PARAMETERS HostPresentParameters(HWND window);
// False (reported) when there is no Direct3D or no device; the render
// system then does not exist.
bool CreateHostRender(HWND window);
// Destroys the render system and its queues, releases the device and clears
// g_Render.
void DestroyHostRender();
// The host device's Restore; S_OK when there is none.
HRESULT RestoreHostRender();
