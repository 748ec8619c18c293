#include "Core/PLog.h"
#include "DeviceCallPrinter.h"
#include "Platform/D3D9Device.h"
#include "Render/PRender.h"
#include "ScratchRoot.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using PlatformD3D9::DeviceCall;
using PlatformD3D9::RecordOf;

namespace
{
// A 2x2 uncompressed 32-bit picture, top row first.
std::string SmallTga()
{
    std::string bytes(18, '\0');
    bytes[2] = 2;   // true colour
    bytes[12] = 2;  // width
    bytes[14] = 2;  // height
    bytes[16] = 32; // bits per pixel
    bytes[17] = 0x28;
    for (int i = 0; i < 4; ++i)
        bytes += std::string("\x10\x20\x30\xff", 4);
    return bytes;
}

class LoadingScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = { g_CfgScreenWidth, g_CfgScreenHeight };
        g_CfgScreenWidth = 1024;
        g_CfgScreenHeight = 768;
        m_device = PlatformD3D9::CreateRecordingDevice(D3DPRESENT_PARAMETERS{});
        m_render = std::make_unique<CPRender>(m_device);
        GetLog().SetSink([this](int32_t, const std::string& text) { m_log.push_back(text); });
    }
    void TearDown() override
    {
        GetLog().SetSink(nullptr);
        m_render.reset();
        m_device->Release();
        g_CfgScreenWidth = m_saved[0];
        g_CfgScreenHeight = m_saved[1];
    }

    // The screen vertices of the nth DrawPrimitiveUP.
    std::vector<CPScreenVertex> Quad(size_t n) const
    {
        const std::vector<uint8_t>& bytes = m_device->UserVertices().at(n);
        std::vector<CPScreenVertex> vertices(bytes.size() / sizeof(CPScreenVertex));
        std::memcpy(vertices.data(), bytes.data(), vertices.size() * sizeof(CPScreenVertex));
        return vertices;
    }

    std::vector<std::string> Textures() const
    {
        std::vector<std::string> calls;
        for (const DeviceCall& call : m_device->CallsOf("SetTexture"))
            calls.push_back(call.Text());
        return calls;
    }

    ScratchRoot m_root;
    PlatformD3D9::RecordingDevice* m_device = nullptr;
    std::unique_ptr<CPRender> m_render;
    std::vector<std::string> m_log;
    std::vector<int32_t> m_saved;
};
}

TEST_F(LoadingScreen, BarFollowsThePercentage)
{
    m_root.MakeFile("data/textures/load.tga", SmallTga());
    struct Case
    {
        int32_t percent;
        float right;
    };
    for (const Case& c : { Case{ 0, 0.0f }, Case{ 50, 512.0f }, Case{ 100, 1024.0f } }) {
        SCOPED_TRACE(c.percent);
        m_device->ClearLog();
        EXPECT_EQ(m_render->DrawLoadingScreen(c.percent), D3D_OK);
        ASSERT_EQ(m_device->CallsOf("DrawPrimitiveUP").size(), 2u);
        EXPECT_EQ(m_device->CallsOf("DrawPrimitiveUP")[1].Text(), "DrawPrimitiveUP(5, 2, 28)");
        const std::vector<CPScreenVertex> bar = Quad(1);
        ASSERT_EQ(bar.size(), 4u);
        EXPECT_FLOAT_EQ(bar[0].x, c.right);
        EXPECT_FLOAT_EQ(bar[0].y, 753.0f);
        EXPECT_FLOAT_EQ(bar[0].u, static_cast<float>(c.percent));
        EXPECT_FLOAT_EQ(bar[1].y, 768.0f);
        EXPECT_EQ(bar[1].diffuse, 0xFFFFFFFFu);
        EXPECT_FLOAT_EQ(bar[3].x, 0.0f);
        EXPECT_FLOAT_EQ(bar[3].v, 1.0f);
    }
    const std::vector<CPScreenVertex> background = Quad(0);
    EXPECT_FLOAT_EQ(background[0].x, 1023.5f);
    EXPECT_FLOAT_EQ(background[1].y, 767.5f);
    EXPECT_FLOAT_EQ(background[1].v, 0.75f);
    EXPECT_FLOAT_EQ(background[2].u, 0.0f);
    EXPECT_EQ(m_device->PresentCount(), 3);
    EXPECT_EQ(m_device->ScenesEnded(), 3);
    EXPECT_EQ(m_device->Fvf(), CPScreenVertex::kFvf);
    EXPECT_EQ(m_device->RenderState(D3DRS_ZENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(m_device->RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    // The missing picture leaves the background untextured; the bar's tile
    // was made once.
    ASSERT_NE(m_render->m_loadingBar, nullptr);
    const std::string bar = "SetTexture(0, " + std::to_string(RecordOf(m_render->m_loadingBar)->serial) + ")";
    EXPECT_EQ(Textures(), (std::vector<std::string>{ "SetTexture(0, 0)", bar }));
    // Each call looks for the picture again; the log names it, and reports
    // nothing else.
    EXPECT_EQ(m_log, std::vector<std::string>(3, "cannot open data\\textures\\back2.jpg: No such file or directory\n"));
}

TEST_F(LoadingScreen, RefusedPictureIsReportedAndTriedAgain)
{
    m_root.MakeFile("data/textures/back2.jpg", "not a picture");
    m_render->DrawLoadingScreen(10);
    EXPECT_EQ(m_render->m_loadingBackground, nullptr);
    ASSERT_FALSE(m_log.empty());
    EXPECT_NE(m_log[0].find("Render/PRender"), std::string::npos);
    // Each call tries again until it succeeds, then keeps the texture.
    m_log.clear();
    m_render->DrawLoadingScreen(20);
    EXPECT_FALSE(m_log.empty());
    m_root.MakeFile("data/textures/back2.jpg", SmallTga());
    m_render->DrawLoadingScreen(30);
    IDirect3DTexture9* made = m_render->m_loadingBackground;
    ASSERT_NE(made, nullptr);
    m_root.MakeFile("data/textures/back2.jpg", "gone bad");
    m_log.clear();
    m_render->DrawLoadingScreen(40);
    EXPECT_EQ(m_render->m_loadingBackground, made);
    // Only the bar's missing tile is named: the picture is not read again.
    EXPECT_EQ(m_log, std::vector<std::string>{ "cannot open data\\textures\\load.tga: No such file or directory\n" });
}
