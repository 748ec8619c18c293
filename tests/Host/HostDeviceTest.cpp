#include "Host/PHostDevice.h"

#include "Core/PLog.h"
#include "DynamicSky/VertexObject.h"
#include "Host/PGameHost.h"
#include "Host/PHostFrame.h"
#include "Platform/D3D9Device.h"
#include "Platform/DisplayModes.h"
#include "Render/PDeviceObject.h"
#include "Render/PEffectManager.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PRenderQueue.h"
#include "Render/PTextureManager.h"
#include "ScratchRoot.h"
#include "Startup/PConfigVars.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using PlatformD3D9::DeviceState;

namespace
{
// Holds a texture in the default pool, which a lost device takes away: it
// lets go of it when told of the loss and makes it again after the reset.
class DefaultPoolTexture : public CPDeviceObject
{
public:
    explicit DefaultPoolTexture(IDirect3DDevice9* device)
        : m_device(device)
    {
        OnResetDevice();
    }
    ~DefaultPoolTexture() override { OnLostDevice(); }
    void OnLostDevice() override
    {
        ++lost;
        if (texture)
            texture->Release();
        texture = nullptr;
    }
    void OnResetDevice() override
    {
        ++resets;
        m_device->CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture,
                                nullptr);
    }

    IDirect3DTexture9* texture = nullptr;
    int lost = 0;
    int resets = 0;

private:
    IDirect3DDevice9* m_device;
};

class HostDevice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_devicesBefore = PlatformD3D9::LiveDeviceCount();
        m_resourcesBefore = PlatformD3D9::LiveResourceCount();
        m_parameters.BackBufferWidth = 800;
        m_parameters.BackBufferHeight = 600;
        m_device = PlatformD3D9::CreateRecordingDevice(m_parameters);
        GetLog().SetSink([this](int32_t, const std::string& text) { m_reports.push_back(text); });
    }
    void TearDown() override
    {
        GetLog().SetSink(nullptr);
        m_device->Release();
        EXPECT_EQ(PlatformD3D9::LiveDeviceCount(), m_devicesBefore);
        EXPECT_EQ(PlatformD3D9::LiveResourceCount(), m_resourcesBefore);
    }

    // Engine objects never end by counting, so a race run earlier in this
    // process may still hold its textures and their device: only what a
    // test makes is counted.
    int m_devicesBefore = 0;
    int m_resourcesBefore = 0;
    D3DPRESENT_PARAMETERS m_parameters{};
    PlatformD3D9::RecordingDevice* m_device = nullptr;
    std::vector<std::string> m_reports;
};
}

TEST_F(HostDevice, LostDeviceRoundTripOverTheDeviceObjects)
{
    DefaultPoolTexture target(m_device);
    CPVertexObject sky; // managed resources: nothing to give up
    m_device->CreateVertexBuffer(48, D3DUSAGE_WRITEONLY, 0x2D2, D3DPOOL_MANAGED, &sky.vertexBuffer, nullptr);
    CPHostDevice host(m_device, m_parameters);

    EXPECT_EQ(host.Restore(), D3D_OK);
    EXPECT_EQ(target.lost, 0);

    // Lost: the objects let go once, however often the host asks.
    m_device->SetDeviceState(DeviceState::kLost);
    EXPECT_EQ(host.Restore(), D3DERR_DEVICELOST);
    EXPECT_EQ(host.Restore(), D3DERR_DEVICELOST);
    EXPECT_TRUE(host.IsLost());
    EXPECT_EQ(target.lost, 1);
    EXPECT_EQ(target.texture, nullptr);
    EXPECT_EQ(m_device->ResetCount(), 0);

    // Ready to reset: Reset with the host's parameters, then every object rebuilds.
    m_device->SetDeviceState(DeviceState::kNotReset);
    EXPECT_EQ(host.Restore(), D3D_OK);
    EXPECT_FALSE(host.IsLost());
    EXPECT_EQ(m_device->ResetCount(), 1);
    EXPECT_EQ(m_device->PresentParameters().BackBufferWidth, 800u);
    EXPECT_EQ(target.resets, 2);
    EXPECT_NE(target.texture, nullptr);
    EXPECT_NE(sky.vertexBuffer, nullptr);
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(HostDevice, RefusedResetIsReportedAndTriedAgain)
{
    DefaultPoolTexture target(m_device);
    // A default-pool texture that no device object gives up.
    IDirect3DTexture9* stray = nullptr;
    m_device->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &stray, nullptr);
    CPHostDevice host(m_device, m_parameters);

    m_device->SetDeviceState(DeviceState::kNotReset);
    EXPECT_EQ(host.Restore(), D3DERR_INVALIDCALL);
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_NE(m_reports[0].find("Host/PHostDevice"), std::string::npos);
    EXPECT_TRUE(host.IsLost());
    EXPECT_EQ(target.resets, 1);

    stray->Release();
    EXPECT_EQ(host.Restore(), D3D_OK);
    EXPECT_EQ(target.lost, 1); // told once for the whole loss
    EXPECT_EQ(target.resets, 2);
}

