// Where the display modes that Direct3D enumerates come from. Tests give a
// table. A real run takes VELTRIX_DISPLAY_MODES when it is set: items
// "WxH@Hz" (or "WxH", at 60 Hz) separated by commas, in the adapter's order,
// or "none" for no modes at all; an item that does not parse is left out and
// named on standard error, once. An empty value counts as not set. Without
// it, the modes the kernel lists for the connected displays
// (/sys/class/drm/*/modes) are used, and when there are none, a built-in list
// of common modes.
#pragma once

#include "Platform/D3D9.h"

#include <string>
#include <vector>

namespace PlatformDisplay
{
// One mode of the adapter. A mode whose enumeration fails stands for a
// driver that reports an error for that index.
struct Mode
{
    UINT width = 0;
    UINT height = 0;
    UINT refreshRate = 60;
    D3DFORMAT format = D3DFMT_X8R8G8B8;
    bool enumerationFails = false;
};

// What Direct3D finds: whether a runtime is present and the adapter's modes
// in order.
struct Source
{
    bool runtimePresent = true;
    std::vector<Mode> modes;
};

// Fixes the source (for tests) until UseSystemModes.
void SetSource(const Source& source);
// Back to the modes of the machine.
void UseSystemModes();
// The source in effect now.
Source CurrentSource();

// Parses a VELTRIX_DISPLAY_MODES text. False (and the bad items in `errors`)
// for items that are no mode; the good ones are still returned.
bool ParseModeList(const std::string& text, std::vector<Mode>& modes, std::vector<std::string>& errors);
// The modes the kernel lists for connected displays under a DRM class
// directory, in connector order, then in each connector's order.
std::vector<Mode> ReadKernelModes(const std::string& drmClassDirectory);
std::vector<Mode> BuiltInModes();
}
