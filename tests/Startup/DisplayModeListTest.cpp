#include "Startup/PDisplayModeList.h"

#include "Platform/D3D9.h"
#include "Platform/DisplayModes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
PlatformDisplay::Mode Mode(UINT width, UINT height, UINT refresh = 60, D3DFORMAT format = D3DFMT_X8R8G8B8,
                           bool fails = false)
{
    PlatformDisplay::Mode mode;
    mode.width = width;
    mode.height = height;
    mode.refreshRate = refresh;
    mode.format = format;
    mode.enumerationFails = fails;
    return mode;
}

// The list as "height/width/bits" records.
std::vector<std::string> Listed()
{
    std::vector<std::string> records;
    for (const CPDisplayMode& mode : DisplayModeList)
        records.push_back(std::to_string(mode.height) + "/" + std::to_string(mode.width) + "/" + std::to_string(mode.bitsPerPixel));
    return records;
}
}

TEST(DisplayModeList, KeepsUsableSizesOncePerRunInAdapterOrder)
{
    const struct
    {
        const char* name;
        std::vector<PlatformDisplay::Mode> modes;
        std::vector<std::string> expected;
    } cases[] = {
        { "too small", { Mode(800, 600), Mode(1024, 600) }, {} },
        { "refresh rates merge", { Mode(1024, 768, 60), Mode(1024, 768, 75), Mode(1280, 1024, 60) },
          { "768/1024/32", "1024/1280/32" } },
        { "only neighbours merge", { Mode(1024, 768), Mode(1280, 1024), Mode(1024, 768) },
          { "768/1024/32", "1024/1280/32", "768/1024/32" } },
        { "a small mode between does not split a run", { Mode(1024, 768), Mode(800, 600), Mode(1024, 768) },
          { "768/1024/32" } },
        { "limits", { Mode(1024, 767), Mode(1023, 768), Mode(1024, 768) }, { "768/1024/32" } },
        { "failing index skipped", { Mode(1280, 1024, 60, D3DFMT_X8R8G8B8, true), Mode(1600, 900) }, { "900/1600/32" } },
        { "16-bit modes are not asked for", { Mode(1280, 1024, 60, D3DFMT_R5G6B5), Mode(1920, 1080) }, { "1080/1920/32" } },
        // Neither 32-bit format works: the list is asked in A8R8G8B8, which has no modes.
        { "no 32-bit format", { Mode(1280, 1024, 60, D3DFMT_R5G6B5) }, {} },
    };
    for (const auto& c : cases) {
        PlatformDisplay::SetSource({ true, c.modes });
        EnumerateDisplayModes();
        EXPECT_EQ(Listed(), c.expected) << c.name;
        EXPECT_EQ(PlatformD3D9::LiveObjectCount(), 0) << c.name;
    }
    PlatformDisplay::UseSystemModes();
}

TEST(DisplayModeList, WithoutDirect3DTheListIsEmpty)
{
    PlatformDisplay::SetSource({ true, { Mode(1024, 768) } });
    EnumerateDisplayModes();
    EXPECT_EQ(DisplayModeList.size(), 1u);
    PlatformDisplay::SetSource({ false, { Mode(1024, 768) } });
    EnumerateDisplayModes();
    EXPECT_TRUE(DisplayModeList.empty());
    PlatformDisplay::UseSystemModes();
}