TEST(HostRender, CreatesTheDeviceAndTheRenderSystem)
{
    const int devicesBefore = PlatformD3D9::LiveDeviceCount();
    const int32_t savedWidth = g_CfgScreenWidth;
    const int32_t savedBPP = g_CfgScreenBPP;
    g_CfgScreenWidth = 1024;
    g_CfgScreenBPP = 32;
    PlatformDisplay::Source source;
    source.modes.push_back(PlatformDisplay::Mode{ 1024, 768, 60, D3DFMT_X8R8G8B8, false });
    PlatformDisplay::SetSource(source);

    ASSERT_TRUE(CreateHostRender(nullptr));
    CPRender* render = GetRender();
    ASSERT_NE(render, nullptr);
    PlatformD3D9::RecordingDevice* device = PlatformD3D9::RecordOf(render->m_device);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->PresentParameters().BackBufferWidth, 1024u);
    EXPECT_EQ(device->PresentParameters().BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(render->m_maxAnisotropy, static_cast<int32_t>(device->Caps().MaxAnisotropy));
    EXPECT_EQ(render->m_fadeMax, 255);
    EXPECT_EQ(GetSkyDevice().device, render->m_device);
    EXPECT_TRUE(render->GetRenderQueue());
    EXPECT_TRUE(render->GetStaticRenderQueue());
    EXPECT_NE(render->GetRenderQueue(), render->GetStaticRenderQueue());
    ASSERT_NE(GetEffectManager(), nullptr);
    EXPECT_NE(GetEffectManager()->GetPool(), nullptr);
    EXPECT_NE(GetTextureManager(), nullptr);
    EXPECT_NE(GetMaterialManager(), nullptr);
    device->SetDeviceState(DeviceState::kNotReset);
    EXPECT_EQ(RestoreHostRender(), D3D_OK);

    DestroyHostRender();
    EXPECT_EQ(GetRender(), nullptr);
    EXPECT_EQ(GetSkyDevice().device, nullptr);
    EXPECT_EQ(GetEffectManager(), nullptr);
    EXPECT_EQ(GetTextureManager(), nullptr);
    EXPECT_EQ(GetMaterialManager(), nullptr);
    EXPECT_EQ(PlatformD3DX::LivePoolCount(), 0);
    EXPECT_EQ(PlatformD3D9::LiveDeviceCount(), devicesBefore);
    EXPECT_EQ(RestoreHostRender(), D3D_OK);

    // Without Direct3D there is no render system.
    source.runtimePresent = false;
    PlatformDisplay::SetSource(source);
    EXPECT_FALSE(CreateHostRender(nullptr));
    EXPECT_EQ(GetRender(), nullptr);

    PlatformDisplay::UseSystemModes();
    g_CfgScreenWidth = savedWidth;
    g_CfgScreenBPP = savedBPP;
}

TEST(HostRender, TheGameHostRestoresItsDeviceBeforeEachFrame)
{
    const int devicesBefore = PlatformD3D9::LiveDeviceCount();
    ScratchRoot root;
    {
        CPGameHost host(root.Path());
        ASSERT_NE(GetRender(), nullptr);
        PlatformD3D9::RecordingDevice* device = PlatformD3D9::RecordOf(GetRender()->m_device);
        ASSERT_NE(device, nullptr);
        device->SetDeviceState(DeviceState::kNotReset);
        RunFrame(0.01f);
        EXPECT_EQ(device->GetDeviceState(), DeviceState::kOperational);
        EXPECT_EQ(device->ResetCount(), 1);
        // The frame is drawn after the reset (the queues' rings came back
        // with it); a lost device draws nothing.
        EXPECT_EQ(device->PresentCount(), 1);
        device->SetDeviceState(DeviceState::kLost);
        RunFrame(0.01f);
        EXPECT_EQ(device->PresentCount(), 1);
    }
    EXPECT_EQ(GetRender(), nullptr);
    EXPECT_EQ(PlatformD3D9::LiveDeviceCount(), devicesBefore);
}
