// Shows a recorded device call in a test failure as the device logs it,
// "SetRenderState(137, 1)", instead of as bytes.
#pragma once

#include "Platform/D3D9Device.h"

#include <ostream>

namespace PlatformD3D9
{
inline void PrintTo(const DeviceCall& call, std::ostream* out)
{
    *out << call.Text();
}
}
