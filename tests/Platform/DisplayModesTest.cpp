#include "Platform/D3D9.h"
#include "Platform/DisplayModes.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace
{
std::string Describe(const std::vector<PlatformDisplay::Mode>& modes)
{
    std::string text;
    for (const auto& mode : modes)
        text += std::to_string(mode.width) + "x" + std::to_string(mode.height) + "@" + std::to_string(mode.refreshRate) + " ";
    return text;
}

PlatformDisplay::Mode Mode(UINT width, UINT height, D3DFORMAT format = D3DFMT_X8R8G8B8, bool fails = false)
{
    PlatformDisplay::Mode mode;
    mode.width = width;
    mode.height = height;
    mode.format = format;
    mode.enumerationFails = fails;
    return mode;
}
}

TEST(DisplayModes, ParsesTheModeListVariable)
{
    std::vector<PlatformDisplay::Mode> modes;
    std::vector<std::string> errors;
    EXPECT_TRUE(PlatformDisplay::ParseModeList("1024x768@60, 1024x768@75 ,1280x1024", modes, errors));
    EXPECT_EQ(Describe(modes), "1024x768@60 1024x768@75 1280x1024@60 ");
    EXPECT_TRUE(PlatformDisplay::ParseModeList(" none ", modes, errors));
    EXPECT_TRUE(modes.empty());
    EXPECT_FALSE(PlatformDisplay::ParseModeList("800x600,big,0x600,1024x768@,1x2x3,99999999x1,1600x900@144", modes, errors));
    EXPECT_EQ(Describe(modes), "800x600@60 1600x900@144 ");
    EXPECT_EQ(errors, (std::vector<std::string> { "big", "0x600", "1024x768@", "1x2x3", "99999999x1" }));
    EXPECT_FALSE(PlatformDisplay::ParseModeList("", modes, errors));
}

TEST(DisplayModes, ReadsTheModesOfConnectedDisplaysOnly)
{
    ScratchRoot root;
    root.MakeFile("card0-DP-1/status", "disconnected\n");
    root.MakeFile("card0-DP-1/modes", "640x480\n");
    root.MakeFile("card0-HDMI-A-1/status", "connected\n");
    root.MakeFile("card0-HDMI-A-1/modes", "1920x1080\n1920x1080i\n1280x1024\n");
    root.MakeFile("card0-eDP-1/status", "connected\n");
    root.MakeFile("card0-eDP-1/modes", "1366x768\n");
    root.MakeFile("version", "drm 1.1.0\n");
    EXPECT_EQ(Describe(PlatformDisplay::ReadKernelModes(root.Path())), "1920x1080@60 1280x1024@60 1366x768@60 ");
    EXPECT_TRUE(PlatformDisplay::ReadKernelModes(root.Host("absent")).empty());
}

TEST(DisplayModes, VariableWinsOverTheSystemAndATableOverBoth)
{
    const char* old = std::getenv("VELTRIX_DISPLAY_MODES");
    const std::string saved = old ? old : "";
    setenv("VELTRIX_DISPLAY_MODES", "1280x720@50", 1);
    PlatformDisplay::UseSystemModes();
    EXPECT_EQ(Describe(PlatformDisplay::CurrentSource().modes), "1280x720@50 ");
    setenv("VELTRIX_DISPLAY_MODES", "none", 1);
    EXPECT_TRUE(PlatformDisplay::CurrentSource().modes.empty());
    PlatformDisplay::SetSource({ true, { Mode(800, 600) } });
    EXPECT_EQ(Describe(PlatformDisplay::CurrentSource().modes), "800x600@60 ");
    unsetenv("VELTRIX_DISPLAY_MODES");
    PlatformDisplay::UseSystemModes();
    EXPECT_FALSE(PlatformDisplay::CurrentSource().modes.empty()); // the kernel's or the built-in list
    if (old)
        setenv("VELTRIX_DISPLAY_MODES", saved.c_str(), 1);
}

TEST(Direct3D9, EnumeratesTheSourcesModesPerFormat)
{
    PlatformDisplay::SetSource({ true, { Mode(1024, 768), Mode(640, 480, D3DFMT_R5G6B5), Mode(1280, 1024, D3DFMT_X8R8G8B8, true),
                                         Mode(1600, 900) } });
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(PlatformD3D9::LiveObjectCount(), 1);

    // A display format needs modes; the back buffer may add alpha to it.
    EXPECT_TRUE(FAILED(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, FALSE)));
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE), S_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, FALSE), S_OK);
    EXPECT_TRUE(FAILED(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, FALSE)));
    EXPECT_TRUE(FAILED(d3d->CheckDeviceType(1, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE)));

    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 3u);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 1u);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_A8R8G8B8), 0u);
    EXPECT_EQ(d3d->GetAdapterModeCount(1, D3DFMT_X8R8G8B8), 0u);
    D3DDISPLAYMODE mode {};
    EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 2, &mode), S_OK);
    EXPECT_EQ(mode.Width, 1600u);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_TRUE(FAILED(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 1, &mode)));
    EXPECT_TRUE(FAILED(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 3, &mode)));
    EXPECT_TRUE(FAILED(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0, nullptr)));

    EXPECT_EQ(d3d->Release(), 0u);
    EXPECT_EQ(PlatformD3D9::LiveObjectCount(), 0);

    PlatformDisplay::SetSource({ false, { Mode(1024, 768) } });
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    PlatformDisplay::UseSystemModes();
}
